#include "vision/records/savefialimagethread.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMutexLocker>
#include <QBuffer>
#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace

SaveFialImageThread::SaveFialImageThread()
{
    hooks.cameraCount = [] { return 0; };
    hooks.stageCount = [] { return 0; };
    hooks.limit = [](int) { return 1; };
    hooks.folder = &SaveFialImageThread::DefaultFolder;
    hooks.clock = [] { return QDateTime::currentDateTime(); };
    hooks.sleep = [](int ms) { QThread::msleep(ulong(ms)); };
}

namespace {
int gSlotCameras = 0;  // cameras whose slots may hold pictures (AllocateSlots)
// What each flagged slot reports once written; guarded by pMutexSaveFail like the flags.
SaveFialImageThread::Report gSlotReport[MAX_CAMERA][MAX_DETECT][2];
}

void SaveFialImageThread::AllocateSlots(int cameras)
{
    if (SlotBytes() <= 0)
        return;
    // Two RGBA frames per camera and stage are large (8 MB each at 1920 x 1080) and most stages
    // never hold an NG picture: a slot's memory is taken when its first picture arrives.
    QMutexLocker lock(pMutexSaveFail);
    gSlotCameras = std::clamp(cameras, 0, int(MAX_CAMERA));
    for (int c = 0; c < gSlotCameras; ++c)
        for (int d = 0; d < MAX_DETECT; ++d)
            for (int k = 0; k < 2; ++k) {
                gisSaveFail[c][d][k] = 0;
                gSlotReport[c][d][k] = nullptr;
            }
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

void SaveFialImageThread::HandOver(int c, int d, bool ok, bool ng, const Report& report)
{
    if (!ValidSlot(c, d, 0))
        return;
    QMutexLocker lock(pMutexSaveFail);
    if (ng) {
        gisSaveFail[c][d][0] = 1;
        gSlotReport[c][d][0] = report;
    }
    if (ok) {
        gisSaveFail[c][d][1] = 1;
        gSlotReport[c][d][1] = report;
    }
}

QString SaveFialImageThread::DefaultFolder(int c, int d, int kind)
{
    return QString("%1//camera%2//detect%3//%4")
        .arg(QStringLiteral("./alarmimage"))
        .arg(c + 1)
        .arg(d + 1)
        .arg(kind == 0 ? QStringLiteral("NG") : QStringLiteral("OK"));
}

QString SaveFialImageThread::FileName(int index, const QDateTime& when)
{
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
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
                                     const std::function<long long(int, const char*, long long)>& writeSome)
{
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
    if (::rename(temp.constData(), target.constData()) != 0) {
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
                                   const Report& report)
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
    const QString path = QString("%1/%2").arg(dir.absolutePath(), FileName(index, hooks.clock()));
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
    if (!error.isEmpty() || !WriteWhole(path, bytes, &error, hooks.writeSome)) {
        Failed(path, error);
        return false;
    }
    // Older pictures make room only once the new one is on disk: a full disk loses none of them.
    Trim(dir.absolutePath(), limit, path);
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

void SaveFialImageThread::Pass()
{
    const int cameras = qMin(hooks.cameraCount ? hooks.cameraCount() : 0, MAX_CAMERA);
    const int stages = qMin(hooks.stageCount ? hooks.stageCount() : 0, MAX_DETECT);
    for (int c = 0; c < cameras; ++c) {
        for (int d = 0; d < stages; ++d) {
            bool f0, f1;
            int index;
            {
                QMutexLocker lock(pMutexSaveFail);
                f0 = gisSaveFail[c][d][0];
                f1 = gisSaveFail[c][d][1];
                index = gFailIndex[c][d];
            }
            for (int k = 0; k < 2; ++k) {
                QImage picture;
                Report report;
                {
                    QMutexLocker lock(pMutexSaveFail);
                    if (!gisSaveFail[c][d][k])
                        continue;
                    const uchar* slot = gpFailImage[c][d][k];
                    gisSaveFail[c][d][k] = 0;
                    report = std::move(gSlotReport[c][d][k]);
                    gSlotReport[c][d][k] = nullptr;
                    if (slot && gImageW > 0 && gImageH > 0) {
                        picture = QImage(gImageW, gImageH, QImage::Format_RGB32);
                        for (int y = 0; y < gImageH; ++y)
                            std::memcpy(picture.scanLine(y), slot + qint64(y) * gImageW * 4,
                                        size_t(gImageW) * 4);
                    }
                }
                if (picture.isNull()) {
                    Failed(QString("camera %1 stage %2").arg(c + 1).arg(d + 1), QStringLiteral("no picture slot"));
                } else {
                    WriteOne(picture, c, d, k, f0, index, report);
                }
                const bool pair = k == 0 && f0 && f1;
                if (pair || !finishing)
                    hooks.sleep(pair ? 1000 : 200);
            }
            if (f0) {
                QMutexLocker lock(pMutexSaveFail);
                gFailIndex[c][d] = 0;
            }
        }
    }
}

bool SaveFialImageThread::Finish(int boundMs)
{
    finishing = true;
    requestInterruption();
    if (isRunning() && !wait(QDeadlineTimer(boundMs)))
        return false;
    // Handed over after the thread's last look at that slot.
    Pass();
    return true;
}

void SaveFialImageThread::run()
{
    while (!isInterruptionRequested()) {
        Pass();
        hooks.sleep(100);
    }
}
