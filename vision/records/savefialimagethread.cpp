#include "vision/records/savefialimagethread.h"

#include "core/fileops.h"
#include "core/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMutexLocker>
#include <QBuffer>
#include <QDeadlineTimer>
#include <algorithm>
#include <deque>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

uchar* gpFailImage[MAX_CAMERA][MAX_DETECT][2] = {};
int gisSaveFail[MAX_CAMERA][MAX_DETECT][2] = {};
int gFailIndex[MAX_CAMERA][MAX_DETECT] = {};
SaveFialImageThread* gpSaveFialImageThread = nullptr;

namespace {

bool ValidSlot(int c, int d, int kind)
{
    return c >= 0 && c < MAX_CAMERA && d >= 0 && d < MAX_DETECT && (kind == 0 || kind == 1);
}

qint64 SlotBytes() { return qint64(gImageW) * gImageH * 4; }

qint64 ModifiedNs(const struct stat& st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool SameFile(const struct stat& st, const SaveFialImageThread::HeldFile& f)
{
    return quint64(st.st_dev) == f.device && quint64(st.st_ino) == f.inode && quint64(st.st_size) == f.size &&
           ModifiedNs(st) == f.changedNs;
}

} // namespace

SaveFialImageThread::SaveFialImageThread()
{
    hooks.cameraCount = [] { return 0; };
    hooks.stageCount = [] { return 0; };
    hooks.limit = [](int) { return 1; };
    hooks.folder = &SaveFialImageThread::DefaultFolder;
    hooks.clock = [] { return QDateTime::currentDateTime(); };
    hooks.sleep = [](int ms) { QThread::msleep(ulong(ms)); };
    hooks.syncFolder = [](const QString& folder, QString* why) { return SyncDirectory(folder, why); };
}

namespace {
int gSlotCameras = 0;  // cameras whose slots may hold pictures (AllocateSlots)

// One hand-over of a camera and stage: its pictures as they were then, with what each reports.
struct Waiting {
    bool has[2] = {false, false};
    QImage picture[2];          // null: the slot held no picture
    quint64 generation[2] = {}; // the slot's painting it was copied from
    int index = 0;              // the first NG region then
    SaveFialImageThread::Report report[2];
    // The NG picture is (or replaces) the file of an alarm hold's picture.
    std::shared_ptr<SaveFialImageThread::HeldFile> held;
};
// Guarded by pMutexSaveFail like the slots.
std::deque<Waiting> gWaiting[MAX_CAMERA][MAX_DETECT];
quint64 gSlotGeneration[MAX_CAMERA][MAX_DETECT][2] = {};  // counts the slot's paintings
// The file of the NG picture an alarm hold handed over, for the hold's outcome to replace.
std::shared_ptr<SaveFialImageThread::HeldFile> gHeld[MAX_CAMERA][MAX_DETECT];

void DropWaitingLocked()
{
    for (int c = 0; c < MAX_CAMERA; ++c)
        for (int d = 0; d < MAX_DETECT; ++d) {
            gWaiting[c][d].clear();
            gHeld[c][d].reset();
            for (int k = 0; k < 2; ++k)
                gisSaveFail[c][d][k] = 0;
        }
}

QImage CopySlotLocked(int c, int d, int k)
{
    const uchar* slot = gpFailImage[c][d][k];
    if (!slot || gImageW <= 0 || gImageH <= 0)
        return QImage();
    QImage picture(gImageW, gImageH, QImage::Format_RGB32);
    for (int y = 0; y < gImageH; ++y)
        std::memcpy(picture.scanLine(y), slot + qint64(y) * gImageW * 4, size_t(gImageW) * 4);
    return picture;
}
}  // namespace

void SaveFialImageThread::AllocateSlots(int cameras)
{
    if (SlotBytes() <= 0)
        return;
    // Two RGBA frames per camera and stage are large (8 MB each at 1920 x 1080) and most stages
    // never hold an NG picture: a slot's memory is taken when its first picture arrives.
    QMutexLocker lock(pMutexSaveFail);
    gSlotCameras = std::clamp(cameras, 0, int(MAX_CAMERA));
    DropWaitingLocked();
}

void SaveFialImageThread::DropWaiting()
{
    QMutexLocker lock(pMutexSaveFail);
    DropWaitingLocked();
}

bool SaveFialImageThread::PutSlot(int c, int d, int kind, const QImage& picture)
{
    if (!ValidSlot(c, d, kind) || picture.width() != gImageW || picture.height() != gImageH)
        return false;
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    QMutexLocker lock(pMutexSaveFail);
    uchar*& slot = gpFailImage[c][d][kind];
    // Not zero-filled: every byte is written below, under the same lock, before anyone reads
    // it; the first NG picture of a slot costs one pass over 8 MB less on the GUI thread.
    if (!slot && c < gSlotCameras)
        slot = new uchar[size_t(SlotBytes())];
    if (!slot)
        return false;
    for (int y = 0; y < gImageH; ++y)
        std::memcpy(slot + qint64(y) * gImageW * 4, img.constScanLine(y), size_t(gImageW) * 4);
    ++gSlotGeneration[c][d][kind];
    return true;
}

QImage SaveFialImageThread::GetSlot(int c, int d, int kind)
{
    if (!ValidSlot(c, d, kind) || gImageW <= 0 || gImageH <= 0)
        return QImage();
    QImage img(gImageW, gImageH, QImage::Format_RGB32);
    QMutexLocker lock(pMutexSaveFail);
    const uchar* slot = gpFailImage[c][d][kind];
    if (!slot && c < gSlotCameras) {
        img.fill(Qt::black);  // a slot that has held no picture yet
        return img;
    }
    if (!slot)
        return QImage();
    for (int y = 0; y < gImageH; ++y)
        std::memcpy(img.scanLine(y), slot + qint64(y) * gImageW * 4, size_t(gImageW) * 4);
    return img;
}

bool SaveFialImageThread::HandOver(int c, int d, bool ok, bool ng, const Report& report)
{
    if (!ValidSlot(c, d, 0))
        return false;
    if (!ok && !ng)
        return true;
    const bool wanted[2] = {ng, ok};
    int waiting = 0;
    {
        QMutexLocker lock(pMutexSaveFail);
        std::deque<Waiting>& queue = gWaiting[c][d];
        if (!queue.empty()) {
            // The same pictures again, not yet taken: one file each, with the newer report.
            Waiting& last = queue.back();
            bool same = true;
            for (int k = 0; k < 2; ++k)
                same = same && last.has[k] == wanted[k] &&
                       (!wanted[k] || last.generation[k] == gSlotGeneration[c][d][k]);
            if (same) {
                for (int k = 0; k < 2; ++k)
                    if (wanted[k])
                        last.report[k] = report;
                // The hold's picture not yet written is its outcome too.
                if (ng && last.held && last.held == gHeld[c][d]) {
                    gHeld[c][d].reset();
                    gFailIndex[c][d] = 0;
                }
                return true;
            }
        }
        waiting = int(queue.size());
        const int index = gFailIndex[c][d];
        std::shared_ptr<HeldFile> held;
        // The next NG picture names its own first NG region, painted before this one is written.
        if (ng) {
            gFailIndex[c][d] = 0;
            held = std::move(gHeld[c][d]);
            gHeld[c][d].reset();
        }
        if (waiting < kWaitingPerStage) {
            Waiting w;
            w.index = index;
            w.held = std::move(held);
            for (int k = 0; k < 2; ++k) {
                if (!wanted[k])
                    continue;
                w.has[k] = true;
                w.picture[k] = CopySlotLocked(c, d, k);
                w.generation[k] = gSlotGeneration[c][d][k];
                w.report[k] = report;
                ++gisSaveFail[c][d][k];
            }
            queue.push_back(std::move(w));
            return true;
        }
    }
    // Memory is bounded: a writer this far behind is stuck on its disk.
    qCritical("camera %d stage %d: %s picture not kept, %d hand-overs still wait to be written", c + 1, d + 1,
              ng && ok ? "NG and OK" : ng ? "NG" : "OK", waiting);
    return false;
}

bool SaveFialImageThread::HandOverHeld(int c, int d)
{
    if (!ValidSlot(c, d, 0))
        return false;
    int waiting = 0;
    {
        QMutexLocker lock(pMutexSaveFail);
        std::deque<Waiting>& queue = gWaiting[c][d];
        gHeld[c][d].reset();
        waiting = int(queue.size());
        if (waiting < kWaitingPerStage) {
            Waiting w;
            // The first NG region stays for the outcome's hand-over, which names a file of its
            // own should this one not be written.
            w.index = gFailIndex[c][d];
            w.has[0] = true;
            w.picture[0] = CopySlotLocked(c, d, 0);
            w.generation[0] = gSlotGeneration[c][d][0];
            w.held = std::make_shared<HeldFile>();
            gHeld[c][d] = w.held;
            ++gisSaveFail[c][d][0];
            queue.push_back(std::move(w));
            return true;
        }
    }
    qCritical("camera %d stage %d: the held NG picture not kept, %d hand-overs still wait to be written", c + 1,
              d + 1, waiting);
    return false;
}

void SaveFialImageThread::ForgetHeld(int c, int d)
{
    if (!ValidSlot(c, d, 0))
        return;
    QMutexLocker lock(pMutexSaveFail);
    gHeld[c][d].reset();
}

QString SaveFialImageThread::DefaultFolder(int c, int d, int kind)
{
    return QString("%1//camera%2//detect%3//%4")
        .arg(QStringLiteral("./alarmimage"))
        .arg(c + 1)
        .arg(d + 1)
        .arg(kind == 0 ? QStringLiteral("NG") : QStringLiteral("OK"));
}

QString SaveFialImageThread::FileName(int index, const QDateTime& when, int copy)
{
    QString stamp = when.toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
    if (copy >= 2)
        stamp += QStringLiteral("-%1").arg(copy);
    return (index >= 1 ? QString("%1_%2").arg(index).arg(stamp) : stamp) + QStringLiteral(".jpg");
}

void SaveFialImageThread::Trim(const QString& folder, int limit, const QString& newest)
{
    QDir dir(folder);
    const QFileInfoList files =
        dir.entryInfoList(QStringList() << QStringLiteral("*.jpg"), QDir::Files, QDir::Time);
    const QString keepPath = newest.isEmpty() ? QString() : QFileInfo(newest).absoluteFilePath();
    int kept = keepPath.isEmpty() ? 0 : 1;  // the new file counts first, whatever its time stamp
    for (const QFileInfo& f : files) {
        if (f.absoluteFilePath() == keepPath)
            continue;
        if (kept < qMax(limit, 1))
            ++kept;
        else
            QFile::remove(f.absoluteFilePath());
    }
}

bool SaveFialImageThread::WriteWhole(const QString& path, const QByteArray& bytes, QString* why,
                                     const std::function<long long(int, const char*, long long)>& writeSome,
                                     bool replace, bool* taken)
{
    if (taken)
        *taken = false;
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = target + ".part";  // not "*.jpg": never counted or trimmed as a picture
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    auto fail = [&](const QString& what) {
        *why = what;
        ::close(fd);
        ::unlink(temp.constData());
        return false;
    };
    long long done = 0;
    while (done < bytes.size()) {
        const long long n = writeSome ? writeSome(fd, bytes.constData() + done, bytes.size() - done)
                                      : ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(QString("%1 of %2 bytes written: %3")
                            .arg(done)
                            .arg(bytes.size())
                            .arg(n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("device full")));
        done += n;
    }
    if (::fdatasync(fd) != 0)
        return fail(QStringLiteral("not synced: ") + QString::fromLocal8Bit(std::strerror(errno)));
    if (::close(fd) != 0) {
        *why = QStringLiteral("not closed: ") + QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(temp.constData());
        return false;
    }
    FileOps* ops = FileOps::instance();
    if ((replace ? ops->rename(temp.constData(), target.constData())
                 : ops->renameNoReplace(temp.constData(), target.constData())) != 0) {
        if (taken)
            *taken = !replace && errno == EEXIST;
        *why = QStringLiteral("not renamed: ") + QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

QString SaveFialImageThread::ReportPath(const QString& path, const QString& cwd)
{
    QString rel = path;
    rel.remove(cwd);
    return QStringLiteral(".") + rel;
}

bool SaveFialImageThread::WriteOne(const QImage& picture, int c, int d, int kind, bool ngFlagged, int index,
                                   const Report& report, HeldFile* held)
{
    // The OK picture of a re-detection goes beside its NG picture.
    const int folderKind = (kind == 0 || ngFlagged) ? 0 : 1;
    const int limit = hooks.limit ? hooks.limit(folderKind) : 1;
    const QString folder = hooks.folder ? hooks.folder(c, d, folderKind) : DefaultFolder(c, d, folderKind);
    QDir dir(folder);
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        Failed(folder, QStringLiteral("folder cannot be made"));
        return false;
    }
    const QString folderPath = dir.absolutePath();
    QString path;
    bool replace = false;
    if (held && held->written) {
        // The outcome of an alarm hold goes into the file of its held picture, whatever the clock
        // says now; a file of another picture under that name is never replaced.
        struct stat st {};
        if (::lstat(QFile::encodeName(held->path).constData(), &st) != 0)
            path = held->path;
        else if (SameFile(st, *held))
            path = held->path, replace = true;
    }
    QDateTime when;
    if (path.isEmpty()) {
        // Names are stamped to the second: a picture does not take the name just written, it
        // waits for the next second (not only the last name: a first NG region may come back
        // after another within the second).
        when = hooks.clock();
        path = QString("%1/%2").arg(folderPath, FileName(index, when));
        auto recent = [&] { return lastWritten.value(folderPath).contains(path); };
        for (int waits = 0; recent() && waits < 3; ++waits) {
            if (!Pause(1000 - hooks.clock().time().msec())) {
                Failed(path, QStringLiteral("no new name within the stop's bound"));
                return false;
            }
            when = hooks.clock();
            path = QString("%1/%2").arg(folderPath, FileName(index, when));
        }
    }
    // Encoded in memory first: an encoder that ignores a short write cannot hide it.
    QByteArray bytes;
    QString error;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        if (!writer.write(picture) || bytes.isEmpty())
            error = QStringLiteral("not encoded: ") + writer.errorString();
    }
    if (!error.isEmpty()) {
        Failed(path, error);
        return false;
    }
    // A name taken on the disk (a clock set back, or standing still) gets a copy number: a
    // picture never replaces another file.
    for (int copy = 1;;) {
        bool taken = !replace && QFileInfo::exists(path);
        if (!taken && WriteWhole(path, bytes, &error, hooks.writeSome, replace, &taken))
            break;
        if (!taken || copy >= kCopies) {
            Failed(path, taken ? QStringLiteral("every copy number of this name is taken") : error);
            return false;
        }
        if (!when.isValid()) {
            // The held picture's name was taken meanwhile: a name of the clock's.
            when = hooks.clock();
            path = QString("%1/%2").arg(folderPath, FileName(index, when));
            continue;
        }
        path = QString("%1/%2").arg(folderPath, FileName(index, when, ++copy));
    }
    if (held) {
        struct stat st {};
        held->written = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
        held->path = path;
        held->device = quint64(st.st_dev);
        held->inode = quint64(st.st_ino);
        held->size = quint64(st.st_size);
        held->changedNs = ModifiedNs(st);
    }
    // The rename is on the disk only once its folder is synced: a power cut keeps a picture told
    // saved. The file is whole and in place either way, so a failed sync is told, not undone.
    QString unsynced;
    if (hooks.syncFolder && !hooks.syncFolder(folderPath, &unsynced))
        qWarning("NG picture %s written, its folder not synced: %s", qPrintable(path), qPrintable(unsynced));
    // Older pictures make room only once the new one is on disk: a full disk loses none of them.
    Trim(folderPath, limit, path);
    QStringList& recent = lastWritten[folderPath];
    recent.removeAll(path);
    recent << path;
    if (recent.size() > kRecentNames)
        recent.removeFirst();
    ++writtenCount;
    failing = false;
    if (hooks.saved)
        hooks.saved(path);
    if (report)
        report(path);
    return true;
}

void SaveFialImageThread::Failed(const QString& what, const QString& why)
{
    qWarning("NG picture %s not saved: %s", qPrintable(what), qPrintable(why));
    ++failedCount;
    // The operator hears of the first failure of a run of them; a written picture ends the run.
    if (!failing && hooks.failed)
        hooks.failed(what, why);
    failing = true;
}

bool SaveFialImageThread::Pause(int ms)
{
    if (finishBoundMs >= 0) {
        // At the end the stop's bound holds the pauses as well as the writes.
        const qint64 left = finishUntil.remainingTime();
        if (pausedMs + ms > finishBoundMs || (left >= 0 && left < ms))
            return false;
        pausedMs += ms;
    }
    hooks.sleep(ms);
    return true;
}

bool SaveFialImageThread::OutOfTime() const
{
    return finishBoundMs >= 0 && (finishUntil.hasExpired() || pausedMs >= finishBoundMs);
}

bool SaveFialImageThread::Pass()
{
    // At the end every camera and stage is visited: a picture handed over before a change of the
    // counts is still owed.
    const bool all = finishing;
    const int cameras = all ? MAX_CAMERA : qMin(hooks.cameraCount ? hooks.cameraCount() : 0, MAX_CAMERA);
    const int stages = all ? MAX_DETECT : qMin(hooks.stageCount ? hooks.stageCount() : 0, MAX_DETECT);
    for (int c = 0; c < cameras; ++c) {
        for (int d = 0; d < stages; ++d) {
            for (;;) {
                Waiting job;
                {
                    QMutexLocker lock(pMutexSaveFail);
                    std::deque<Waiting>& queue = gWaiting[c][d];
                    if (queue.empty())
                        break;
                    if (OutOfTime())
                        return false;  // the rest stays owed: no write begins past the bound
                    job = std::move(queue.front());
                    queue.pop_front();
                    for (int k = 0; k < 2; ++k)
                        if (job.has[k])
                            --gisSaveFail[c][d][k];
                }
                for (int k = 0; k < 2; ++k) {
                    if (!job.has[k])
                        continue;
                    if (job.picture[k].isNull())
                        Failed(QString("camera %1 stage %2").arg(c + 1).arg(d + 1), QStringLiteral("no picture slot"));
                    else
                        WriteOne(job.picture[k], c, d, k, job.has[0], job.index, job.report[k],
                                 k == 0 ? job.held.get() : nullptr);
                    const bool pair = k == 0 && job.has[0] && job.has[1];
                    if ((pair || !finishing) && !Pause(pair ? 1000 : 200))
                        return false;  // the pair's second picture would begin past the bound
                }
            }
        }
    }
    return true;
}

bool SaveFialImageThread::Finish(int boundMs)
{
    const QDeadlineTimer until(boundMs);
    finishing = true;
    requestInterruption();
    if (isRunning() && !wait(until))
        return false;
    // Handed over after the thread's last look at that slot; the thread has ended, so the
    // members below are this thread's now.
    finishUntil = until;
    finishBoundMs = boundMs;
    pausedMs = 0;
    const int failedBefore = failedCount.load();
    if (!Pass() || failedCount.load() != failedBefore)
        return false;  // a picture left, or one whose write failed (it is logged)
    QMutexLocker lock(pMutexSaveFail);
    for (const auto& camera : gWaiting)
        for (const std::deque<Waiting>& queue : camera)
            if (!queue.empty())
                return false;
    return true;
}

void SaveFialImageThread::run()
{
    while (!isInterruptionRequested()) {
        Pass();
        hooks.sleep(100);
    }
}
