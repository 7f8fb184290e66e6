// Camera side of the camera view: opening by serial or index, start and stop, trigger mode and the
// image parameters of each make, converted from the parameter record's scales.
#include "vision/camera/cammerwidget.h"

#include <cstdlib>

#include <cmath>
#include <cstring>

#include <QMutexLocker>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/camerathread.h"
#include "vision/camera/framememory.h"

#include <QMutex>

int gContrast[8] = {};

namespace {

CammerWidget* gViews[8] = {};

// Daheng feature numbers used here.
enum : GX_FEATURE_ID {
    DH_OFFSET_X = 0x100003EC,
    DH_OFFSET_Y = 0x100003ED,
    DH_WIDTH = 0x100003EE,
    DH_HEIGHT = 0x100003EF,
    DH_BIN_H = 0x100003F0,
    DH_BIN_V = 0x100003F1,
    DH_DEC_H = 0x100003F2,
    DH_DEC_V = 0x100003F3,
    DH_ACQ_START = 0x70000BB9,
    DH_ACQ_STOP = 0x70000BBA,
    DH_ACQ_MODE = 0x30000BB8,
    DH_TRIGGER_MODE = 0x30000BBD,
    DH_EXPOSURE_AUTO = 0x30000BC2,
    DH_EXPOSURE_TIME = 0x20000BC1,
    DH_WDR = 0x300036B0,
    DH_GAIN = 0x20001393,
    DH_SHARPNESS = 0x2000178B,
    DH_GAMMA = 0x20001397,
};

int idiv(int a, int b)
{
    return b == 0 ? 0 : a / b;
}

}  // namespace

CammerWidget* CammerWidget::cameraView(int v)
{
    return v >= 0 && v < 8 ? gViews[v] : nullptr;
}

CammerWidget::CammerWidget(int index, QWidget* parent)
    : QWidget(parent)
{
    cameraIndex = index;
    requestRepaint = [this] { update(); };
    if (index >= 0 && index < 8)
        gViews[index] = this;
    CreateGlobalMutexes();
    if (gpWPara)
        BuildFilterTexts(*gpWPara);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    hide();
    const size_t len = size_t(std::max(1, gImageLen));
    // Pages are only taken when written, so a view without a camera costs nothing.
    frameGrab = FrameMemory::Allocate(size_t(std::max(1, gColorLen)));
    frameConvert = FrameMemory::Allocate(len * 4);
    frameRaw = FrameMemory::Allocate(len);
    if (index >= 0 && index < 8) {
        // A fresh grab buffer holds no frame yet, whatever an earlier view of this index left.
        QMutexLocker lock(pMutex[index]);
        isImageFill[index] = false;
    }
    BuildViewBase();
    CameraOpen();
    if (cameraOpened())
        numCamera++;
    // A view without a camera keeps only its widget and buffers; view 0 is always built whole.
    if (cameraOpened() || index == 0)
        BuildViewSide();
    CameraStart();
}

CammerWidget::~CammerWidget()
{
    CameraStop();
    CameraClose();
    FreeViewSide();
    FrameMemory::Release(frameGrab);
    FrameMemory::Release(frameConvert);
    FrameMemory::Release(frameRaw);
    if (cameraIndex >= 0 && cameraIndex < 8 && gViews[cameraIndex] == this)
        gViews[cameraIndex] = nullptr;
}

bool CammerWidget::cameraOpened() const
{
    return cameraHost()->cameraOpened(cameraIndex);
}

const WizardPara* CammerWidget::ParaForSetters(bool panelTuned) const
{
    const CameraHost* host = cameraHost();
    const bool edit = host->settingsVisible() || (panelTuned && host->cameraPanelVisible());
    const WizardPara* p = edit && gpWParaBak ? gpWParaBak : gpWPara;
    return p ? p : gpWParaBak;
}

