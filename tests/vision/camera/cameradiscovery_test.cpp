// The start-up probe, the USB device count, a lost and replugged camera of every make, and SaveSN.
#include <QSqlDatabase>
#include <QSqlQuery>

#include "vision/camera/camerafixture.h"

using camsim::CamSim;

namespace {

SimDevice Dev(const QString& serial, int w, int h, bool color = false, const QString& model = "SIM-100")
{
    SimDevice d;
    d.serial = serial;
    d.width = w;
    d.height = h;
    d.color = color;
    d.model = model;
    return d;
}

}  // namespace

class CameraProbe : public CameraTest {};

TEST_F(CameraProbe, NoCameraOfAnyMakeRunsWithFourEmptyViews)
{
    CheckCameraID();
    EXPECT_EQ(gCameraID, 0);
    EXPECT_EQ(gFindCamera, 4);
    EXPECT_EQ(gImageW, 1920);
    EXPECT_EQ(gImageH, 1080);
    EXPECT_EQ(gImageLen, 1920 * 1080);
    EXPECT_EQ(gColorLen, 1920 * 1080);
    // The GigE repair is asked first; nothing repaired means no 6 s wait.
    EXPECT_EQ(host.repairs, 1);
    EXPECT_FALSE(host.waits.contains(6000));
}

TEST_F(CameraProbe, RepairedGigeCamerasGetSixSecondsBeforeTheProbe)
{
    host.repairResult = 2;
    CheckCameraID();
    EXPECT_EQ(host.waits.value(0), 6000);
}

TEST_F(CameraProbe, DahengCountsAndWorkingSizes)
{
    gisCut = true;
    UseSim("daheng", {Dev("DH0000001", 1280, 1024), Dev("DH0000002", 1280, 1024)});
    CheckCameraID();
    EXPECT_EQ(gCameraID, 4);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gOW, 1280);
    EXPECT_EQ(gOH, 1024);
    EXPECT_EQ(gImageW, 1120);
    EXPECT_EQ(gImageH, 840);

    // A 2592-wide sensor works at half size even with cropping off.
    gisCut = false;
    UseSim("daheng", {Dev("DH0000003", 2592, 1944)});
    CheckCameraID();
    EXPECT_EQ(gImageW, 1296);
    EXPECT_EQ(gImageH, 972);
    gisCut = true;
    UseSim("daheng", {Dev("DH0000004", 2048, 1536)});
    CheckCameraID();
    EXPECT_EQ(gImageW, 1600);
    EXPECT_EQ(gImageH, 1200);
    // A camera that cannot be opened counts as absent.
    CamSim::instance().setOpenFailure(0, true);
    CheckCameraID();
    EXPECT_EQ(gCameraID, 0);
}

TEST_F(CameraProbe, IdsWorksAtItsFixedSize)
{
    UseSim("ids", {Dev("4102000001", 1936, 1216), Dev("4102000002", 1936, 1216)});
    CheckCameraID();
    EXPECT_EQ(gCameraID, 5);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gImageW, 1280);
    EXPECT_EQ(gImageH, 1024);
    EXPECT_TRUE(host.waits.contains(3000));
    EXPECT_FALSE(CamSim::instance().isOpen(0)) << "the probe releases the camera";
}

TEST_F(CameraProbe, MindVisionSizesPresetsAndColour)
{
    UseSim("mindvision", {Dev("MV0000001", 3088, 2064, true)});
    CheckCameraID();
    EXPECT_EQ(gCameraID, 6);
    EXPECT_EQ(gFindCamera, 1);
    EXPECT_EQ(gSensorColor, 1);
    EXPECT_EQ(gImageW, 3088) << "cropping off keeps the sensor size";
    EXPECT_EQ(gImageH, 2064);
    EXPECT_EQ(gCListCount, 1) << "the list is enumerated again for opening";
    gisCut = true;
    CheckCameraID();
    EXPECT_EQ(gImageW, 2592);
    EXPECT_EQ(gImageH, 1944);

    // 2592 wide with cropping: the eleventh preset, kept whole.
    UseSim("mindvision", {Dev("MV0000002", 2592, 1944)});
    CheckCameraID();
    EXPECT_EQ(gSensorColor, 0);
    EXPECT_EQ(gImageResolution.index, 10);
    EXPECT_EQ(gImageW, gImageResolution.width);
    EXPECT_EQ(gImageW, 1296);
    EXPECT_EQ(gImageH, 972);

    // A camera with fewer presets is not read past its list: it works at sensor size.
    SimDevice few = Dev("MV0000003", 2592, 1944);
    few.presets = QJsonArray{QJsonArray{2592, 1944}, QJsonArray{1280, 960}};
    UseSim("mindvision", {few});
    CheckCameraID();
    EXPECT_EQ(gCameraID, 6);
    EXPECT_EQ(gImageResolution.index, -1);
    EXPECT_EQ(gImageW, 2592);
    EXPECT_EQ(gImageH, 1944);
    gisCut = true;
    UseSim("mindvision", {Dev("MV0000004", 1600, 1200)});
    CheckCameraID();
    EXPECT_EQ(gImageW, 1300);
    EXPECT_EQ(gImageH, 1000);
}

