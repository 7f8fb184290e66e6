#include "network/reportrecords.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDateTime>
#include <QFile>
#include <QTemporaryFile>
#include <QtDebug>

#include "network/reportjson.h"

using namespace reportjson;

bool ReadRecordFile(const QString& path, QByteArray* text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *text = f.readAll();
    const int zero = text->indexOf('\0');
    if (zero >= 0)
        text->truncate(zero);
    return true;
}

bool WriteRecordFile(const QString& path, const QByteArray& text)
{
    // A temporary file beside it, renamed over it: a reader or a power cut sees the old or the new
    // record. No fsync: it would put a disk flush on the GUI thread at every verdict; the rename
    // over an existing file is ordered after its data by the file system.
    QTemporaryFile tmp(path + ".XXXXXX");
    tmp.setAutoRemove(true);
    if (!tmp.open() || tmp.write(text) != text.size() || !tmp.flush()) {
        qWarning().noquote() << "open" << path << tmp.errorString();
        return false;
    }
    if (::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        qWarning().noquote() << "open" << path << std::strerror(errno);
        return false;
    }
    tmp.setAutoRemove(false);  // it is the record now
    return true;
}

int ReportStateCode(int runState)
{
    return runState == 3 ? 1 : runState == 1 ? 0 : 2;
}

int ReportRate(qint64 part, qint64 whole)
{
    return whole == 0 ? 0 : int(part * 10000 / whole);
}

// ---- manual stop

CNT_Path_ManualStop::CNT_Path_ManualStop()
    : utc(QDateTime::fromString("1970-11-12 13:14:15", "yyyy-MM-dd hh:mm:ss").toMSecsSinceEpoch())
{
}

RecordLoad CNT_Path_ManualStop::Load(const QByteArray& text)
{
    Doc doc(cJSON_Parse(text.constData()));
    if (!doc)
        return RecordLoad::NotJson;
    const cJSON* o = doc.get();
    valid = 0;
    if (!GetNum(o, "utc", &utc) || !GetText(o, "stop_check_timeslot", &stop_check_timeslot)
        || !GetInt(o, "stop_check_timelen", &stop_check_timelen) || !GetInt(o, "timeout_time", &timeout_time)
        || !GetText(o, "operator_id", &operator_id) || !GetText(o, "disalarm_operator_id", &disalarm_operator_id)
        || !GetText(o, "stop_check_reason", &stop_check_reason))
        return RecordLoad::Incomplete;
    valid = 1;
    return RecordLoad::Complete;
}

void CNT_Path_ManualStop::Apply(int runState, qint64 nowMs, const QByteArray& operatorText)
{
    const auto hhmm = [](qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString("hh:mm").toUtf8(); };
    if (runState == 3) {
        utc = nowMs;
        stop_check_timeslot = hhmm(nowMs) + "---:--";
    } else if (stop_check_timeslot.contains("--:--")) {
        stop_check_timelen += int((nowMs - utc) / 60000);
        stop_check_timeslot = hhmm(utc) + '-' + hhmm(nowMs);
    }
    operator_id = operatorText;
    disalarm_operator_id = operatorText;
}

QByteArray CNT_Path_ManualStop::ToJson(const QString& host, int runState) const
{
    Doc doc;
    cJSON* o = doc.get();
    Text(o, "device_id", host);
    Num(o, "state", ReportStateCode(runState));
    Num(o, "utc", utc);
    Text(o, "stop_check_timeslot", stop_check_timeslot);
    Num(o, "stop_check_timelen", stop_check_timelen);
    Num(o, "timeout_time", timeout_time);
    Text(o, "operator_id", operator_id);
    Text(o, "disalarm_operator_id", disalarm_operator_id);
    Text(o, "stop_check_reason", stop_check_reason);
    return Print(o);
}

bool CNT_Path_ManualStop::SaveToFile(const char* buf, int size) const
{
    return WriteRecordFile(FilePath(), QByteArray(buf, size));
}

// ---- statistics

CNT_Path_Statistics::CNT_Path_Statistics(qint64 nowMs) : start_utc(nowMs) {}

