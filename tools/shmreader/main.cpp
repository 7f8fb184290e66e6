// shmreader: a reader of one shared video channel, as the report client reads it.
//
//   shmreader --shmid N --semid N --width W --height H [--out FILE] [--hold MS] [--keep]
//             [--count N] [--every MS]
//
// Attaches the segment read-only, takes the semaphore (waiting for it), copies the I420 frame
// (W x H x 3 / 2 bytes), keeps the semaphore MS ms more (--hold) and gives it back, unless --keep,
// which leaves with the semaphore taken (a client that died holding it). Reads --count frames
// (default 1) --every MS apart. Each read prints one line: "frame <n> y <Y> u <U> v <V>" with the
// planes' first samples, and "held" once the semaphore is taken. FILE gets the last frame: raw
// I420, or a picture when it ends in ".png". Exit code 1 on a bad id or argument.
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <QFile>
#include <QString>
#include <QStringList>

int main(int argc, char** argv)
{
    int shmid = -1, semid = -1, width = 0, height = 0, holdMs = 0, count = 1, everyMs = 50;
    bool keep = false;
    QString out;
    for (int i = 1; i < argc; ++i) {
        const QString a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--keep")
            keep = true;
        else if (a == "--out" && more)
            out = argv[++i];
        else if (more && (a == "--shmid" || a == "--semid" || a == "--width" || a == "--height" ||
                          a == "--hold" || a == "--count" || a == "--every")) {
            const int v = QString(argv[++i]).toInt();
            (a == "--shmid" ? shmid : a == "--semid" ? semid : a == "--width" ? width
             : a == "--height" ? height : a == "--hold" ? holdMs : a == "--count" ? count : everyMs) = v;
        } else {
            std::fprintf(stderr, "shmreader: unknown argument %s\n", argv[i]);
            return 1;
        }
    }
    if (shmid < 0 || semid < 0 || width < 2 || height < 2 || width % 2 || height % 2) {
        std::fprintf(stderr, "shmreader: --shmid, --semid and even --width, --height are needed\n");
        return 1;
    }
    const size_t size = size_t(width) * size_t(height) * 3 / 2;
    shmid_ds ds{};
    if (shmctl(shmid, IPC_STAT, &ds) != 0 || ds.shm_segsz < size) {
        std::fprintf(stderr, "shmreader: no segment %d of %zu bytes\n", shmid, size);
        return 1;
    }
    void* at = shmat(shmid, nullptr, SHM_RDONLY);
    if (at == reinterpret_cast<void*>(-1)) {
        std::perror("shmreader: shmat");
        return 1;
    }
    std::vector<unsigned char> frame(size);
    for (int n = 0; n < count; ++n) {
        if (n > 0)
            usleep(useconds_t(everyMs) * 1000);
        sembuf take{0, -1, 0};
        if (semop(semid, &take, 1) != 0) {
            std::perror("shmreader: semop");
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        std::memcpy(frame.data(), at, size);
        if (holdMs > 0)
            usleep(useconds_t(holdMs) * 1000);
        if (keep && n == count - 1) {
            std::printf("frame %d y %d u %d v %d\n", n, frame[0], frame[size_t(width) * height],
                        frame[size_t(width) * height * 5 / 4]);
            break;
        }
        sembuf give{0, 1, 0};
        semop(semid, &give, 1);
        const size_t ySize = size_t(width) * size_t(height);
        std::printf("frame %d y %d u %d v %d\n", n, frame[0], frame[ySize], frame[ySize * 5 / 4]);
        std::fflush(stdout);
    }
    shmdt(at);
    if (!out.isEmpty()) {
        if (out.endsWith(".png")) {
            const cv::Mat i420(height * 3 / 2, width, CV_8UC1, frame.data());
            cv::Mat bgr;
            cv::cvtColor(i420, bgr, cv::COLOR_YUV2BGR_I420);
            if (!cv::imwrite(out.toStdString(), bgr))
                return 1;
        } else {
            QFile f(out);
            if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(frame.data()), qint64(size)) != qint64(size))
                return 1;
        }
    }
    return 0;
}
