// Camera control per make: opening by serial or index, and each parameter's conversion as the
// make's calls log it.
#include "vision/camera/camerafixture.h"

using camsim::CamSim;

namespace {

SimDevice Dev(const QString& serial, int w = 320, int h = 240, bool color = false, const QString& ip = QString())
{
    SimDevice d;
    d.serial = serial;
    d.width = w;
    d.height = h;
    d.color = color;
    if (!ip.isEmpty()) {
        d.ip = ip;
        d.mask = "255.255.255.0";
        d.hostIp = "192.168.1.1";
    }
    return d;
}

}  // namespace

class CameraControl : public CameraTest {
protected:
    void Open(const QString& make, const QList<SimDevice>& devs, int views = 1)
    {
        UseSim(make, devs);
        CheckCameraID();
        CamSim::instance().clearCalls();
        MakeViews(views);
    }
    bool Logged(const QString& line) const { return CamSim::instance().calls().filter(line).size() > 0; }
    QStringList Calls() const { return CamSim::instance().calls(); }
};

TEST_F(CameraControl, OpenBySerialOfNineOrMoreCharactersElseByIndex)
{
    qstrncpy(gSerialNB[0], "DH000002", sizeof(gSerialNB[0]));  // 8 characters: by index
    qstrncpy(gSerialNB[1], "DH0000001", sizeof(gSerialNB[1]));  // 9 characters: by serial
    Open("daheng", {Dev("DH0000001"), Dev("DH0000002")}, 2);
    EXPECT_TRUE(Logged("daheng DH0000001 GXOpenDeviceByIndex 1"));
    EXPECT_TRUE(View(0)->cameraOpened());
    // View 1 asks for the serial view 0 already holds: the exclusive open fails, the view stays closed.
    EXPECT_TRUE(Logged("daheng DH0000001 GXOpenDevice SN DH0000001"));
    EXPECT_FALSE(View(1)->cameraOpened());
    EXPECT_EQ(numCamera, 1);
    EXPECT_FALSE(View(1)->CameraStart()) << "a closed view does nothing";
}

TEST_F(CameraControl, OpenBySerialPerMake)
{
    qstrncpy(gSerialNB[0], "4102000002", sizeof(gSerialNB[0]));
    Open("ids", {Dev("4102000001", 1280, 1024), Dev("4102000002", 1280, 1024)});
    EXPECT_TRUE(View(0)->cameraOpened());
    EXPECT_EQ(Calls().filter("is_SetColorMode").value(0), "ids 4102000002 is_SetColorMode 6");
    EXPECT_TRUE(Logged("ids 4102000001 is_ExitCamera")) << "the camera that did not match is released";
    views.clear();
    numCamera = 0;
    // Twenty characters open by index.
    qstrncpy(gSerialNB[0], "41020000020000000000", sizeof(gSerialNB[0]));
    CamSim::instance().clearCalls();
    MakeViews(1);
    EXPECT_EQ(Calls().filter("is_SetColorMode").value(0), "ids 4102000001 is_SetColorMode 6");

    views.clear();
    numCamera = 0;
    qstrncpy(gSerialNB[0], "MV0000002", sizeof(gSerialNB[0]));
    qstrncpy(gSerialNB[1], "MV0000009", sizeof(gSerialNB[1]));
    Open("mindvision", {Dev("MV0000001"), Dev("MV0000002")}, 2);
    EXPECT_TRUE(View(0)->cameraOpened());
    EXPECT_TRUE(Logged("mindvision MV0000002 CameraInit -1 -1"));
    EXPECT_FALSE(View(1)->cameraOpened());
    EXPECT_EQ(host.records, (QStringList{"Mind Open 1 = MV0000002", "Mind Fail = -1"}));

    views.clear();
    numCamera = 0;
    qstrncpy(gSerialNB[0], "HK0000002", sizeof(gSerialNB[0]));
    qstrncpy(gSerialNB[1], "0", sizeof(gSerialNB[1]));
    Open("hikvision", {Dev("HK0000001", 320, 240, false, "192.168.1.10"), Dev("HK0000002", 320, 240, false, "192.168.1.11")}, 2);
    EXPECT_TRUE(Logged("hikvision HK0000002 MV_CC_OpenDevice"));
    EXPECT_TRUE(View(0)->cameraOpened());
    EXPECT_EQ(QByteArray(View(0)->hikDeviceInfo->special.gige.serialNumber), QByteArray("HK0000002"));
    // View 1 by index wants device 1 too, which view 0 holds exclusively.
    EXPECT_FALSE(View(1)->cameraOpened());
}