void CammerWidget::CameraOpen()
{
    const int v = cameraIndex;
    CameraHost* host = cameraHost();
    host->setCameraOpened(v, false);
    if (gFindCamera <= v || v < 0 || v >= 8)
        return;
    const QByteArray serial(gSerialNB[v], int(strnlen(gSerialNB[v], sizeof(gSerialNB[v]))));
    bool ok = false;
    switch (gCameraID) {
    case CAMERA_DAHENG: ok = OpenDaheng(serial); break;
    case CAMERA_IDS: ok = OpenIds(serial); break;
    case CAMERA_MIND: ok = OpenMind(serial); break;
    case CAMERA_HIK: ok = OpenHik(serial); break;
    case CAMERA_V4L2: ok = OpenV4L2(); break;
    case CAMERA_NONE: ok = true; break;
    default: break;
    }
    if (!ok)
        return;
    host->setCameraOpened(v, true);
    if (!cameraThread)
        cameraThread = new CameraThread(this);
    CameraChangeTrig(true);
    SetAdjustPlus();
    SetExposeTime();
    SetContrast();
    SetSharp();
    SetGamma();
}

bool CammerWidget::OpenDaheng(const QByteArray& serial)
{
    GX_DEV_HANDLE h = nullptr;
    GX_STATUS st;
    if (serial.size() >= 9) {
        GxOpenParam p{serial.constData(), GX_OPEN_SN, GX_ACCESS_EXCLUSIVE};
        st = GXOpenDevice(&p, &h);
    } else {
        st = GXOpenDeviceByIndex(uint32_t(cameraIndex + 1), &h);
    }
    if (st != GX_STATUS_SUCCESS)
        return false;
    GXSetInt(h, 0x10000BBB, 0);
    if (gImageW * 2 == gOW) {
        GXSetInt(h, DH_BIN_H, 2);
        GXSetInt(h, DH_BIN_V, 2);
        GXSetInt(h, DH_DEC_H, 2);
        GXSetInt(h, DH_DEC_V, 2);
        GXSetInt(h, DH_OFFSET_X, 0);
        GXSetInt(h, DH_OFFSET_Y, 0);
    } else {
        GXSetInt(h, DH_OFFSET_X, (gOW - gImageW) / 2);
        GXSetInt(h, DH_OFFSET_Y, (gOH - gImageH) / 2);
    }
    GXSetInt(h, DH_WIDTH, gImageW);
    GXSetInt(h, DH_HEIGHT, gImageH);
    GXSetEnum(h, 0x3000178A, 1);
    GXSetBool(h, 0x40001395, true);
    dahengHandle = h;
    std::memset(&dahengFrame, 0, sizeof(dahengFrame));
    dahengFrame.imgBuf = frameRaw;
    dahengFrame.imgBufSize = gImageLen;
    return true;
}

