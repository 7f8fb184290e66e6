#pragma once
// The report records that survive a restart as JSON files in "./cnt_net/data/": the manual stop,
// the production statistics and the reminder list. Their messages (types 10, 7, 12, 13) print the
// records; the same text is written to the file on every send and read back at start. Files are
// read whole and replaced atomically, so a power cut leaves the old or the new record.
#include <QByteArray>
#include <QMap>
#include <QString>

// How loading a record file went.
enum class RecordLoad {
    NoFile,      // the file cannot be read: nothing changed
    NotJson,     // not JSON: nothing changed, the file stays
    Incomplete,  // a member was missing: what was read stays, the file is to be deleted
    Complete
};

// Reads a record file whole (up to a zero byte); false when it cannot be opened.
bool ReadRecordFile(const QString& path, QByteArray* text);
// Replaces a record file atomically; on failure "open" and the reason go to the error output.
bool WriteRecordFile(const QString& path, const QByteArray& text);
// The "state" member of types 7 and 10: stopped 1, detecting 0, anything else 2.
int ReportStateCode(int runState);

struct CNT_Path_ManualStop {
    static QString FilePath() { return QStringLiteral("./cnt_net/data/ManualStop"); }

    CNT_Path_ManualStop();
    RecordLoad Load(const QByteArray& text);
    // A start or stop of detection at nowMs: a stop opens the time slot, the next start closes it
    // and adds the minutes.
    void Apply(int runState, qint64 nowMs, const QByteArray& operatorText);
    QByteArray ToJson(const QString& host, int runState) const;
    bool SaveToFile(const char* buf, int size) const;

    int valid = 1;
    qint64 utc;
    QByteArray stop_check_timeslot;
    int stop_check_timelen = 0;  // minutes
    int timeout_time = 0;
    QByteArray operator_id = "--";
    QByteArray disalarm_operator_id = "--";
    QByteArray stop_check_reason = "--";
};

struct CNT_Path_Statistics_Alarm {
    int alarm_area_num = 0;  // region number from 1
    QByteArray alarm_algorithm_type = "----";
    int alarm_result = 0;    // NG verdicts the region caused
};

struct CNT_Path_Statistics_Detect {
    int time = 0;  // stage number from 1
    int ng_sum = 0, produce = 0, monitor_times = 0, ok_num = 0, ok_rate = 0, not_ok_num = 0, not_ok_rate = 0;
    QMap<int, CNT_Path_Statistics_Alarm> alarms;  // by region index
};

struct CNT_Path_Statistics_Camera {
    QByteArray camera_id = "1";
    int disalarm_timeout_time = 0;
    qint64 last_monitor_period = 0, now_monitor_period = 0, average_monitor_period = 0;
    QMap<int, CNT_Path_Statistics_Detect> detects;  // by stage index
};

struct CNT_Path_Statistics {
    static QString FilePath() { return QStringLiteral("./cnt_net/data/Statistics"); }

    // What a statistics message computes from.
    struct Inputs {
        qint64 nowMs = 0;
        int stopMinutes = 0;          // stop_check_timelen of the manual-stop record
        int cameras = 0;
        const int* all = nullptr;     // inspections per camera
        const int* fail = nullptr;    // NG inspections per camera
        int cavity = 0;
        int cycleTime = 0;            // tenths of a second
        qint64 nowPeriod = 0, averagePeriod = 0;
        QByteArray productName;
        int batch = 0;
        int capacity = 0;
    };

    explicit CNT_Path_Statistics(qint64 nowMs = 0);
    RecordLoad Load(const QByteArray& text);
    // Every camera and stage key within 0..7 (a damaged record is thrown away, not sent).
    bool KeysValid() const;
    // One NG of region `roi` (indices from 0).
    void CountNg(int camera, int stage, int roi);
    // The totals, rates and per-camera figures of a statistics message (keys must be valid).
    void Compute(const Inputs& in);
    QByteArray ToJson(const QString& host, int runState, qint64 nowMs, const QString& ngImage) const;
    bool SaveToFile(const char* buf, int size) const;

    int valid = 1;
    QByteArray product_name = "no set";
    QByteArray product_serial = "1";
    qint64 products_num = 10000;
    qint64 start_utc = 0;
    qint64 real_produce = 0;
    qint64 utc_watch_total = 0;
    qint64 total_stop_alarm_timelen = 0;
    int watch_count_total = 0, ng_count_total = 0, ng_notification_rate = 0;
    qint64 watch_circle = 0;
    QMap<int, CNT_Path_Statistics_Camera> cameras;  // by camera index
};

struct CNT_Path_Remind {
    static QString FilePath() { return QStringLiteral("./cnt_net/data/Remind"); }

    QByteArray ToJson(const QString& host) const;
    // Adds the reminder body `buf` to the reminder file.
    bool SaveToFile(const char* buf, int size) const;
    // Removes every reminder of `utc` from the file.
    static bool Remove(qint64 utc);

    qint64 utc = 1520307723012;
    qint64 notification_utc = 1520307874012;
    qint64 duration = 3600000;
    QByteArray description = "maintenance_cls";
    QByteArray operator_id = "mave_cls";
};

// Rate in 1/10000 computed in 64 bits; 0 when the divisor is 0.
int ReportRate(qint64 part, qint64 whole);