TEST_F(CameraControl, DahengConversions)
{
    gisCut = true;
    para.sharpness[0] = 50;
    para.auto_wdr = 1;
    Open("daheng", {Dev("DH0000001", 1280, 1024)});
    const QStringList c = Calls();
    // Centred crop of 1120 x 840 from 1280 x 1024.
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003EC 80"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003ED 92"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003EE 1120"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003EF 840"));
    EXPECT_TRUE(c.filter("0x100003F0").isEmpty());
    // Continuous acquisition, trigger off.
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetEnum 0x30000BB8 2"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetEnum 0x30000BBD 0"));
    // Exposure 30 as a percentage of 20..100020 us; gain 32/64 of 0..24; sharpness 50/100 of 0..3
    // truncated; gamma 100/250 of 0.1..4.
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetEnum 0x30000BC2 0"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetFloat 0x20000BC1 30020.000000"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetEnum 0x300036B0 1"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetFloat 0x20001393 12.000000"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetFloat 0x2000178B 1.000000"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetFloat 0x20001397 1.660000"));
    // Contrast is applied in software: 200 gives 100, 30 gives -20.
    para.contrast[0] = 200;
    View(0)->SetContrast();
    EXPECT_EQ(gContrast[0], 100);
    para.contrast[0] = 30;
    View(0)->SetContrast();
    EXPECT_EQ(gContrast[0], -20);
    para.auto_exposure = 1;
    CamSim::instance().clearCalls();
    View(0)->SetExposeTime();
    EXPECT_EQ(Calls(), (QStringList{"daheng DH0000001 GXSetEnum 0x30000BC2 1", "daheng DH0000001 GXSetEnum 0x300036B0 1"}));
}

TEST_F(CameraControl, DahengHalfSizeBinsInsteadOfCropping)
{
    Open("daheng", {Dev("DH0000001", 2592, 1944)});
    const QStringList c = Calls();
    for (const char* f : {"0x100003F0", "0x100003F1", "0x100003F2", "0x100003F3"})
        EXPECT_TRUE(c.contains(QString("daheng DH0000001 GXSetInt %1 2").arg(f))) << f;
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003EC 0"));
    EXPECT_TRUE(c.contains("daheng DH0000001 GXSetInt 0x100003EE 1296"));
    EXPECT_EQ(CamSim::instance().outputSize(0), QSize(1296, 972));
}

TEST_F(CameraControl, IdsConversions)
{
    para.capture_speed = 30;
    Open("ids", {Dev("4102000001", 1280, 1024)});
    const QStringList c = Calls();
    EXPECT_TRUE(c.contains("ids 4102000001 is_AOI set size 1280x1024"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_SetAutoParameter 0x8800 0.000000"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_SetAutoParameter 0x8802 0.000000"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_PixelClock set 5"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_Exposure set 30.000000"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_SetHardwareGain 32 32 32 32"));
    EXPECT_TRUE(c.contains("ids 4102000001 is_Gamma set 100"));
    CamSim::instance().clearCalls();
    CameraSetSpeed();
    EXPECT_TRUE(Calls().contains("ids 4102000001 is_PixelClock set 30"));
    EXPECT_TRUE(Calls().contains("ids 4102000001 is_CaptureVideo 1")) << "restarted";
}

TEST_F(CameraControl, MindVisionConversions)
{
    para.gain[0] = 64;
    para.sharpness[0] = 50;
    para.contrast[0] = 100;
    para.gamma[0] = 100;
    para.image_trigger = 1;
    Open("mindvision", {Dev("MV0000001", 1280, 960, true)});
    const QStringList c = Calls();
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetImageResolution 255 fov 0,0 1280x960 out 1280x960"));
    // Colour sensor, colour processing off: grey output.
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetWbMode 0"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetMediaType 1"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetIspOutFormat 0x01080001"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetTriggerMode 2"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetAeState 0"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetExposureTime 30000.000000"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraCommonCall set_awdr_enable(false)"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetAnalogGain 160")) << "gain 64 is the maximum";
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetSharpness 50"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetContrast 100"));
    EXPECT_TRUE(c.contains("mindvision MV0000001 CameraSetGamma 100"));
    para.gain[0] = 0;
    CamSim::instance().clearCalls();
    View(0)->SetAdjustPlus();
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetAnalogGain 16")) << "gain 0 is the minimum";
    EXPECT_TRUE(Calls().filter("CameraSetOnceWB").isEmpty()) << "white balance only with colour processing";

    // Speed: plus one with colour processing on.
    views.clear();
    numCamera = 0;
    gisColor = true;
    SetWorkingSize(gImageW, gImageH);
    para.capture_speed = 12;
    para.image_trigger = 0;
    Open("mindvision", {Dev("MV0000001", 1280, 960, true)});
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetIspOutFormat 0x02180014"));
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetTriggerMode 0"));
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetOnceWB"));
    CamSim::instance().clearCalls();
    CameraSetSpeed();
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetFrameSpeed 13"));
}