RecordLoad CNT_Path_Statistics::Load(const QByteArray& text)
{
    Doc doc(cJSON_Parse(text.constData()));
    if (!doc)
        return RecordLoad::NotJson;
    const cJSON* o = doc.get();
    valid = 0;
    if (!GetText(o, "product_name", &product_name) || !GetText(o, "product_serial", &product_serial)
        || !GetNum(o, "products_num", &products_num) || !GetNum(o, "start_utc", &start_utc)
        || !GetNum(o, "real_produce", &real_produce) || !GetNum(o, "utc_watch_total", &utc_watch_total)
        || !GetNum(o, "total_stop_alarm_timelen", &total_stop_alarm_timelen)
        || !GetInt(o, "watch_count_total", &watch_count_total) || !GetInt(o, "ng_count_total", &ng_count_total)
        || !GetInt(o, "ng_notification_rate", &ng_notification_rate) || !GetNum(o, "watch_circle", &watch_circle))
        return RecordLoad::Incomplete;

    const cJSON* list = cJSON_GetObjectItem(cJSON_GetObjectItem(o, "camera"), "ng");
    for (int i = 0; i < cJSON_GetArraySize(list); ++i) {
        const cJSON* ce = cJSON_GetArrayItem(list, i);
        QByteArray id;
        if (!GetText(ce, "camera_id", &id))
            break;
        CNT_Path_Statistics_Camera& cam = cameras[id.toInt() - 1];
        cam.camera_id = id;
        if (!GetInt(ce, "disalarm_timeout_time", &cam.disalarm_timeout_time)
            || !GetNum(ce, "last_monitor_period", &cam.last_monitor_period)
            || !GetNum(ce, "now_monitor_period", &cam.now_monitor_period)
            || !GetNum(ce, "average_monitor_period", &cam.average_monitor_period))
            break;
        const cJSON* monitors = cJSON_GetObjectItem(ce, "ng_monitors");
        for (int j = 0; j < cJSON_GetArraySize(monitors); ++j) {
            const cJSON* de = cJSON_GetArrayItem(monitors, j);
            CNT_Path_Statistics_Detect d;
            if (!GetInt(de, "time", &d.time) || !GetInt(de, "ng_sum", &d.ng_sum) || !GetInt(de, "produce", &d.produce)
                || !GetInt(de, "monitor_times", &d.monitor_times) || !GetInt(de, "ok_num", &d.ok_num)
                || !GetInt(de, "ok_rate", &d.ok_rate) || !GetInt(de, "not_ok_num", &d.not_ok_num)
                || !GetInt(de, "not_ok_rate", &d.not_ok_rate))
                break;
            const cJSON* alarms = cJSON_GetObjectItem(de, "alarm");
            for (int k = 0; k < cJSON_GetArraySize(alarms); ++k) {
                const cJSON* ae = cJSON_GetArrayItem(alarms, k);
                CNT_Path_Statistics_Alarm a;
                if (!GetInt(ae, "alarm_area_num", &a.alarm_area_num)
                    || !GetText(ae, "alarm_algorithm_type", &a.alarm_algorithm_type)
                    || !GetInt(ae, "alarm_result", &a.alarm_result))
                    break;
                d.alarms.insert(a.alarm_area_num - 1, a);
            }
            cam.detects.insert(d.time - 1, d);
        }
    }
    valid = 1;
    return RecordLoad::Complete;
}

bool CNT_Path_Statistics::KeysValid() const
{
    for (auto c = cameras.cbegin(); c != cameras.cend(); ++c) {
        if (c.key() < 0 || c.key() > 7)
            return false;
        for (auto d = c->detects.cbegin(); d != c->detects.cend(); ++d)
            if (d.key() < 0 || d.key() > 7)
                return false;
    }
    return true;
}

void CNT_Path_Statistics::CountNg(int camera, int stage, int roi)
{
    if (!cameras.contains(camera)) {
        CNT_Path_Statistics_Camera fresh;
        fresh.camera_id = QByteArray::number(camera + 1);
        cameras.insert(camera, fresh);
    }
    CNT_Path_Statistics_Camera& cam = cameras[camera];
    auto d = cam.detects.find(stage);
    if (d == cam.detects.end()) {
        CNT_Path_Statistics_Detect fresh;
        fresh.time = stage + 1;
        d = cam.detects.insert(stage, fresh);
    }
    auto a = d->alarms.find(roi);
    if (a == d->alarms.end()) {
        CNT_Path_Statistics_Alarm fresh;
        fresh.alarm_area_num = roi + 1;
        fresh.alarm_result = 1;
        d->alarms.insert(roi, fresh);
    } else {
        ++a->alarm_result;
    }
}

void CNT_Path_Statistics::Compute(const Inputs& in)
{
    qint64 watch = 0, ng = 0;
    utc_watch_total = in.nowMs - start_utc - qint64(in.stopMinutes) * 60000;
    for (int c = 0; c < in.cameras && c < 8; ++c) {
        watch = qMax<qint64>(watch, in.all ? in.all[c] : 0);
        ng = qMax<qint64>(ng, in.fail ? in.fail[c] : 0);
    }
    watch_count_total = int(watch);
    ng_count_total = int(ng);
    ng_notification_rate = ReportRate(ng, watch);
    real_produce = (watch - ng) * in.cavity;
    watch_circle = qint64(in.cycleTime) * 100;
    product_name = in.productName;
    product_serial = QByteArray::number(in.batch);
    products_num = in.capacity;
    for (auto c = cameras.begin(); c != cameras.end(); ++c) {
        c->disalarm_timeout_time = 1;
        c->last_monitor_period = total_stop_alarm_timelen;
        c->now_monitor_period = in.nowPeriod;
        c->average_monitor_period = in.averagePeriod;
        const qint64 fail = in.fail ? in.fail[c.key()] : 0;
        const qint64 all = in.all ? in.all[c.key()] : 0;
        for (auto d = c->detects.begin(); d != c->detects.end(); ++d) {
            d->ng_sum = int(fail);
            d->produce = int(products_num);
            d->monitor_times = int(all);
            d->ok_num = int(all - fail);
            d->ok_rate = ReportRate(all - fail, all);
            d->not_ok_num = int(fail);
            d->not_ok_rate = ReportRate(fail, all);
        }
    }
}