bool CammerWidget::OpenIds(const QByteArray& serial)
{
    HIDS h = 0;
    if (serial.size() >= 9 && serial.size() <= 19) {
        int n = 0;
        is_GetNumberOfCameras(&n);
        bool found = false;
        for (int k = 1; k <= n; ++k) {
            HIDS t = HIDS(k) | IS_USE_DEVICE_ID;
            if (is_InitCamera(&t, nullptr) != IS_SUCCESS)
                continue;
            IsCameraInfo info;
            if (!found && is_GetCameraInfo(t, &info) == IS_SUCCESS
                && QByteArray(info.serial, int(strnlen(info.serial, sizeof(info.serial)))) == serial) {
                h = t;
                found = true;
            } else {
                is_ExitCamera(t);
            }
        }
        if (!found)
            return false;
    } else {
        HIDS t = HIDS(cameraIndex + 1) | IS_USE_DEVICE_ID;
        if (is_InitCamera(&t, nullptr) != IS_SUCCESS)
            return false;
        h = t;
    }
    idsHandle = h;
    idsColorMode = IS_CM_MONO8;
    idsBitsPerPixel = 8;
    is_SetColorMode(h, IS_CM_MONO8);
    idsMemory = nullptr;
    idsFrame = 0;
    if (is_AllocImageMem(h, gImageW, gImageH, 8, &idsMemory, &idsMemoryId) != IS_SUCCESS)
        idsMemory = nullptr;
    else
        is_SetImageMem(h, idsMemory, idsMemoryId);
    IsSize2D size{gImageW, gImageH};
    is_AOI(h, IS_AOI_IMAGE_SET_SIZE, &size, sizeof(size));
    double off = 0;
    is_SetAutoParameter(h, IS_SET_ENABLE_AUTO_GAIN, &off, nullptr);
    is_SetAutoParameter(h, IS_SET_ENABLE_AUTO_SHUTTER, &off, nullptr);
    is_SetHardwareGamma(h, 1);
    unsigned clock = 5;
    is_PixelClock(h, IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
    return true;
}

bool CammerWidget::OpenMind(const QByteArray& serial)
{
    CameraHost* host = cameraHost();
    MvDeviceInfo* device = nullptr;
    const int listed = std::min(gFindCamera, gCListCount);
    if (serial.size() >= 9) {
        for (int i = 0; i < listed; ++i) {
            if (QByteArray(gCList[i].serial, int(strnlen(gCList[i].serial, sizeof(gCList[i].serial)))) == serial) {
                device = &gCList[i];
                break;
            }
        }
        if (!device) {
            host->insertRecord(QString("Mind Fail = %1").arg(-1));
            return false;
        }
        host->insertRecord(QString("Mind Open %1 = %2").arg(cameraIndex + 1).arg(QString::fromLatin1(serial)));
    } else {
        if (cameraIndex >= listed)
            return false;
        device = &gCList[cameraIndex];
    }
    CameraHandle h = 0;
    const CameraSdkStatus st = CameraInit(device, -1, -1, &h);
    if (st != CAMERA_STATUS_SUCCESS) {
        host->insertRecord(QString("Mind Fail = %1").arg(st));
        return false;
    }
    mindHandle = h;
    std::memset(&mindCapability, 0, sizeof(mindCapability));
    CameraGetCapability(h, &mindCapability);
    SetMindResolution();
    SetMindOutput();
    CameraSetMirror(h, 0, 0);
    CameraSetMirror(h, 1, 0);
    CameraSetFrameSpeed(h, 0);
    return true;
}

void CammerWidget::SetMindResolution()
{
    const bool preset = gOW == 2592 && gisCut && gImageResolution.index >= 0
        && gImageResolution.index < mindCapability.presetCount;
    if (preset) {
        MvImageResolution r = gImageResolution;
        CameraSetImageResolution(mindHandle, &r);
        return;
    }
    MvImageResolution r;
    std::memset(&r, 0, sizeof(r));
    r.index = MV_CUSTOM_RESOLUTION;
    r.fovX = (gOW - gImageW) / 2;
    r.fovY = (gOH - gImageH) / 2;
    r.fovWidth = gImageW;
    r.fovHeight = gImageH;
    r.width = gImageW;
    r.height = gImageH;
    CameraSetImageResolution(mindHandle, &r);
}

void CammerWidget::SetMindOutput()
{
    const CameraHandle h = mindHandle;
    if (mindCapability.isMono) {
        CameraSetIspOutFormat(h, MV_ISP_MONO8);
        CameraSetMonochrome(h, 0);
        return;
    }
    CameraSetWbMode(h, 0);
    if (!gisColor) {
        if (gOW == 2048) {
            CameraSetIspOutFormat(h, MV_ISP_MONO8);
            CameraSetMonochrome(h, 1);
        } else {
            CameraSetMediaType(h, 1);
            CameraSetIspOutFormat(h, MV_ISP_MONO8);
        }
    } else if (gOW == 2048) {
        CameraSetIspOutFormat(h, MV_ISP_RGB8);
        CameraSetMonochrome(h, 0);
    } else {
        CameraSetMediaType(h, 0);
        CameraSetIspOutFormat(h, MV_ISP_RGB8);
    }
}

bool CammerWidget::OpenHik(const QByteArray& serial)
{
    const int listed = std::min(gFindCamera, int(gDevList.deviceCount));
    MV_CC_DEVICE_INFO* info = nullptr;
    if (serial.size() >= 9) {
        for (int i = 0; i < listed; ++i) {
            MV_CC_DEVICE_INFO* d = gDevList.deviceInfo[i];
            if (!d || d->transportLayer != MV_GIGE_DEVICE)
                continue;
            const char* s = d->special.gige.serialNumber;
            if (QByteArray(s, int(strnlen(s, sizeof(d->special.gige.serialNumber)))) == serial) {
                info = d;
                break;
            }
        }
    } else if (cameraIndex < listed) {
        info = gDevList.deviceInfo[cameraIndex];
    }
    if (!info)
        return false;
    void* h = nullptr;
    if (MV_CC_CreateHandle(&h, info) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(h, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(h);
        return false;
    }
    MV_CC_SetEnumValue(h, "UserSetSelector", 0);
    MV_CC_SetCommandValue(h, "UserSetLoad");
    MV_CC_SetBoolValue(h, "SharpnessEnable", true);
    MV_CC_SetBoolValue(h, "GammaEnable", true);
    std::memset(&hikConvert, 0, sizeof(hikConvert));
    hikConvert.width = uint16_t(gImageW);
    hikConvert.height = uint16_t(gImageH);
    hikConvert.srcDataLen = uint32_t(gImageLen);
    hikConvert.dstLen = uint32_t(gImageLen);
    hikConvert.dstBufferSize = uint32_t(gImageLen) * 3;
    hikConvert.dstPixelType = MV_PIXEL_RGB8_Packed;
    hikConvert.dstBuffer = frameConvert;
    hikHandle = h;
    hikDevice = *info;
    hikDeviceInfo = &hikDevice;
    MV_CC_RegisterImageCallBack(h, &CammerWidget::ImageCallBack, this);
    MV_CC_SetEnumValue(h, "PixelFormat", (gSensorColor == 0 || !gisColor) ? MV_PIXEL_Mono8 : MV_PIXEL_BayerRG8);
    return true;
}

void CammerWidget::CameraClose()
{
    cameraHost()->setCameraOpened(cameraIndex, false);
    if (cameraThread) {
        cameraThread->runFlag = false;
        v4lAbort = true;
        cameraThread->wait();
        delete cameraThread;
        cameraThread = nullptr;
    }
    if (dahengHandle) {
        GXCloseDevice(dahengHandle);
        dahengHandle = nullptr;
    }
    if (idsHandle) {
        is_StopLiveVideo(idsHandle, IS_FORCE_VIDEO_STOP);
        if (idsMemory)
            is_FreeImageMem(idsHandle, idsMemory, idsMemoryId);
        is_ExitCamera(idsHandle);
        idsHandle = 0;
        idsMemory = nullptr;
    }
    if (mindHandle > 0) {
        CameraUnInit(mindHandle);
        mindHandle = 0;
    }
    if (hikHandle) {
        MV_CC_CloseDevice(hikHandle);
        MV_CC_DestroyHandle(hikHandle);
        hikHandle = nullptr;
        hikDeviceInfo = nullptr;
    }
    CloseV4L2();
}

bool CammerWidget::CameraStart()
{
    if (!cameraOpened())
        return false;
    switch (gCameraID) {
    case CAMERA_DAHENG: GXSendCommand(dahengHandle, DH_ACQ_START); break;
    case CAMERA_IDS: is_CaptureVideo(idsHandle, IS_WAIT); break;
    case CAMERA_MIND: CameraPlay(mindHandle); break;
    case CAMERA_HIK: MV_CC_StartGrabbing(hikHandle); break;
    default: break;
    }
    if (cameraThread) {
        // A thread still finishing the pass after a stop is waited for, so it starts again.
        if (cameraThread->isRunning())
            cameraThread->wait();
        v4lAbort = false;
        cameraThread->runFlag = true;
        cameraThread->start(QThread::InheritPriority);
    }
    return true;
}

void CammerWidget::CameraStop()
{
    if (!cameraOpened())
        return;
    switch (gCameraID) {
    case CAMERA_DAHENG: GXSendCommand(dahengHandle, DH_ACQ_STOP); break;
    case CAMERA_IDS: is_StopLiveVideo(idsHandle, IS_FORCE_VIDEO_STOP); break;
    case CAMERA_MIND:
        if (mindHandle > 0)
            ::CameraStop(mindHandle);
        break;
    case CAMERA_HIK: MV_CC_StopGrabbing(hikHandle); break;
    default: break;
    }
    if (cameraThread) {
        cameraThread->runFlag = false;
        v4lAbort = true;
    }
}

void CammerWidget::CameraChangeTrig(bool restart)
{
    if (!cameraOpened() || !gpWPara)
        return;
    const bool trigger = gpWPara->image_trigger != 0;
    switch (gCameraID) {
    case CAMERA_DAHENG:
        if (restart)
            GXSendCommand(dahengHandle, DH_ACQ_STOP);
        GXSetEnum(dahengHandle, DH_ACQ_MODE, 2);
        GXSetEnum(dahengHandle, DH_TRIGGER_MODE, 0);
        if (restart)
            GXSendCommand(dahengHandle, DH_ACQ_START);
        break;
    case CAMERA_MIND: CameraSetTriggerMode(mindHandle, trigger ? 2 : 0); break;
    case CAMERA_HIK:
        if (!trigger) {
            MV_CC_SetEnumValue(hikHandle, "TriggerMode", 0);
        } else {
            MV_CC_SetEnumValue(hikHandle, "TriggerMode", 1);
            MV_CC_SetEnumValue(hikHandle, "TriggerSource", 0);
        }
        break;
    default: break;
    }
}

void CammerWidget::SetExposeTime()
{
    const WizardPara* p = ParaForSetters(true);
    if (!cameraOpened() || !p)
        return;
    const int x = p->exposure[cameraIndex];
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        if (!p->auto_exposure) {
            GXSetEnum(dahengHandle, DH_EXPOSURE_AUTO, 0);
            GxFloatRange r;
            double value = x;
            if (GXGetFloatRange(dahengHandle, DH_EXPOSURE_TIME, &r) == GX_STATUS_SUCCESS)
                value = std::trunc(r.min + x * (r.max - r.min) / 100.0);
            GXSetFloat(dahengHandle, DH_EXPOSURE_TIME, value);
        } else {
            GXSetEnum(dahengHandle, DH_EXPOSURE_AUTO, 1);
        }
        GXSetEnum(dahengHandle, DH_WDR, p->auto_wdr ? 1 : 0);
        break;
    }
    case CAMERA_IDS: {
        double ms = x;
        is_Exposure(idsHandle, IS_EXPOSURE_CMD_SET_EXPOSURE, &ms, sizeof(ms));
        break;
    }
    case CAMERA_MIND:
        if (!p->auto_exposure) {
            CameraSetAeState(mindHandle, 0);
            CameraSetExposureTime(mindHandle, x * 1000.0);
        } else {
            CameraSetAeState(mindHandle, 1);
        }
        CameraCommonCall(mindHandle, p->auto_wdr ? "set_awdr_enable(true)" : "set_awdr_enable(false)", nullptr, 0);
        break;
    case CAMERA_HIK:
        MV_CC_SetEnumValue(hikHandle, "ExposureMode", 0);
        MV_CC_SetEnumValue(hikHandle, "ExposureAuto", 0);
        MV_CC_SetFloatValue(hikHandle, "ExposureTime", float(x * 1000.0));
        break;
    default: break;
    }
    SetWB();
}