TEST_F(CameraProbe, HikvisionModelNameDecidesColourAndComesBeforeV4L2)
{
    dir->write("sysroot/proc/bus/input/devices", "N: Name=\"USB Camera\"\n");
    UseSim("hikvision", {Dev("HK0000001", 2448, 2048, false, "MV-CA050-10GM"), Dev("HK0000002", 2448, 2048)});
    gisCut = true;
    CheckCameraID();
    EXPECT_EQ(gCameraID, 7);
    EXPECT_EQ(gFindCamera, 2);
    EXPECT_EQ(gSensorColor, 0);
    EXPECT_EQ(gOW, 2448);
    EXPECT_EQ(gImageW, 2448) << "no cropping table for this make";
    EXPECT_EQ(gImageH, 2048);
    EXPECT_GE(host.reaches, 1) << "EnsureDeviceReach before enumerating";
    UseSim("hikvision", {Dev("HK0000003", 1280, 1024, true, "MV-CA013-20GC")});
    CheckCameraID();
    EXPECT_EQ(gSensorColor, 1);
}

TEST_F(CameraProbe, UsbVideoDevicesAreCountedFromTheInputDeviceList)
{
    dir->write("sysroot/proc/bus/input/devices",
               "I: Bus=0003\nN: Name=\"HD WebCam\"\nN: Name=\"Integrated camera\"\nN: Name=\"Keyboard\"\n");
    EXPECT_EQ(CheckUSBCameraNum(), 2);
    // The copy lands in the working directory as "devices".
    EXPECT_TRUE(QFile::exists(dir->file("devices")));
    QFile::remove(dir->file("sysroot/proc/bus/input/devices"));
    EXPECT_EQ(CheckUSBCameraNum(), 0) << "a failed copy counts nothing, not the old copy";
}

TEST_F(CameraProbe, V4L2DeviceFoundThroughItsInput)
{
    dir->write("sysroot/proc/bus/input/devices", "N: Name=\"USB2.0 Camera\"\nN: Name=\"USB2.0 Camera\"\n");
    gV4L2Source.format = "lavfi";
    gV4L2Source.url = "testsrc=size=320x240:rate=25";
    gV4L2Source.options.clear();
    CheckCameraID();
    EXPECT_EQ(gCameraID, 9);
    EXPECT_EQ(gFindCamera, 2) << "stays the USB count";
    EXPECT_EQ(gImageW, 960);
    EXPECT_EQ(gImageH, 540);

    gV4L2Source.url = "nosuchfilter=x";
    CheckCameraID();
    EXPECT_EQ(gCameraID, 0);
    EXPECT_EQ(gFindCamera, 4);
}

// Lost and replugged cameras, every make.
class CameraRecovery : public CameraTest {
protected:
    void StartMake(const QString& make, int count)
    {
        QList<SimDevice> devs;
        for (int i = 0; i < count; ++i)
            devs << Dev(QString("%1%2").arg(make.left(2).toUpper()).arg(i + 1, 8, 10, QChar('0')), 320, 240);
        UseSim(make, devs);
        CheckCameraID();
        MakeViews(count);
        ASSERT_EQ(numCamera, count);
    }

