#include "network/reportbodies.h"

#include "core/wizardpara.h"
#include "network/reportjson.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/inspection/paramroi.h"

using namespace reportjson;

namespace reportbody {

namespace {

QByteArray Pieces(std::initializer_list<std::pair<const char*, QByteArray>> pieces, const char* joiner = "&")
{
    QByteArray out;
    for (const auto& p : pieces) {
        if (!out.isEmpty())
            out += joiner;
        out += p.first;
        out += '=';
        out += p.second;
    }
    return out;
}

QByteArray N(qint64 v)
{
    return QByteArray::number(v);
}

QByteArray Address(int a, int b, int c, int d)
{
    return QString("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d).toUtf8();
}

}  // namespace

QByteArray RecordText(const char (&field)[100])
{
    return QByteArray(field, int(qstrnlen(field, sizeof field)));
}

QByteArray RunStateText(int runState)
{
    switch (runState) {
    case 1: return QString("正在检测").toUtf8();
    case 2: return QString("模板训练中").toUtf8();
    case 3: return QString("停止检测").toUtf8();
    default: return QByteArray();
    }
}

QByteArray TriggerText(int trigger)
{
    switch (trigger) {
    case -2: return QString("模腔手动抓拍").toUtf8();
    case -1: return QString("成品手动抓拍").toUtf8();
    case 1: return QString("开模到位").toUtf8();
    case 2: return QString("安全门").toUtf8();
    case 3: return QString("顶针").toUtf8();
    default: return QByteArray();
    }
}

QByteArray ReleaseText(int method)
{
    switch (method) {
    case 4: return QString("不检测此模解除").toUtf8();
    case 5: return QString("添加为模板解除").toUtf8();
    case 6: return QString("重新检测切换到模腔检测").toUtf8();
    case 7: return QString("进行重检检测").toUtf8();
    case 8: return QString("重检检测OK").toUtf8();
    default: return QByteArray();
    }
}

QByteArray Record(const QString& host, const QString& operater, qint64 utcMs, const QString& description)
{
    return Pieces({{"device_id", host.toUtf8()},
                   {"operater", operater.toUtf8()},
                   {"utc", N(utcMs)},
                   {"description", description.toUtf8()}});
}

QByteArray DelTempPic(const QString& host, int camera, int stage, const QString& templateName, qint64 utcMs,
                      const QByteArray& operatorId)
{
    return Pieces({{"deviceId", host.toUtf8()},
                   {"cameraId", N(camera)},
                   {"detectId", N(stage)},
                   {"template", templateName.toUtf8()},
                   {"utc", N(utcMs)},
                   {"operator", operatorId}});
}

QByteArray SaveNgVideo(const QString& host, int camera, const QByteArray& product, int isng)
{
    return Pieces({{"device_id", host.toUtf8()}, {"camera_id", N(camera)}, {"product", product}, {"isng", N(isng)}});
}

QByteArray TelInfo(const QString& host, int check, int count, const QByteArray& techName, const QByteArray& techNum)
{
    return Pieces({{"device_id", host.toUtf8()},
                   {"check_id", N(check + 1)},
                   {"product_count", N(count)},
                   {"worker_name", techName},
                   {"mobile", techNum}});
}

QByteArray Param(const WizardPara& p, const QString& host, const ParamCounts& counts)
{
    Doc doc;
    cJSON* o = doc.get();
    Text(o, "device_id", host);
    Num(o, "finished_product_detect", p.stage_delay[0]);
    Num(o, "cavity_detect", p.stage_delay[1]);
    Num(o, "neutron_detect", p.stage_delay[2]);
    Num(o, "fourth_detect", p.stage_delay[3]);
    Num(o, "is_psw_used", p.is_psw_used);
    Text(o, "password", RecordText(p.password));
    Num(o, "semi_auto", p.semi_auto);
    Num(o, "enabe_one_test", p.stage_enabled[0]);
    Num(o, "enabe_two_test", p.enabe_two_test);
    Num(o, "enable_correct", p.enable_correct);
    Num(o, "enable_stop_mold", p.enable_stop_mold);
    Num(o, "enable_screen_alert", p.enable_screen_alert);
    Num(o, "front_mold_timelen", p.front_mold_timelen);
    Num(o, "front_auto_check_time", p.front_auto_check_time);
    Num(o, "ok_record_max_num", p.ok_record_max_num);
    Num(o, "enable_watch_dog", 1);
    Num(o, "mold_cutoff", p.mold_cutoff);
    Num(o, "max_mold_num", p.max_mold_num);
    Num(o, "enable_stop_check", p.min_spot);
    Num(o, "ng_max_num", p.ng_max_num);
    Num(o, "thimble_pulse", p.thimble_pulse);
    Num(o, "mold_pulse", p.mold_pulse);
    Num(o, "enable_stop_not_alarm", p.enable_stop_not_alarm);
    Num(o, "is_cut_ontime", p.is_cut_ontime);
    Num(o, "is_cut_ontime_thimble", p.is_cut_ontime_thimble);
    Num(o, "enable_cutoff_ontime", p.enable_cutoff_ontime);
    Num(o, "enable_pass_protect", p.enable_pass_protect);
    Num(o, "language", counts.language);
    Num(o, "enable_mold_backup", p.enable_mold_backup);
    Num(o, "location_adge", p.location_adge);
    Num(o, "location_level", p.location_level);
    Num(o, "capture_speed", p.capture_speed);
    Num(o, "input_timeout_len", p.input_timeout_len);
    Num(o, "enable_output_thimble_pulse", p.enable_output_thimble_pulse);
    Num(o, "enable_disarm_before_open", p.enable_disarm_before_open);
    Num(o, "difference_multiplier", p.difference_multiplier);
    Num(o, "enable_defect_detect", p.enable_defect_detect);
    Num(o, "enable_spot_detect", p.enable_spot_detect);
    Num(o, "enable_ignore_area", p.enable_ignore_area);
    Num(o, "enable_manual_edit", p.enable_manual_edit);
    Num(o, "enable_display_detail", p.enable_display_detail);
    Num(o, "auto_cancel_timelen", p.auto_cancel_timelen);
    Num(o, "enable_one_not_mold", p.enable_one_not_mold);
    Num(o, "enable_trigger_safety", p.enable_trigger_safety);
    Num(o, "enable_network", p.enable_network);
    const QByteArray none("0.0.0.0");
    Text(o, "local_addr_1", Address(p.local_addr_1, p.local_addr_2, p.local_addr_3, p.local_addr_4));
    Text(o, "local_addr_2", none);
    Text(o, "local_addr_3", none);
    Text(o, "local_addr_4", none);
    Text(o, "mask_1", Address(p.mask_1, p.mask_2, p.mask_3, p.mask_4));
    Text(o, "mask_2", none);
    Text(o, "mask_3", none);
    Text(o, "mask_4", none);
    Text(o, "gateway_1", Address(p.gateway_1, p.gateway_2, p.gateway_3, p.gateway_4));
    Text(o, "gateway_2", none);
    Text(o, "gateway_3", none);
    Text(o, "gateway_4", none);
    Num(o, "minimum_size", p.minimum_size);
    Num(o, "minimum_area", p.minimum_area);
    Num(o, "serial_port", p.serial_port);
    Num(o, "enable_color_camera", p.enable_color_camera);
    Num(o, "enable_gray_channel", p.enable_gray_channel);
    Num(o, "snap_shot", p.snap_shot);
    Num(o, "min_spot", p.min_spot);
    Num(o, "factory_param", p.factory_param);
    Num(o, "report_alarm", p.output_polarity[2]);  // system7 position 7
    Num(o, "prohibit_optimize", p.prohibit_optimize);
    cJSON* cameras = Array(o, "camera");
    for (int c = 0; c < 8; ++c) {
        cJSON* cam = Object(cameras);
        Text(cam, "camera_id", N(c + 1));
        Num(cam, "expose_time", p.exposure[c]);
        Num(cam, "adjust_plus", p.gain[c]);
        Num(cam, "num_fail_detect", counts.fail ? counts.fail[c] : 0);
        Num(cam, "num_all_detect", counts.all ? counts.all[c] : 0);
        Num(cam, "sharp", p.sharpness[c]);
        Num(cam, "contrast", p.contrast[c]);
        Text(cam, "camera_serial", counts.serials ? RecordText(counts.serials[c]) : QByteArray());
    }
    return Print(o);
}

QByteArray RoiParam(const CammerSingleton& m, const QString& host, int camera, int stage)
{
    Doc doc;
    cJSON* o = doc.get();
    const int count = qBound(0, m.roiNum[stage], MAX_ROI);
    Text(o, "device_id", host);
    Text(o, "camera_id", N(camera + 1));
    Num(o, "detect", stage + 1);
    Num(o, "count", count);
    cJSON* rois = Array(o, "roi");
    for (int r = 0; r < count; ++r) {
        cJSON* roi = Object(rois);
        Num(roi, "roi_idx", r + 1);
        Num(roi, "min_size", m.param1[stage][r]);
        Num(roi, "sensibility", m.param2[stage][r]);
        Num(roi, "max_area", m.param3[stage][r]);
        Num(roi, "algorithm", m.method[stage][r]);
        Num(roi, "output_point", m.outputNo[r]);
        QList<QPoint> points;
        int type = -1;
        int inner = 0, outer = 0;
        switch (m.shapeType[stage][r]) {
        case 1:
            type = 0;
            points = {m.rects[stage][r].rect.topLeft(), m.rects[stage][r].rect.bottomRight()};
            break;
        case 4:
            type = 1;
            points = {m.circles[stage][r].rect.topLeft()};
            inner = m.circles[stage][r].innerRadius;
            outer = m.circles[stage][r].radius;
            break;
        case 2: {
            type = 2;
            const RePolygon& poly = m.polygons[stage][r];
            for (int k = 0; k < poly.pointNum && k < poly.points.size(); ++k)
                points << poly.points[k];
            break;
        }
        default:
            break;
        }
        Num(roi, "roi_type", type);
        Num(roi, "top_point_count", points.size());
        for (int k = 0; k < points.size(); ++k) {
            Num(roi, QString("top_%1_x").arg(k).toLatin1().constData(), points[k].x());
            Num(roi, QString("top_%1_y").arg(k).toLatin1().constData(), points[k].y());
        }
        Num(roi, "in_r", inner);
        Num(roi, "out_r", outer);
    }
    return Print(o);
}

QByteArray StatisticsOnce(const QList<param_roi>& rows, const WizardPara& p, const OnceContext& c)
{
    Doc doc;
    cJSON* o = doc.get();
    Text(o, "device_id", c.host);
    Num(o, "utc", c.utcMs);
    Text(o, "state", RunStateText(c.runState));
    Text(o, "detect_method", TriggerText(c.trigger));
    Text(o, "product_name", RecordText(p.CntNet_ProName));
    Text(o, "product_serial", N(p.product_batch));
    Num(o, "product_num", p.expected_capacity);
    Num(o, "product_moldcavity", p.cavity);
    Text(o, "product_operator", RecordText(p.CntNet_Operator));
    Num(o, "result", c.result ? 1 : 0);
    cJSON* cameras = Array(o, "array");
    for (const param_roi& row : rows) {
        if (row.camera < 0 || row.camera >= c.cameras || row.camera >= MAX_CAMERA)
            continue;
        cJSON* cam = nullptr;
        for (int i = 0; i < cJSON_GetArraySize(cameras); ++i) {
            cJSON* item = cJSON_GetArrayItem(cameras, i);
            if (cJSON_GetObjectItem(item, "camera_id")->valuedouble == row.camera + 1)
                cam = item;
        }
        if (!cam) {
            cam = Object(cameras);
            Num(cam, "camera_id", row.camera + 1);
            Num(cam, "device_ng", c.fail ? c.fail[row.camera] : 0);
            Num(cam, "device_all", c.all ? c.all[row.camera] : 0);
            Array(cam, "detect_array");
        }
        if (row.stage < 0 || row.stage >= 5)
            continue;  // only stages 1..5 are reported
        cJSON* detects = cJSON_GetObjectItem(cam, "detect_array");
        cJSON* det = nullptr;
        for (int i = 0; i < cJSON_GetArraySize(detects); ++i) {
            cJSON* item = cJSON_GetArrayItem(detects, i);
            if (cJSON_GetObjectItem(item, "detect_id")->valuedouble == row.stage + 1)
                det = item;
        }
        if (!det) {
            det = Object(detects);
            Num(det, "detect_id", row.stage + 1);
            Array(det, "roi_array");
        }
        cJSON* roi = Object(cJSON_GetObjectItem(det, "roi_array"));
        Num(roi, "roi_id", row.region + 1);
        Num(roi, "algorithm_type", row.method);
        Num(roi, "algorithm_result", row.value);
        Num(roi, "algorithm_premin", row.lower);
        Num(roi, "algorithm_premax", row.upper);
        Num(roi, "is_alarm", row.ok);
    }
    return Print(o);
}

QByteArray RunState(const QString& host, int runState, qint64 utcMs)
{
    Doc doc;
    Text(doc.get(), "device_id", host);
    Text(doc.get(), "state", RunStateText(runState));
    Num(doc.get(), "utc", utcMs);
    return Print(doc.get());
}

QByteArray Cancle(const QString& host, qint64 bindUtc, qint64 utcMs, int method, const QByteArray& operatorText)
{
    Doc doc;
    Text(doc.get(), "device_id", host);
    Num(doc.get(), "bind_utc", bindUtc);
    Num(doc.get(), "utc", utcMs);
    Text(doc.get(), "method", ReleaseText(method));
    Text(doc.get(), "product_operator", operatorText);
    return Print(doc.get());
}

}  // namespace reportbody