void CammerWidget::SetAdjustPlus()
{
    // Gain is tuned on the floating panel beside exposure: it reads the edit copy there too.
    const WizardPara* p = ParaForSetters(true);
    if (!cameraOpened() || !p)
        return;
    const int x = p->gain[cameraIndex];
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        GxFloatRange r;
        if (GXGetFloatRange(dahengHandle, DH_GAIN, &r) == GX_STATUS_SUCCESS)
            GXSetFloat(dahengHandle, DH_GAIN, r.min + x * (r.max - r.min) * 0.015625);
        break;
    }
    case CAMERA_IDS: is_SetHardwareGain(idsHandle, x, x, x, x); break;
    case CAMERA_MIND: {
        int mn = 0, mx = 0;
        CameraGetAeAnalogGainRange(mindHandle, &mn, &mx);
        CameraSetAnalogGain(mindHandle, int(std::trunc(x * (mx - mn) * 0.015625 + mn)));
        break;
    }
    case CAMERA_HIK: {
        MV_CC_SetEnumValue(hikHandle, "GainAuto", 0);
        MVCC_FLOATVALUE g{};
        MV_CC_GetGain(hikHandle, &g);
        MV_CC_SetFloatValue(hikHandle, "Gain", float(x * (double(g.max) - g.min) * 0.015625 + g.min));
        break;
    }
    default: break;
    }
    SetWB();
}