QByteArray CNT_Path_Statistics::ToJson(const QString& host, int runState, qint64 nowMs, const QString& ngImage) const
{
    Doc doc;
    cJSON* o = doc.get();
    Text(o, "device_id", host);
    Num(o, "state", ReportStateCode(runState));
    Text(o, "product_name", product_name);
    Text(o, "product_serial", product_serial);
    Num(o, "products_num", products_num);
    Num(o, "start_utc", start_utc);
    Num(o, "real_produce", real_produce);
    Num(o, "utc_watch_total", utc_watch_total);
    Num(o, "total_stop_alarm_timelen", total_stop_alarm_timelen);
    Num(o, "watch_count_total", watch_count_total);
    Num(o, "ng_count_total", ng_count_total);
    Num(o, "ng_notification_rate", ng_notification_rate);
    Num(o, "watch_circle", watch_circle);
    Num(o, "utc", nowMs);
    Text(o, "ng_image", ngImage);
    cJSON* camera = cJSON_CreateObject();
    cJSON_AddItemToObject(o, "camera", camera);
    cJSON* ngList = Array(camera, "ng");
    for (const CNT_Path_Statistics_Camera& c : cameras) {
        cJSON* ce = Object(ngList);
        Text(ce, "camera_id", c.camera_id);
        Num(ce, "disalarm_timeout_time", c.disalarm_timeout_time);
        Num(ce, "last_monitor_period", c.last_monitor_period);
        Num(ce, "now_monitor_period", c.now_monitor_period);
        Num(ce, "average_monitor_period", c.average_monitor_period);
        cJSON* monitors = Array(ce, "ng_monitors");
        for (const CNT_Path_Statistics_Detect& d : c.detects) {
            cJSON* de = Object(monitors);
            Num(de, "time", d.time);
            Num(de, "ng_sum", d.ng_sum);
            Num(de, "produce", d.produce);
            Num(de, "monitor_times", d.monitor_times);
            Num(de, "ok_num", d.ok_num);
            Num(de, "ok_rate", d.ok_rate);
            Num(de, "not_ok_num", d.not_ok_num);
            Num(de, "not_ok_rate", d.not_ok_rate);
            cJSON* alarms = Array(de, "alarm");
            for (const CNT_Path_Statistics_Alarm& a : d.alarms) {
                cJSON* ae = Object(alarms);
                Num(ae, "alarm_area_num", a.alarm_area_num);
                Text(ae, "alarm_algorithm_type", a.alarm_algorithm_type);
                Num(ae, "alarm_result", a.alarm_result);
            }
        }
    }
    return Print(o);
}

bool CNT_Path_Statistics::SaveToFile(const char* buf, int size) const
{
    return WriteRecordFile(FilePath(), QByteArray(buf, size));
}

// ---- reminders

QByteArray CNT_Path_Remind::ToJson(const QString& host) const
{
    Doc doc;
    cJSON* o = doc.get();
    Text(o, "device_id", host);
    Num(o, "utc", utc);
    Num(o, "notification_utc", notification_utc);
    Num(o, "duration", duration);
    Text(o, "description", description);
    Text(o, "operator_id", operator_id);
    return Print(o);
}

bool CNT_Path_Remind::SaveToFile(const char* buf, int size) const
{
    QByteArray text;
    Doc file(ReadRecordFile(FilePath(), &text) ? cJSON_Parse(text.constData()) : nullptr);
    Doc fresh(file ? nullptr : cJSON_CreateObject());
    cJSON* root = file ? file.get() : fresh.get();
    cJSON* list = cJSON_GetObjectItem(root, "remind");
    if (!list || !cJSON_IsArray(list)) {
        cJSON_DeleteItemFromObject(root, "remind");
        list = Array(root, "remind");
    }
    cJSON* item = cJSON_Parse(QByteArray(buf, size).constData());
    if (item)
        cJSON_AddItemToArray(list, item);
    return WriteRecordFile(FilePath(), Print(root));
}

bool CNT_Path_Remind::Remove(qint64 utc)
{
    QByteArray text;
    if (!ReadRecordFile(FilePath(), &text))
        return false;
    Doc doc(cJSON_Parse(text.constData()));
    if (!doc)
        return false;
    cJSON* list = cJSON_GetObjectItem(doc.get(), "remind");
    for (int i = cJSON_GetArraySize(list) - 1; i >= 0; --i) {
        qint64 u = 0;
        if (GetNum(cJSON_GetArrayItem(list, i), "utc", &u) && u == utc)
            cJSON_DeleteItemFromArray(list, i);
    }
    return WriteRecordFile(FilePath(), Print(doc.get()));
}
