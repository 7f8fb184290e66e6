#pragma once
// The NG picture slots and their writer. The verdict renders NG and OK pictures into in-memory
// slots per camera, stage and kind on the GUI thread and hands over the slots it wants kept: the
// hand-over copies them out under pMutexSaveFail, so the next NG may paint the slot again at once,
// and the writer thread writes each picture handed over, in order, as
// "./alarmimage/camera<c>/detect<d>/NG|OK/[<first NG region>_]<yyyy-MM-dd_hh.mm.ss>.jpg" (a name
// already on the disk, as under a clock set back, gets "-<n>" before ".jpg": a picture never
// replaces another file), keeping each folder within its picture limit, and hands each written
// file to network reporting.
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>

#include "core/globals.h"

// Slots [camera][stage][kind]: kind 0 the NG picture, 1 the OK (or re-checked) picture; each
// gImageW x gImageH pixels of four bytes (RGB32), null until allocated.
extern uchar* gpFailImage[MAX_CAMERA][MAX_DETECT][2];
// Pictures of the slot handed over and waiting to be written (0 none).
extern int gisSaveFail[MAX_CAMERA][MAX_DETECT][2];
// Number (from 1) of the first NG region of the NG picture of [camera][stage] painted since its
// last NG hand-over (which takes it along); 0 none.
extern int gFailIndex[MAX_CAMERA][MAX_DETECT];
extern class SaveFialImageThread* gpSaveFialImageThread;

class SaveFialImageThread : public QThread {
public:
    struct Hooks {
        std::function<int()> cameraCount;          // cameras to serve (numCamera)
        std::function<int()> stageCount;           // stages to serve (gDNum)
        std::function<int(int kind)> limit;        // pictures kept per folder: NG (0) and OK (1) limits
        std::function<QString(int c, int d, int kind)> folder;  // default: the alarm picture folders
        std::function<void(const QString& path)> saved;  // a file was written (any job)
        // The first failed write after a written one (or since start): what and why.
        std::function<void(const QString& what, const QString& why)> failed;
        std::function<QDateTime()> clock;          // local time for the names
        std::function<void(int ms)> sleep;         // pause between writes and passes
        // One write(2) of a picture file's bytes: the count written, -1 on error (default write).
        std::function<long long(int fd, const char* data, long long size)> writeSome;
        // Syncs a folder a picture was renamed into (default: SyncDirectory); false with `why`.
        std::function<bool(const QString& folder, QString* why)> syncFolder;
    };

    SaveFialImageThread();
    Hooks hooks;

    // One pass over every camera and stage, writing every picture waiting there (without the
    // closing 100 ms pause). Once Finish is called it keeps only the second between a
    // re-detection's two pictures and the wait that keeps two names of a folder apart (names are
    // stamped to the second).
    // False when Finish's bound ended it with pictures left (no write begins past it).
    bool Pass();
    // At the end of the program: asks the thread to end and writes, on the calling thread, what it
    // left; every picture handed over before the call is then on the disk. False (nothing more
    // written here) when the thread did not end within `boundMs`.
    bool Finish(int boundMs);
    // Files written and files that failed since start (for supervision and tests).
    int written() const { return writtenCount.load(); }
    int failed() const { return failedCount.load(); }

    // GUI side: allocate the slots of `cameras` cameras (gImageW x gImageH each); idempotent.
    static void AllocateSlots(int cameras);
    // GUI side: copy a rendered picture into slot [c][d][kind] (converted to RGB32 of the slot's
    // size); false when the slot is missing or the size differs.
    static bool PutSlot(int c, int d, int kind, const QImage& picture);
    // The picture in slot [c][d][kind] (a copy); null when the slot is missing.
    static QImage GetSlot(int c, int d, int kind);
    // Runs on the writer thread once the picture of its job is on disk (network reporting). The
    // GUI side makes it with a copy of all it reports: the writer reads nothing the GUI writes.
    using Report = std::function<void(const QString& path)>;
    // GUI side: hand the OK and/or NG picture of [c][d] over for writing, a copy of the slot as it
    // is now; `report` goes with each. Handed over again unchanged before the writer took it, the
    // waiting picture takes the newer report. At most kWaitingPerStage hand-overs of a camera and
    // stage wait: past it the pictures are not kept, logged critical, and the answer is false.
    static bool HandOver(int c, int d, bool ok, bool ng, const Report& report = Report());
    static constexpr int kWaitingPerStage = 3;
    // GUI side: the NG picture of [c][d] that an alarm hold keeps until its outcome goes to the
    // writer at once (without a report), so a power cut during the hold does not take it. The next
    // NG hand-over of [c][d], the hold's outcome, replaces that file and only that file.
    static bool HandOverHeld(int c, int d);
    // GUI side: a new NG picture is painted in [c][d]; no later hand-over replaces a held file.
    static void ForgetHeld(int c, int d);
    // Drops every picture waiting (a fresh start of the slots).
    static void DropWaiting();

    static QString DefaultFolder(int c, int d, int kind);
    // File name (without folder) for the first NG region `index` at `when`; `copy` >= 2 names
    // the copy-th picture of that name in its folder (a clock set back).
    static QString FileName(int index, const QDateTime& when, int copy = 1);
    // Removes the oldest "*.jpg" of `folder` beyond `limit`, never the file `newest` just written.
    static void Trim(const QString& folder, int limit, const QString& newest = QString());
    // Path as reported in the statistics message: the working directory taken out, "." in front.
    static QString ReportPath(const QString& path, const QString& cwd);
    // Puts `bytes` at `path` only when every byte reached the disk: written to a temporary file
    // beside it (each write's count checked), synced, then renamed. On failure no file is left
    // and `why` says what went wrong. Never over another file unless `replace`: a taken name
    // fails with `taken` set.
    static bool WriteWhole(const QString& path, const QByteArray& bytes, QString* why,
                           const std::function<long long(int, const char*, long long)>& writeSome = {},
                           bool replace = false, bool* taken = nullptr);
    // The file a held NG picture was written to (writer thread only).
    struct HeldFile {
        QString path;
        // What tells this file from another one put under its name later (an inode is reused).
        quint64 device = 0, inode = 0, size = 0;
        qint64 changedNs = 0;
        bool written = false;
    };

protected:
    void run() override;

private:
    bool WriteOne(const QImage& picture, int c, int d, int kind, bool ngFlagged, int index, const Report& report,
                  HeldFile* held = nullptr);
    void Failed(const QString& what, const QString& why);

    std::atomic<int> writtenCount{0};
    std::atomic<int> failedCount{0};
    std::atomic<bool> finishing{false};  // Finish called: no pauses but a pair's second
    bool failing = false;  // the last write failed (writer thread only)
    // folder -> the files last written into it, newest last (writer thread only): more than a
    // second's worth, as names are stamped to the second.
    QHash<QString, QStringList> lastWritten;
    static constexpr int kRecentNames = 16;
    static constexpr int kCopies = 99;  // pictures of one name in a folder at most
    // Finish's bound, on the calling thread once the writer thread has ended (-1 none): the
    // pauses count against it as they are asked for, as a clock of the hooks may not move.
    QDeadlineTimer finishUntil;
    qint64 finishBoundMs = -1;
    qint64 pausedMs = 0;
    bool Pause(int ms);  // false, no pause, when it would outlast Finish's bound
    bool OutOfTime() const;
};