void CammerWidget::SetSharp()
{
    const WizardPara* p = ParaForSetters(false);
    if (!cameraOpened() || !p)
        return;
    const int x = p->sharpness[cameraIndex];
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        GxFloatRange r;
        if (GXGetFloatRange(dahengHandle, DH_SHARPNESS, &r) == GX_STATUS_SUCCESS)
            GXSetFloat(dahengHandle, DH_SHARPNESS, std::trunc(r.min + x * (r.max - r.min) / 100.0));
        break;
    }
    case CAMERA_MIND: {
        const MvRange r = mindCapability.sharpness;
        CameraSetSharpness(mindHandle, r.min + x * idiv(r.max - r.min, 100));
        break;
    }
    case CAMERA_HIK: {
        MVCC_INTVALUE s{};
        MV_CC_GetSharpness(hikHandle, &s);
        MV_CC_SetIntValue(hikHandle, "Sharpness", int64_t(std::trunc(s.min + x * double(s.max - s.min) / 100.0)));
        break;
    }
    case CAMERA_V4L2: SetV4L2Filters(*p); break;
    default: break;
    }
}

void CammerWidget::SetContrast()
{
    const WizardPara* p = ParaForSetters(false);
    if (!cameraOpened() || !p)
        return;
    const int x = p->contrast[cameraIndex];
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        QMutexLocker lock(pMutex[cameraIndex]);
        gContrast[cameraIndex] = x <= 150 ? x - 50 : 100;
        break;
    }
    case CAMERA_MIND: {
        const MvRange r = mindCapability.contrast;
        CameraSetContrast(mindHandle, r.min + x * idiv(r.max - r.min, 200));
        break;
    }
    case CAMERA_V4L2: SetV4L2Filters(*p); break;
    default: break;
    }
}

