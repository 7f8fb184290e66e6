#pragma once
// The one Qt message handler: warning, critical, fatal and info lines go to "log.txt" in the log
// directory (while the record's log switch is on), debug lines to standard error. A crash signal
// leaves a backtrace in a "logFatal<stamp>.txt" file before the process ends by the signal.
#include <QFileInfo>
#include <QList>
#include <QObject>
#include <QString>

class LogManager : public QObject {
public:
    explicit LogManager(QObject* parent = nullptr);
    ~LogManager() override;

    static LogManager* __instance;
    // "<working directory>/cnt_net/cnt_log_app/" (ends with a slash).
    static QString __CurTaskPath;

    static void outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg);
    static void sigcrash(int sig);

    static constexpr const char* kVersion = "16.0.1.7";
    static constexpr int kMaxFiles = 99;                      // files kept in the log directory
    static constexpr qint64 kRotateBytes = 8 * 1024 * 1024;   // log.txt is rotated beyond this
    // Tests shrink the cap; <= 0 restores kRotateBytes.
    static void setRotateBytes(qint64 bytes);
    // Removes the oldest files of the log directory until at most kMaxFiles remain.
    static void pruneLogDir();
};

// Appends every file under `path` (depth first, each folder in name order ignoring case).
void FoundAllFile(QList<QFileInfo>& list, QString path);
// Sorts by modification time, oldest first; equal times keep their order.
void SortFileByTime(QList<QFileInfo>& list);

// Older message handler, kept but not installed: appends "<Type><time>: <msg>\r\n" to
// "./cnt_net/data/mainlog.txt".
void historymessage(QtMsgType type, const char* msg);