TEST_F(CameraControl, MindVisionRestoreReadsDefaultsBackIntoTheEditCopy)
{
    Open("mindvision", {Dev("MV0000001", 1280, 960)});
    paraBak.exposure[0] = 77;
    View(0)->RestoreDefaultSettings();
    EXPECT_EQ(paraBak.exposure[0], 30);
    EXPECT_EQ(paraBak.gain[0], 32);
    EXPECT_EQ(paraBak.sharpness[0], 0);
    EXPECT_EQ(paraBak.contrast[0], 100);
    EXPECT_EQ(paraBak.gamma[0], 100);
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraLoadParameter 255"));
    EXPECT_TRUE(Calls().contains("mindvision MV0000001 CameraSetMirror 1 1"));
    EXPECT_TRUE(TakeFrame(0)) << "acquisition runs again";
}

TEST_F(CameraControl, HikvisionConversions)
{
    para.sharpness[0] = 50;
    para.capture_speed = 3;
    Open("hikvision", {Dev("HK0000001", 320, 240, true)});
    const QStringList c = Calls();
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetEnumValue UserSetSelector 0"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetCommandValue UserSetLoad"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetBoolValue SharpnessEnable true"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetEnumValue PixelFormat 17301505")) << "Mono8 with colour processing off";
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetEnumValue TriggerMode 0"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetEnumValue ExposureAuto 0"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetFloatValue ExposureTime 30000.000000"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetEnumValue GainAuto 0"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetFloatValue Gain 8.500000"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetIntValue Sharpness 50"));
    EXPECT_TRUE(c.contains("hikvision HK0000001 MV_CC_SetFloatValue Gamma 1.600000"));
    CamSim::instance().clearCalls();
    CameraSetSpeed();
    EXPECT_TRUE(Calls().contains("hikvision HK0000001 MV_CC_SetBoolValue AcquisitionFrameRateEnable true"));
    EXPECT_TRUE(Calls().contains("hikvision HK0000001 MV_CC_SetFloatValue AcquisitionFrameRate 20.000000"));
    para.capture_speed = 12;
    CameraSetSpeed();
    EXPECT_TRUE(Calls().contains("hikvision HK0000001 MV_CC_SetFloatValue AcquisitionFrameRate 12.000000"));
    para.image_trigger = 1;
    CamSim::instance().clearCalls();
    View(0)->CameraChangeTrig(false);
    EXPECT_EQ(Calls(), (QStringList{"hikvision HK0000001 MV_CC_SetEnumValue TriggerMode 1",
                                    "hikvision HK0000001 MV_CC_SetEnumValue TriggerSource 0"}));
}

TEST_F(CameraControl, AutomaticExposureFollowsTheMeanBrightness)
{
    Open("ids", {Dev("4102000001", 1280, 1024)});
    View(0)->averageGray = 131;
    View(0)->AutoChangeExposeTime();
    EXPECT_EQ(para.exposure[0], 29);
    View(0)->averageGray = 128;
    View(0)->AutoChangeExposeTime();
    EXPECT_EQ(para.exposure[0], 29);
    View(0)->averageGray = 125;
    CamSim::instance().clearCalls();
    View(0)->AutoChangeExposeTime();
    EXPECT_EQ(para.exposure[0], 30);
    EXPECT_EQ(Calls(), QStringList{"ids 4102000001 is_Exposure set 30.000000"});
}

TEST_F(CameraControl, SettersReadTheEditCopyWhileTheSettingsScreenIsShown)
{
    Open("ids", {Dev("4102000001", 1280, 1024)});
    paraBak.exposure[0] = 55;
    host.settings = true;
    CamSim::instance().clearCalls();
    View(0)->SetExposeTime();
    EXPECT_TRUE(Calls().contains("ids 4102000001 is_Exposure set 55.000000"));
    host.settings = false;
    View(0)->SetExposeTime();
    EXPECT_TRUE(Calls().contains("ids 4102000001 is_Exposure set 30.000000"));
}

TEST_F(CameraControl, V4L2FilterTextsFromTheRecordClampedToTheFilterRanges)
{
    CammerWidget w(7);  // no camera: builds its filter texts only
    EXPECT_FALSE(w.cameraOpened());
    para.contrast[7] = 140;
    para.gamma[7] = 40;
    para.sharpness[7] = 0;
    CammerWidget a(7);
    EXPECT_EQ(a.filterContrast + a.filterGamma + a.filterSharp,
              QByteArray("eq=contrast=0.800000:gamma=1.684000,unsharp=5:5:0.000000"));
    para.contrast[7] = 150;
    para.gamma[7] = 100;
    para.sharpness[7] = 20;
    CammerWidget b(7);
    EXPECT_EQ(b.filterContrast, QByteArray("eq=contrast=1.000000:"));
    EXPECT_EQ(b.filterGamma, QByteArray("gamma=4.060000,"));
    EXPECT_EQ(b.filterSharp, QByteArray("unsharp=5:5:1.000000"));
    // Values past a filter's range are held at its end, so the graph still builds.
    para.gamma[7] = 10000;
    para.sharpness[7] = 10000;
    CammerWidget c(7);
    EXPECT_EQ(c.filterGamma, QByteArray("gamma=10.000000,"));
    EXPECT_EQ(c.filterSharp, QByteArray("unsharp=5:5:5.000000"));
}