void CammerWidget::SetGamma()
{
    const WizardPara* p = ParaForSetters(false);
    if (!cameraOpened() || !p)
        return;
    const int x = p->gamma[cameraIndex];
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        GxFloatRange r;
        if (GXGetFloatRange(dahengHandle, DH_GAMMA, &r) == GX_STATUS_SUCCESS)
            GXSetFloat(dahengHandle, DH_GAMMA, r.min + x * (r.max - r.min) / 250.0);
        break;
    }
    case CAMERA_IDS: {
        int g = x;
        is_Gamma(idsHandle, IS_GAMMA_CMD_SET, &g, sizeof(g));
        break;
    }
    case CAMERA_MIND: {
        const MvRange r = mindCapability.gamma;
        CameraSetGamma(mindHandle, r.min + x * idiv(r.max - r.min, 250));
        break;
    }
    case CAMERA_HIK: {
        MVCC_FLOATVALUE g{};
        MV_CC_GetGamma(hikHandle, &g);
        MV_CC_SetFloatValue(hikHandle, "Gamma", float(g.min + x * (double(g.max) - g.min) / 250.0));
        break;
    }
    case CAMERA_V4L2: SetV4L2Filters(*p); break;
    default: break;
    }
}

void CammerWidget::SetWB()
{
    if (!cameraOpened() || !gisColor)
        return;
    if (gCameraID == CAMERA_MIND)
        CameraSetOnceWB(mindHandle);
    else if (gCameraID == CAMERA_HIK)
        MV_CC_SetBalanceWhiteAuto(hikHandle, 2);
}

void CammerWidget::AutoChangeExposeTime()
{
    if (!gpWPara || cameraIndex < 0 || cameraIndex >= 8)
        return;
    const int m = averageGray;
    if (m > 130)
        gpWPara->exposure[cameraIndex] -= 1;
    else if (m < 126)
        gpWPara->exposure[cameraIndex] += 1;
    SetExposeTime();
}

