// The shared video channels against tools/shmreader, the reader the report client stands for.
#include <sched.h>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "network/cnt_thread_copyvideo.h"
#include "reportfixture.h"

namespace {

// IPC keys come from a private /tmp under MOULDMON_SYSROOT, so runs never meet real channels.
// Keys are only 16 bits of the folder's inode: the process takes an IPC namespace of its own where
// it may (the cases of this program run beside each other), else a folder whose keys are unused.
class VideoChannel : public ReportNet {
protected:
    static void SetUpTestSuite()
    {
        static const bool isolated = unshare(CLONE_NEWIPC) == 0;
        (void)isolated;
    }
    bool KeysFree(const QString& dir)
    {
        for (int c = 0; c < 8; ++c) {
            const QByteArray path = (dir + "/tmp").toLocal8Bit();
            if (shmget(ftok(path.constData(), 1000 + c), 0, 0) != -1 ||
                semget(ftok(path.constData(), 2000 + c), 0, 0) != -1)
                return false;
        }
        return true;
    }
    void SetUp() override
    {
        oldRoot = qgetenv("MOULDMON_SYSROOT");
        for (int tries = 0; tries < 20; ++tries) {
            root.reset(new QTemporaryDir);
            QDir(root->path()).mkpath("tmp");
            if (KeysFree(root->path()))
                break;
        }
        qputenv("MOULDMON_SYSROOT", root->path().toLocal8Bit());
        oldShowW = gShowW;
        oldShowH = gShowH;
        ReportNet::SetUp();
        std::strcpy(para.CntNet_UseName, "eth0");
        para.video_share = 2;
        para.video_fps_index = 4;
    }
    void TearDown() override
    {
        ReportNet::TearDown();  // frees the channels
        gShowW = oldShowW;
        gShowH = oldShowH;
        if (oldRoot.isEmpty())
            qunsetenv("MOULDMON_SYSROOT");
        else
            qputenv("MOULDMON_SYSROOT", oldRoot);
    }
    key_t Key(int project) { return ftok((root->path() + "/tmp").toLocal8Bit().constData(), project); }
    // A frame of one colour, 32-bit B, G, R, A.
    std::vector<unsigned char> Frame(int w, int h, QRgb colour)
    {
        std::vector<unsigned char> f(size_t(w) * size_t(h) * 4);
        for (size_t i = 0; i < f.size(); i += 4) {
            f[i] = uchar(qBlue(colour));
            f[i + 1] = uchar(qGreen(colour));
            f[i + 2] = uchar(qRed(colour));
            f[i + 3] = 255;
        }
        return f;
    }
    void Link()
    {
        net->connected = true;
        net->CNT_SendMemoryInfo();
    }
    QStringList ReaderArgs(int channel)
    {
        const VideoShareInfo i = net->videoChannels().value(channel);
        return {"--shmid", QString::number(i.shmid), "--semid", QString::number(i.semid), "--width",
                QString::number(i.width), "--height", QString::number(i.height)};
    }
    // Runs the reader once and returns the frame it saved.
    QByteArray Read(int channel)
    {
        QProcess p;
        const QString out = dir.file("frame.yuv");
        p.start(buildDir() + "/shmreader", ReaderArgs(channel) << "--out" << out);
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        return dir.read("frame.yuv");
    }
    int SemValue(int channel) { return semctl(net->videoChannels().value(channel).semid, 0, GETVAL); }
    // A client connects and leaves again: the server frees the channels' locks on the way out.
    void ClientComesAndGoes()
    {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, CNT_Net::kPort);
        ASSERT_TRUE(client.waitForConnected(3000));
        for (int i = 0; i < 100 && !net->connected; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        client.disconnectFromHost();
        for (int i = 0; i < 100 && net->connected; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    std::unique_ptr<QTemporaryDir> root;
    QByteArray oldRoot;
    int oldShowW = 0, oldShowH = 0;
};

TEST_F(VideoChannel, TwoCamerasMakeChannelsWithTheirKeysAndOneMemoryInfo)
{
    auto f0 = Frame(1280, 1024, qRgb(0, 0, 0)), f1 = Frame(1280, 1024, qRgb(0, 0, 0));
    net->CNT_AddUseMemory(0, 1280, 1024, f0.data());
    net->CNT_AddUseMemory(1, 1280, 1024, f1.data());
    ASSERT_EQ(net->videoChannels().size(), 2);
    for (int c = 0; c < 2; ++c) {
        const VideoShareInfo i = net->videoChannels().value(c);
        EXPECT_EQ(i.size, 1966080);
        shmid_ds shm{};
        ASSERT_EQ(shmctl(i.shmid, IPC_STAT, &shm), 0);
        EXPECT_EQ(shm.shm_perm.__key, Key(1000 + c));
        EXPECT_EQ(shm.shm_segsz, 1966080u);
        semid_ds sem{};
        ASSERT_EQ(semctl(i.semid, 0, IPC_STAT, &sem), 0);
        EXPECT_EQ(sem.sem_perm.__key, Key(2000 + c));
        EXPECT_EQ(SemValue(c), 1);
    }
    Link();
    net->CNT_SendMemoryInfo();  // once a run, however often it is asked
    const QList<QByteArray> bodies = Bodies(9);
    ASSERT_EQ(bodies.size(), 1);
    Json doc(bodies[0]);
    const cJSON* list = cJSON_GetObjectItem(doc.root, "memoryinfo");
    ASSERT_EQ(cJSON_GetArraySize(list), 2);
    for (int c = 0; c < 2; ++c) {
        const cJSON* e = cJSON_GetArrayItem(list, c);
        EXPECT_EQ(KeysOf(e), QStringList({"shmid", "semid", "cameraid", "size", "width", "height", "fps"}));
        EXPECT_EQ(NumOf(e, "shmid"), net->videoChannels().value(c).shmid);
        EXPECT_EQ(NumOf(e, "semid"), net->videoChannels().value(c).semid);
        EXPECT_EQ(NumOf(e, "cameraid"), c);
        EXPECT_EQ(NumOf(e, "fps"), 25);
    }
}

TEST_F(VideoChannel, EveryTickRenewsTheViewCopyBeforeItStamps)
{
    auto f = Frame(1280, 1024, qRgb(0, 0, 255));
    const auto red = Frame(1280, 1024, qRgb(255, 0, 0));
    net->CNT_AddUseMemory(0, 1280, 1024, f.data());
    int renewed = 0;
    net->host.refreshFrame = [&](int channel) {
        EXPECT_EQ(channel, 0);
        ++renewed;
        std::memcpy(f.data(), red.data(), red.size());
    };
    Link();
    net->VideoTick();
    net->VideoTick();
    EXPECT_EQ(renewed, 2);
    const QByteArray yuv = Read(0);
    ASSERT_EQ(yuv.size(), 1966080);
    EXPECT_EQ(uchar(yuv[0]), 82) << "the renewed red frame";
    EXPECT_NE(std::memcmp(f.data() + (1024 - 50) * 1280 * 4, red.data(), 1280 * 4 * 50), 0) << "stamped after";
}

TEST_F(VideoChannel, RedFrameReadsAsI420OutsideTheStamp)
{
    auto f = Frame(1280, 1024, qRgb(255, 0, 0));
    net->CNT_AddUseMemory(0, 1280, 1024, f.data());
    Link();
    net->VideoTick();
    const QByteArray yuv = Read(0);
    ASSERT_EQ(yuv.size(), 1966080);
    const int w = 1280, h = 1024, ySize = w * h;
    const int clearRows = h - 100;
    for (int y = 0; y < clearRows; y += 7)
        for (int x = 0; x < w; x += 13)
            ASSERT_EQ(uchar(yuv[y * w + x]), 82) << x << "," << y;
    for (int y = 0; y < clearRows / 2; y += 5)
        for (int x = 0; x < w / 2; x += 11) {
            ASSERT_EQ(uchar(yuv[ySize + y * (w / 2) + x]), 90);
            ASSERT_EQ(uchar(yuv[ySize * 5 / 4 + y * (w / 2) + x]), 240);
        }
    // The green time stamp is in the bottom rows, and in the picture the view shows.
    bool stamped = false;
    for (int y = clearRows; y < h && !stamped; ++y)
        for (int x = 0; x < w && !stamped; ++x)
            stamped = uchar(yuv[y * w + x]) != 82;
    EXPECT_TRUE(stamped);
    // The client's link goes: the lock it left is freed, to exactly 1; a second disconnect with
    // nothing held leaves it at 1, not 2.
    for (int round = 0; round < 2; ++round) {
        ClientComesAndGoes();
        EXPECT_EQ(SemValue(0), 1) << round;
    }
}

TEST_F(VideoChannel, ClientHoldingTheSemaphoreSkipsFramesAndIsFreedToOneOnDisconnect)
{
    auto f = Frame(64, 148, qRgb(255, 0, 0));
    net->CNT_AddUseMemory(0, 64, 148, f.data());
    Link();
    net->VideoTick();
    QProcess reader;
    reader.start(buildDir() + "/shmreader", ReaderArgs(0) << "--keep");
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_EQ(reader.readAllStandardOutput().left(4), QByteArray("held"));
    ASSERT_EQ(SemValue(0), 0);  // the client left holding it

    // A blocking take would never return here; the frame is skipped instead.
    auto blue = Frame(64, 148, qRgb(0, 0, 255));
    std::copy(blue.begin(), blue.end(), f.begin());
    net->VideoTick();
    net->CNT_UpdateMemory(0, nullptr);
    EXPECT_EQ(SemValue(0), 0);
    const unsigned char* seg = net->videoChannels().value(0).address;
    EXPECT_EQ(seg[0], 82);  // still the red frame

    // The client's link goes: the lock it left is freed, to exactly 1; a second disconnect with
    // nothing held leaves it at 1, not 2.
    for (int round = 0; round < 2; ++round) {
        ClientComesAndGoes();
        EXPECT_EQ(SemValue(0), 1) << round;
    }
}

TEST_F(VideoChannel, ScreenChannelOfOddDisplaySizeIsEvenAndFilledFromTheGrab)
{
    para.video_share = 1;
    gShowW = 1725;
    gShowH = 982;
    net->host.grabWindow = [] {
        QImage shot(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        shot.fill(Qt::red);
        return shot;
    };
    net->CNT_FirstInit();
    ASSERT_EQ(net->videoChannels().size(), 1);
    const VideoShareInfo i = net->videoChannels().value(0);
    EXPECT_EQ(i.width, 1724);
    EXPECT_EQ(i.height, 982);
    EXPECT_EQ(i.size, 1724 * 982 * 3 / 2);
    EXPECT_TRUE(net->videoTimerRunning());
    Link();
    net->VideoTick();
    const QByteArray yuv = Read(0);
    ASSERT_EQ(yuv.size(), i.size);
    EXPECT_EQ(uchar(yuv[0]), 82);
    EXPECT_EQ(uchar(yuv[1724 * 982 - 1]), 82);
    EXPECT_EQ(uchar(yuv[1724 * 982 * 5 / 4]), 240);
}

TEST_F(VideoChannel, OddCameraFrameIsCutToEvenSizes)
{
    auto f = Frame(641, 481, qRgb(255, 0, 0));
    net->CNT_AddUseMemory(0, 641, 481, f.data());
    EXPECT_EQ(net->videoChannels().value(0).width, 640);
    EXPECT_EQ(net->videoChannels().value(0).height, 480);
    Link();
    net->VideoTick();
    EXPECT_EQ(uchar(Read(0)[0]), 82);
}

// The copy thread is stopped and joined when the server goes, while it runs and posts its ticks.
TEST_F(VideoChannel, TheCopyThreadEndsWithTheServer)
{
    net->CNT_FirstInit();
    CNT_Thread_CopyVideo* copy = net->videoCopyThread();
    ASSERT_NE(copy, nullptr);
    std::atomic<bool> finished{false};
    bool destroyed = false;
    QObject::connect(copy, &QThread::finished, [&] { finished = true; });  // on the thread itself
    QObject::connect(copy, &QObject::destroyed, [&] { destroyed = true; });
    copy->cls_start(1);
    ASSERT_TRUE(copy->isRunning());
    QThread::msleep(20);
    QCoreApplication::processEvents();
    net.reset();
    EXPECT_TRUE(finished) << "its run ended before the server was gone";
    EXPECT_TRUE(destroyed) << "its destructor ran";
}

TEST_F(VideoChannel, ModeZeroMakesNoChannelTimerOrMemoryInfo)
{
    para.video_share = 0;
    net->CNT_FirstInit();
    EXPECT_TRUE(net->videoChannels().isEmpty());
    EXPECT_FALSE(net->videoTimerRunning());
    Link();
    EXPECT_TRUE(Bodies(9).isEmpty());
}

TEST_F(VideoChannel, UseNameNullStopsCopyingButALongerNameDoesNot)
{
    auto f = Frame(64, 148, qRgb(255, 0, 0));
    net->CNT_AddUseMemory(0, 64, 148, f.data());
    Link();
    // The frame is taller than the 100 stamped rows: its top row stays red.
    const unsigned char* seg = net->videoChannels().value(0).address;
    std::strcpy(para.CntNet_UseName, "null");
    net->VideoTick();
    EXPECT_EQ(seg[0], 0);
    std::strcpy(para.CntNet_UseName, "nullx");
    net->VideoTick();
    EXPECT_EQ(seg[0], 82);
}

TEST_F(VideoChannel, StaleSegmentOfAnotherSizeIsMadeAgain)
{
    for (int stale : {100, 4 * 64 * 48}) {
        const int old = shmget(Key(1000), size_t(stale), IPC_CREAT | 0666);
        ASSERT_NE(old, -1);
        net->CNT_AddUseMemory(0, 64, 48, nullptr);
        const VideoShareInfo i = net->videoChannels().value(0);
        shmid_ds ds{};
        ASSERT_EQ(shmctl(i.shmid, IPC_STAT, &ds), 0);
        EXPECT_EQ(ds.shm_segsz, size_t(64 * 48 * 3 / 2));
        EXPECT_TRUE(i.address != nullptr);
        net->CNT_FreeShareMemory();
        EXPECT_NE(shmctl(old, IPC_STAT, &ds), 0);  // gone
    }
}

TEST_F(VideoChannel, ChannelsAreTheUsersAloneAndAnotherUsersAreMadeAgain)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to make IPC objects as another user";
    const int size = 64 * 48 * 3 / 2;
    // Made beforehand by another user, open to all, of the very size the channel needs.
    const key_t shmKey = Key(1000), semKey = Key(2000);
    ASSERT_NE(shmKey, -1);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        const bool made = shmget(shmKey, size_t(size), IPC_CREAT | 0666) != -1
            && semget(semKey, 1, IPC_CREAT | 0666) != -1;
        _exit(made ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const int foreignShm = shmget(Key(1000), 0, 0), foreignSem = semget(Key(2000), 0, 0);
    ASSERT_NE(foreignShm, -1);
    ASSERT_NE(foreignSem, -1);

    net->CNT_AddUseMemory(0, 64, 48, nullptr);
    const VideoShareInfo i = net->videoChannels().value(0);
    ASSERT_TRUE(i.writable());
    shmid_ds shm{};
    ASSERT_EQ(shmctl(i.shmid, IPC_STAT, &shm), 0);
    EXPECT_EQ(shm.shm_perm.mode & 0777, 0600u);
    EXPECT_EQ(shm.shm_perm.uid, geteuid());
    EXPECT_EQ(shm.shm_perm.cuid, geteuid());
    semid_ds sem{};
    ASSERT_EQ(semctl(i.semid, 0, IPC_STAT, &sem), 0);
    EXPECT_EQ(sem.sem_perm.mode & 0777, 0600u);
    EXPECT_EQ(sem.sem_perm.cuid, geteuid());
    EXPECT_EQ(semctl(i.semid, 0, GETVAL), 1);
    EXPECT_NE(shmctl(foreignShm, IPC_STAT, &shm), 0) << "the other user's segment is gone";
    EXPECT_NE(semctl(foreignSem, 0, IPC_STAT, &sem), 0) << "the other user's semaphore is gone";

    // One of the program's own from an earlier run, private and of the size, is used again.
    net->CNT_FreeShareMemory();
    const int own = shmget(Key(1000), size_t(size), IPC_CREAT | IPC_EXCL | 0600);
    ASSERT_NE(own, -1);
    net->CNT_AddUseMemory(0, 64, 48, nullptr);
    EXPECT_EQ(net->videoChannels().value(0).shmid, own);
}

}  // namespace