    void ExpectLostAndBack(int lostView, bool needsResetPass = false)
    {
        ASSERT_TRUE(TakeFrame(0));
        CamSim::instance().unplug(lostView);
        CameraCheck(lostView);
        ASSERT_TRUE(gisLost);
        EXPECT_EQ(gLost, 1);
        EXPECT_EQ(host.records.value(0), QString("The 1th Camera Lost, %1").arg(lostView + 1));
        EXPECT_EQ(host.inhibits, 1);
        EXPECT_EQ(host.warnings.value(0), "Warning: The camera is unavailable, \r\n please check the connection!");
        for (int k = 0; k < numCamera; ++k)
            EXPECT_FALSE(View(k)->cameraOpened());
        EXPECT_EQ(host.notOK.size(), numCamera);

        // While it is away nothing comes back.
        CameraRestart();
        WaitNetworkReset();
        CameraRestart();
        WaitNetworkReset();
        EXPECT_TRUE(gisLost);
        // A second check while lost changes nothing.
        CameraCheck(lostView);
        EXPECT_EQ(gLost, 1);

        CamSim::instance().replug(lostView);
        CameraRestart();
        if (needsResetPass) {
            WaitNetworkReset();
            CameraRestart();
        }
        EXPECT_FALSE(gisLost);
        EXPECT_TRUE(host.records.contains("Camera Restart"));
        for (int k = 0; k < numCamera; ++k)
            EXPECT_TRUE(View(k)->cameraOpened()) << k;
        EXPECT_EQ(host.frameClears.size(), numCamera);
        for (int k = 0; k < numCamera; ++k) {
            QMutexLocker lock(pMutex[k]);
            isImageFill[k] = false;
        }
        for (int k = 0; k < numCamera; ++k)
            EXPECT_TRUE(TakeFrame(k)) << "frames flow again on view " << k;

        // The next loss counts on.
        CamSim::instance().unplug(0);
        CameraCheck(0);
        EXPECT_EQ(host.records.filter("Camera Lost").value(1), "The 2th Camera Lost, 1");
    }
};

TEST_F(CameraRecovery, Daheng)
{
    StartMake("daheng", 2);
    ExpectLostAndBack(1);
}

TEST_F(CameraRecovery, Ids)
{
    StartMake("ids", 2);
    ExpectLostAndBack(1);
}

TEST_F(CameraRecovery, MindVisionResetsInterfacesOffTheGuiThread)
{
    dir->write("sysroot/proc/net/dev",
               "Inter-|   Receive\n face |bytes\n    lo: 1 2\n  eth0: 3 4\n  wlo1: 5 6\nenp3s0:7 8\n");
    StartMake("mindvision", 2);
    RecordingRunner runner;
    host.waitSleepMs = 100;
    ASSERT_TRUE(TakeFrame(0));
    CamSim::instance().unplug(1);
    CameraCheck(1);
    CamSim::instance().replug(1);
    host.waitsOnCaller = host.waitsElsewhere = 0;
    CameraRestart();
    EXPECT_TRUE(gisLost) << "counted only after the reset";
    WaitNetworkReset();
    EXPECT_EQ(host.waitsOnCaller, 0) << "the reset with its waits does not run on the calling thread";
    EXPECT_GT(host.waitsElsewhere, 0);
    CameraRestart();
    EXPECT_FALSE(gisLost);
    QStringList net = runner.lines().filter(QRegularExpression("^(ip|ifdown|ifup) "));
    EXPECT_EQ(net, (QStringList{"ip addr flush dev eth0", "ifdown eth0", "ifup eth0", "ip addr flush dev enp3s0",
                                "ifdown enp3s0", "ifup enp3s0"}));
}

TEST_F(CameraRecovery, MindVisionFullCycle)
{
    StartMake("mindvision", 2);
    RecordingRunner runner;
    ExpectLostAndBack(0, true);
}

TEST_F(CameraRecovery, Hikvision)
{
    StartMake("hikvision", 2);
    // All devices still there: not lost.
    CameraCheck(0);
    EXPECT_FALSE(gisLost);
    EXPECT_TRUE(host.records.isEmpty());
    ExpectLostAndBack(1);
}

