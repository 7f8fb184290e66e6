#pragma once
// The bodies of the report messages, built from plain values so they are checked byte for byte
// without a link. Query strings insert their values unchanged (no escaping); JSON bodies are
// cJSON_Print's formatted form with keys in the order the client expects.
#include <QByteArray>
#include <QList>
#include <QString>

struct param_roi;
struct WizardPara;
class CammerSingleton;

namespace reportbody {

// A text field of the parameter record (its 8-bit bytes), never read past its end.
QByteArray RecordText(const char (&field)[100]);

// Texts of the main window's run state (types 18, 19), of an inspection's trigger (type 18) and
// of the way an alarm was released (type 20); any other value gives the empty text.
QByteArray RunStateText(int runState);
QByteArray TriggerText(int trigger);
QByteArray ReleaseText(int method);

// Type 1: one operation record.
QByteArray Record(const QString& host, const QString& operater, qint64 utcMs, const QString& description);
// Type 11: a template deleted; camera and stage as the caller counts them (from 1).
QByteArray DelTempPic(const QString& host, int camera, int stage, const QString& templateName, qint64 utcMs,
                      const QByteArray& operatorId);
// Type 15: save (isng 1) or end (0) the NG video.
QByteArray SaveNgVideo(const QString& host, int camera, const QByteArray& product, int isng);
// Type 16: the alarm SMS; check counted from 0.
QByteArray TelInfo(const QString& host, int check, int count, const QByteArray& techName, const QByteArray& techNum);

// Type 2: every parameter of the record, with the cameras' counts and bound serials.
struct ParamCounts {
    int language = 0;
    const int* all = nullptr;          // 8 inspection counts
    const int* fail = nullptr;         // 8 NG counts
    const char (*serials)[100] = nullptr;  // 8 slot serials
};
QByteArray Param(const WizardPara& p, const QString& host, const ParamCounts& counts);

// Type 8: the regions of one camera (from 0) and stage (from 0).
QByteArray RoiParam(const CammerSingleton& model, const QString& host, int camera, int stage);

// Type 18: one inspection's result rows.
struct OnceContext {
    QString host;
    qint64 utcMs = 0;
    int runState = 0;
    int trigger = 0;
    bool result = false;
    int cameras = 0;                   // rows of other cameras are skipped
    const int* all = nullptr;
    const int* fail = nullptr;
};
QByteArray StatisticsOnce(const QList<param_roi>& rows, const WizardPara& p, const OnceContext& c);

// Type 19: the run state now.
QByteArray RunState(const QString& host, int runState, qint64 utcMs);
// Type 20: an alarm released; bindUtc is the utc of the last type 18 message.
QByteArray Cancle(const QString& host, qint64 bindUtc, qint64 utcMs, int method, const QByteArray& operatorText);

}  // namespace reportbody
