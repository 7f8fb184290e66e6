// The report server's messages and the report records they print.
#include "network/cnt_net.h"

#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <QFile>
#include <QMutexLocker>

#include "core/parameterstore.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "core/globals.h"
#include "network/reportbodies.h"
#include "network/reportjson.h"
#include "mainscreen/templatefiles.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/inspection/paramroi.h"
#include "vision/records/counters.h"
#include "vision/records/savefialimagethread.h"

qint64 CNT_Net::Now() const
{
    return host.nowMs ? host.nowMs() : QDateTime::currentMSecsSinceEpoch();
}

void CNT_Net::getWhichSend()
{
    for (int t = 0; t < SEND_TYPE_COUNT; ++t)
        whichSend.insert(SendType(t), true);
    QByteArray text;
    if (!ReadRecordFile("./cnt_net/whichsend.config", &text))
        return;
    reportjson::Doc doc(cJSON_Parse(QString::fromLatin1(text).toLatin1().constData()));
    if (!doc)
        return;
    for (int t = 0; t < SEND_TYPE_COUNT; ++t) {
        const cJSON* item = cJSON_GetObjectItem(doc.get(), QByteArray::number(t).constData());
        if (item)
            whichSend.insert(SendType(t), !cJSON_IsFalse(item));
    }
}

// ---- plain messages

void CNT_Net::CNT_SendRecord(QDateTime const& time, QString const& operater, QString const& description)
{
    CNT_Enqueue(SEND_RECORD, reportbody::Record(cardInForce.hostName, operater, time.toMSecsSinceEpoch(), description));
}

void CNT_Net::CNT_SendParam()
{
    if (!gpWPara)
        return;
    reportbody::ParamCounts counts;
    counts.language = gLan;
    counts.all = gAllNum;
    counts.fail = gFailNum;
    counts.serials = gSerialNB;
    CNT_Enqueue(SEND_PARAM, reportbody::Param(*gpWPara, cardInForce.hostName, counts));
}

void CNT_Net::CNT_SendAlarmPic(QString const& path)
{
    CNT_Enqueue(SEND_ALARM_PIC, path.toUtf8());
}

void CNT_Net::CNT_SendTempPic(QString const& path)
{
    CNT_Enqueue(SEND_TEMP_PIC, path.toUtf8());
}

void CNT_Net::CNT_SendROIParam(int camera, int stage)
{
    if (!whichSend.value(SEND_ROI_PARAM) || !host.regionModel || stage < 0 || stage >= MAX_DETECT)
        return;
    const CammerSingleton* model = host.regionModel(camera);
    if (model)
        CNT_Enqueue(SEND_ROI_PARAM, reportbody::RoiParam(*model, cardInForce.hostName, camera, stage));
}

void CNT_Net::CNT_SendDelTempPic(int camera, int stage, QString const& templateName)
{
    QByteArray operatorId;
    {
        QMutexLocker lock(&recordsMutex_);
        operatorId = manualStop_.operator_id;
    }
    CNT_Enqueue(SEND_DEL_TEMP_PIC,
                reportbody::DelTempPic(cardInForce.hostName, camera, stage, templateName, Now(), operatorId));
}

void CNT_Net::CNT_SendGetProduct()
{
    CNT_Enqueue(SEND_GET_PRODUCT, QByteArray());
}

void CNT_Net::CNT_SendGetRemindList()
{
    CNT_Enqueue(SEND_GET_REMIND_LIST, QByteArray());
}

void CNT_Net::CNT_SendSaveNgVideo(int camera, int isng)
{
    QByteArray product;
    {
        QMutexLocker lock(&recordsMutex_);
        product = statistics_.product_name;
    }
    CNT_Enqueue(SEND_SAVE_NG_VIDEO, reportbody::SaveNgVideo(cardInForce.hostName, camera, product, isng));
}

void CNT_Net::CNT_SendTelInfo(int check, int count)
{
    if (!gpWPara)
        return;
    CNT_Enqueue(SEND_TEL_INFO, reportbody::TelInfo(cardInForce.hostName, check, count,
                                                   reportbody::RecordText(gpWPara->CntNet_MsgTechName),
                                                   reportbody::RecordText(gpWPara->CntNet_MsgTechNum)));
}