void CammerWidget::RestoreDefaultSettings()
{
    WizardPara* e = gpWParaBak;
    if (!cameraOpened() || !e)
        return;
    const int v = cameraIndex;
    switch (gCameraID) {
    case CAMERA_MIND: {
        const CameraHandle h = mindHandle;
        CameraStop();
        CameraLoadParameter(h, 0xFF);
        SetMindResolution();
        SetMindOutput();
        CameraSetAeState(h, e->auto_exposure ? 1 : 0);
        CameraSetMirror(h, 0, 0);
        CameraSetMirror(h, 1, (gOW < 2048 && !gisColor) ? 1 : 0);
        CameraSetFrameSpeed(h, 0);
        double exposure = 0;
        CameraGetExposureTime(h, &exposure);
        e->exposure[v] = int(std::trunc(exposure / 1000.0));
        int mn = 0, mx = 0, gain = 0;
        CameraGetAeAnalogGainRange(h, &mn, &mx);
        CameraGetAnalogGain(h, &gain);
        if (mx > mn)
            e->gain[v] = int(std::trunc((gain - mn) / ((mx - mn) * 0.015625)));
        int value = 0;
        const MvCapability& c = mindCapability;
        if (CameraGetSharpness(h, &value) == 0 && idiv(c.sharpness.max - c.sharpness.min, 100))
            e->sharpness[v] = (value - c.sharpness.min) / idiv(c.sharpness.max - c.sharpness.min, 100);
        if (CameraGetContrast(h, &value) == 0 && idiv(c.contrast.max - c.contrast.min, 200))
            e->contrast[v] = (value - c.contrast.min) / idiv(c.contrast.max - c.contrast.min, 200);
        if (CameraGetGamma(h, &value) == 0 && idiv(c.gamma.max - c.gamma.min, 250))
            e->gamma[v] = (value - c.gamma.min) / idiv(c.gamma.max - c.gamma.min, 250);
        CameraStart();
        CameraSetSpeed();
        break;
    }
    case CAMERA_HIK: {
        CameraStop();
        MV_CC_SetEnumValue(hikHandle, "UserSetSelector", 0);
        MV_CC_SetCommandValue(hikHandle, "UserSetLoad");
        MV_CC_SetEnumValue(hikHandle, "PixelFormat", (gSensorColor == 0 || !gisColor) ? MV_PIXEL_Mono8 : MV_PIXEL_BayerRG8);
        CameraStart();
        MVCC_FLOATVALUE f{};
        if (MV_CC_GetExposureTime(hikHandle, &f) == MV_OK)
            e->exposure[v] = int(std::trunc(f.cur / 1000.0));
        if (MV_CC_GetGain(hikHandle, &f) == MV_OK && f.max > f.min)
            e->gain[v] = int(std::trunc((f.cur - f.min) / ((double(f.max) - f.min) * 0.015625)));
        MVCC_INTVALUE s{};
        if (MV_CC_GetSharpness(hikHandle, &s) == MV_OK && s.max > s.min)
            e->sharpness[v] = int(std::trunc((s.cur - s.min) / (double(s.max - s.min) / 100.0)));
        if (MV_CC_GetGamma(hikHandle, &f) == MV_OK && f.max > f.min)
            e->gamma[v] = int(std::trunc((f.cur - f.min) / ((double(f.max) - f.min) / 250.0)));
        break;
    }
    case CAMERA_V4L2: {
        e->contrast[v] = 140;
        e->gamma[v] = 40;
        e->sharpness[v] = 0;
        QMutexLocker lock(pMutex[v]);
        BuildFilterTexts(*e);
        break;
    }
    default: break;
    }
}

void CameraSetSpeed()
{
    CameraHost* host = cameraHost();
    const int speed = gpWPara ? gpWPara->capture_speed : 0;
    for (int k = 0; k < numCamera && k < 8; ++k) {
        CammerWidget* w = host->view(k);
        if (!w || !w->cameraOpened())
            continue;
        w->CameraStop();
        switch (gCameraID) {
        case CAMERA_IDS: {
            unsigned clock = unsigned(speed);
            is_PixelClock(w->idsHandle, IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
            break;
        }
        case CAMERA_MIND: CameraSetFrameSpeed(w->mindHandle, speed + (gisColor ? 1 : 0)); break;
        case CAMERA_HIK:
            MV_CC_SetBoolValue(w->hikHandle, "AcquisitionFrameRateEnable", true);
            MV_CC_SetFloatValue(w->hikHandle, "AcquisitionFrameRate", float(speed < 5 ? 20 : speed));
            break;
        default: break;
        }
        w->CameraStart();
    }
}