TEST_F(CameraRecovery, V4L2CountedByUsbDevices)
{
    dir->write("sysroot/proc/bus/input/devices", "N: Name=\"USB Camera\"\n");
    gV4L2Source.format = "lavfi";
    gV4L2Source.url = "testsrc=size=320x240:rate=25";
    gV4L2Source.options.clear();
    CheckCameraID();
    ASSERT_EQ(gCameraID, 9);
    MakeViews(1);
    ASSERT_EQ(numCamera, 1);
    ASSERT_TRUE(TakeFrame(0));
    host.state = 3;  // stopped: no inhibit
    dir->write("sysroot/proc/bus/input/devices", "");
    CameraCheck(0);
    EXPECT_TRUE(gisLost);
    EXPECT_EQ(host.inhibits, 0);
    CameraRestart();
    EXPECT_TRUE(gisLost);
    dir->write("sysroot/proc/bus/input/devices", "N: Name=\"USB Camera\"\n");
    CameraRestart();
    EXPECT_FALSE(gisLost);
    EXPECT_TRUE(TakeFrame(0));
}

TEST_F(CameraRecovery, ViewThatDoesNotReopenSendsTheSystemBackToLost)
{
    StartMake("daheng", 2);
    CamSim::instance().unplug(1);
    CameraCheck(1);
    CamSim::instance().replug(1);
    CamSim::instance().setOpenFailure(1, true);
    CameraRestart();
    EXPECT_TRUE(gisLost);
    EXPECT_EQ(gLost, 2);
    EXPECT_EQ(host.records.filter("Camera Lost").value(1), "The 2th Camera Lost, 2");
}

class SerialBinding : public CameraTest {
protected:
    void OpenSerialDb()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
        db.setDatabaseName(dir->file("SN.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("create table sysparam(name text, value text)"));
        for (int i = 0; i < 8; ++i)
            ASSERT_TRUE(q.exec(QString("insert into sysparam values('serialNB%1', 'x')").arg(i)));
    }
    QString Row(int i)
    {
        QSqlQuery q(QSqlDatabase::database(SERIAL_DB_CONNECTION));
        q.exec(QString("select value from sysparam where name='serialNB%1'").arg(i));
        return q.next() ? q.value(0).toString() : QString("<none>");
    }
    void TearDown() override
    {
        QSqlDatabase::database(SERIAL_DB_CONNECTION).close();
        QSqlDatabase::removeDatabase(SERIAL_DB_CONNECTION);
        CameraTest::TearDown();
    }
};

TEST_F(SerialBinding, ReadsSerialsIntoTheSlotsTheViewsMoveTo)
{
    OpenSerialDb();
    UseSim("mindvision", {Dev("MV'000001", 320, 240), Dev("MV0000002", 320, 240)});
    CheckCameraID();
    MakeViews(2);
    gCamNO[0] = 1;
    gCamNO[1] = 0;
    SaveSN(0);
    EXPECT_EQ(Row(0), "MV0000002");
    EXPECT_EQ(Row(1), "MV'000001") << "stored as a bound value";
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(Row(i), "0");
    EXPECT_EQ(host.records.filter("Save SN"), (QStringList{"Save SN 1: MV0000002", "Save SN 2: MV'000001"}));
    EXPECT_STREQ(gSerialNB[1], "MV'000001");

    host.records.clear();
    SaveSN(1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Row(i), "0");
    EXPECT_EQ(host.records, (QStringList{"Save SN 1: 0", "Save SN 2: 0"}));
}

TEST_F(SerialBinding, MakesThatReadNoSerialKeepZero)
{
    OpenSerialDb();
    UseSim("daheng", {Dev("DH0000001", 320, 240)});
    CheckCameraID();
    MakeViews(1);
    SaveSN(0);
    EXPECT_EQ(Row(0), "0");
    // Make 5 gives the camera's own serial; a USB device of make 7 an empty text.
    views.clear();
    numCamera = 0;
    UseSim("ids", {Dev("4102000777", 1280, 1024)});
    CheckCameraID();
    MakeViews(1);
    SaveSN(0);
    EXPECT_EQ(Row(0), "4102000777");
    views.clear();
    numCamera = 0;
    UseSim("hikvision", {Dev("HK0000001", 320, 240)});
    CheckCameraID();
    // The slot still holds the other camera's serial: no device of this make has it.
    MakeViews(1);
    EXPECT_EQ(numCamera, 0);
    views.clear();
    qstrncpy(gSerialNB[0], "0", sizeof(gSerialNB[0]));
    MakeViews(1);
    ASSERT_EQ(numCamera, 1);
    SaveSN(0);
    EXPECT_EQ(Row(0), "");
}