void CNT_Net::CNT_SendStatistics_Once(QList<param_roi> const& rows, bool result, int trigger)
{
    if (!gpWPara || !whichSend.value(SEND_STATISTICS_ONCE))
        return;
    reportbody::OnceContext c;
    c.host = cardInForce.hostName;
    c.utcMs = Now();
    c.runState = HostRunState();
    c.trigger = trigger;
    c.result = result;
    c.cameras = numCamera;
    c.all = gAllNum;
    c.fail = gFailNum;
    bindTime = c.utcMs;
    CNT_Enqueue(SEND_STATISTICS_ONCE, reportbody::StatisticsOnce(rows, *gpWPara, c));
}

void CNT_Net::CNT_SendRunState()
{
    CNT_Enqueue(SEND_RUN_STATE, reportbody::RunState(cardInForce.hostName, HostRunState(), Now()));
}

void CNT_Net::CNT_SendCancle()
{
    const int method = host.releaseMethod ? host.releaseMethod() : 0;
    const QByteArray op = gpWPara ? reportbody::RecordText(gpWPara->CntNet_Operator) : QByteArray();
    CNT_Enqueue(SEND_CANCLE, reportbody::Cancle(cardInForce.hostName, bindTime, Now(), method, op));
}

// ---- reminders

void CNT_Net::CNT_SendAddRemind(CNT_Path_Remind& remind)
{
    if (!whichSend.value(SEND_ADD_REMIND))
        return;
    const QByteArray body = remind.ToJson(cardInForce.hostName);
    CNT_Enqueue(SEND_ADD_REMIND, body);
    remind.SaveToFile(body.constData(), body.size());
}

void CNT_Net::CNT_SendDelRemind(qint64 utc)
{
    if (!whichSend.value(SEND_DEL_REMIND))
        return;
    reportjson::Doc doc;
    reportjson::Text(doc.get(), "device_id", cardInForce.hostName);
    reportjson::Num(doc.get(), "utc", utc);
    CNT_Enqueue(SEND_DEL_REMIND, reportjson::Print(doc.get()));
    CNT_Path_Remind::Remove(utc);
}

// ---- the records

void CNT_Net::InitManualStop()
{
    QMutexLocker lock(&recordsMutex_);
    manualStop_ = CNT_Path_ManualStop();
    QByteArray text;
    if (!ReadRecordFile(CNT_Path_ManualStop::FilePath(), &text))
        return;
    if (manualStop_.Load(text) == RecordLoad::Incomplete)
        QFile::remove(CNT_Path_ManualStop::FilePath());
}

void CNT_Net::InitStatistics()
{
    QMutexLocker lock(&recordsMutex_);
    InitStatisticsLocked();
}

void CNT_Net::InitStatisticsLocked()
{
    // From the construction values: a reset must start afresh and a damaged camera entry must not
    // survive into the next record.
    statistics_ = CNT_Path_Statistics(Now());
    QByteArray text;
    if (!ReadRecordFile(CNT_Path_Statistics::FilePath(), &text))
        return;
    if (statistics_.Load(text) == RecordLoad::Incomplete)
        QFile::remove(CNT_Path_Statistics::FilePath());
}

QByteArray CNT_Net::CNT_RecordManualStop()
{
    const int state = HostRunState();
    QMutexLocker lock(&recordsMutex_);
    manualStop_.Apply(state, Now(), gpWPara ? reportbody::RecordText(gpWPara->CntNet_Operator) : QByteArray());
    const QByteArray body = manualStop_.ToJson(cardInForce.hostName, state);
    manualStop_.SaveToFile(body.constData(), body.size());
    return body;
}

void CNT_Net::CNT_SendManualStop()
{
    // The record follows the run state even with the message switched off.
    const QByteArray body = CNT_RecordManualStop();
    if (whichSend.value(SEND_MANUAL_STOP))
        CNT_Enqueue(SEND_MANUAL_STOP, body);
}

void CNT_Net::ChkandAddStaticticsItem(int camera, int stage, int roi)
{
    QMutexLocker lock(&recordsMutex_);
    statistics_.CountNg(camera, stage, roi);
}

void CNT_Net::CNT_AddNgTimes(int ms)
{
    QMutexLocker lock(&recordsMutex_);
    statistics_.total_stop_alarm_timelen += ms;
    ngHistory_.append(ms);
}

int CNT_Net::CNT_AddCycle()
{
    QMutexLocker lock(&recordsMutex_);
    return AddCycleLocked();
}

int CNT_Net::AddCycleLocked()
{
    if (ngHistory_.size() > 100)
        ngHistory_.removeFirst();
    if (ngHistory_.isEmpty())
        return 0;
    qint64 sum = 0;
    for (int v : ngHistory_)
        sum += v;
    return int(sum / ngHistory_.size());
}

CNT_Net::StatisticsFacts CNT_Net::CurrentStatisticsFacts() const
{
    StatisticsFacts f;
    f.runState = HostRunState();
    f.cameras = numCamera;
    std::copy(gAllNum, gAllNum + MAX_CAMERA, f.all);
    std::copy(gFailNum, gFailNum + MAX_CAMERA, f.fail);
    f.cycleTime = host.cycleTime ? host.cycleTime() : 0;
    if (gpWPara) {
        f.hasRecord = true;
        f.cavity = gpWPara->cavity;
        f.productName = reportbody::RecordText(gpWPara->CntNet_ProName);
        f.batch = gpWPara->product_batch;
        f.capacity = gpWPara->expected_capacity;
    }
    return f;
}

void CNT_Net::CNT_SendStatistics(QString const& ng_image)
{
    if (whichSend.value(SEND_STATISTICS))
        CNT_SendStatistics(ng_image, CurrentStatisticsFacts());
}

void CNT_Net::CNT_SendStatistics(QString const& ng_image, const StatisticsFacts& facts)
{
    if (!whichSend.value(SEND_STATISTICS))
        return;
    const qint64 now = Now();
    QByteArray body;
    {
        // The GUI thread and the NG picture writer both send: one record, one file, in order.
        QMutexLocker lock(&recordsMutex_);
        if (!statistics_.KeysValid()) {
            qWarning("statistics record damaged (camera or stage out of range): started afresh");
            QFile::remove(CNT_Path_Statistics::FilePath());
            InitStatisticsLocked();
            return;
        }
        CNT_Path_Statistics::Inputs in;
        in.nowMs = now;
        in.stopMinutes = manualStop_.stop_check_timelen;
        in.cameras = facts.cameras;
        in.all = facts.all;
        in.fail = facts.fail;
        in.cycleTime = facts.cycleTime;
        in.nowPeriod = ngHistory_.isEmpty() ? 0 : ngHistory_.last();
        in.averagePeriod = AddCycleLocked();
        if (facts.hasRecord) {
            in.cavity = facts.cavity;
            in.productName = facts.productName;
            in.batch = facts.batch;
            in.capacity = facts.capacity;
        }
        statistics_.Compute(in);
        body = statistics_.ToJson(cardInForce.hostName, facts.runState, now, ng_image);
        statistics_.SaveToFile(body.constData(), body.size());
        // Queued under the records' lock so the client sees the records in the file's order.
        CNT_Enqueue(SEND_STATISTICS, body);
    }
}

CNT_Path_ManualStop CNT_Net::manualStopRecord() const
{
    QMutexLocker lock(&recordsMutex_);
    return manualStop_;
}

CNT_Path_Statistics CNT_Net::statisticsRecord() const
{
    QMutexLocker lock(&recordsMutex_);
    return statistics_;
}

QVector<int> CNT_Net::ngHistoryCopy() const
{
    QMutexLocker lock(&recordsMutex_);
    return ngHistory_;
}

void InstallReportSeams()
{
    const auto linked = [] { return gpWPara && gpWPara->cnt_net_enabled && gpNet && gpNet->isopen && gpNet->connected; };
    gParamStoreHooks.sendParamReport = [linked] {
        if (linked())
            gpNet->CNT_SendParam();
    };
    TemplateFiles::reportDeleted = [linked](int camera, int stage, const QString& name) {
        if (linked())
            gpNet->CNT_SendDelTempPic(camera, stage, name);
    };
}

std::function<void(const QString& path)> PictureSavedReport()
{
    if (!gpWPara || !gpWPara->cnt_net_enabled || !gpNet || !gpNet->isopen)
        return {};
    CNT_Net* net = gpNet;
    const CNT_Net::StatisticsFacts facts = net->CurrentStatisticsFacts();
    return [net, facts](const QString& path) {
        if (!net->connected)
            return;
        net->CNT_SendAlarmPic(path);
        net->CNT_SendStatistics(SaveFialImageThread::ReportPath(path, QDir::currentPath()), facts);
    };
}
