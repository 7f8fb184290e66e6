#include "vision/camera/cameradiscovery.h"

#include <cstring>
#include <mutex>
#include <thread>

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/syspath.h"
#include "core/uitexttable.h"
#include "platform/camsdk/dahengsdk.h"
#include "platform/camsdk/idssdk.h"
#include "vision/camera/camerahost.h"
#include "vision/camera/cammerwidget.h"
#include "vision/camera/v4l2source.h"

std::atomic<int> gCameraID{CAMERA_NONE};
int gFindCamera = 0;
int gOW = 0, gOH = 0;
int gSensorColor = 0;
bool gisCut = false;
MvImageResolution gImageResolution{};
MvDeviceInfo gCList[MV_MAX_DEVICES];
int gCListCount = 0;
MV_CC_DEVICE_INFO_LIST gDevList{};
bool gisLost = false;
int gLost = 0;
int numCamera = 0;
int gCamNO[8] = {0, 1, 2, 3, 4, 5, 6, 7};

bool ProbeV4L2Device(int device);

namespace {

QString TextRow(int row)
{
    return gaLanStr[row * LAN_COUNT + (gLan >= 0 && gLan < LAN_COUNT ? gLan : 0)];
}

bool ProbeDaheng()
{
    GXInitLib();
    uint32_t count = 0;
    GX_STATUS st = GXUpdateDeviceList(&count, 20);
    if (st != GX_STATUS_SUCCESS) {
        qInfo() << "GX_STATUS_SUCCESS:" << st;
        return false;
    }
    if (count == 0) {
        qInfo() << "find 0 MerCamera ";
        return false;
    }
    GX_DEV_HANDLE h = nullptr;
    st = GXOpenDeviceByIndex(1, &h);
    if (st != GX_STATUS_SUCCESS) {
        qInfo() << "Open MerCamera Error : " << st;
        return false;
    }
    int64_t w = 0, hgt = 0;
    st = GXGetInt(h, 0x100003EE, &w);
    if (st != GX_STATUS_SUCCESS) {
        qInfo() << "Get MerCamera width Error : " << st;
        GXCloseDevice(h);
        return false;
    }
    st = GXGetInt(h, 0x100003EF, &hgt);
    if (st != GX_STATUS_SUCCESS) {
        qInfo() << "Get MerCamera height Error : " << st;
        GXCloseDevice(h);
        return false;
    }
    gOW = int(w);
    gOH = int(hgt);
    int ww = 0, wh = 0;
    WorkingSizeFor(CAMERA_DAHENG, gOW, gOH, gisCut, &ww, &wh);
    SetWorkingSize(ww, wh);
    qInfo() << "find MerCamera count : " << count;
    gCameraID = CAMERA_DAHENG;
    gFindCamera = int(count);
    GXCloseDevice(h);
    return true;
}

bool ProbeIds()
{
    int count = 0;
    if (is_GetNumberOfCameras(&count) != IS_SUCCESS || count <= 0)
        return false;
    HIDS h = IS_USE_DEVICE_ID;
    if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
        return false;
    IsSensorInfo info;
    if (is_GetSensorInfo(h, &info) != IS_SUCCESS) {
        is_ExitCamera(h);
        return false;
    }
    gOW = int(info.maxWidth);
    gOH = int(info.maxHeight);
    SetWorkingSize(1280, 1024);
    gCameraID = CAMERA_IDS;
    cameraHost()->wait(3000);
    count = 0;
    is_GetNumberOfCameras(&count);
    gFindCamera = count;
    is_ExitCamera(h);
    return true;
}

int EnumerateMind()
{
    int count = MV_MAX_DEVICES;
    std::memset(gCList, 0, sizeof(gCList));
    if (CameraEnumerateDevice(gCList, &count) != CAMERA_STATUS_SUCCESS)
        count = 0;
    gCListCount = std::max(0, std::min(count, int(MV_MAX_DEVICES)));
    return gCListCount;
}

bool ProbeMind()
{
    const int count = EnumerateMind();
    if (count < 1)
        return false;
    CameraHandle h = 0;
    if (CameraInit(&gCList[0], -1, -1, &h) != CAMERA_STATUS_SUCCESS)
        return false;
    MvCapability cap;
    CameraGetCapability(h, &cap);
    gSensorColor = cap.isMono ? 0 : 1;
    gOW = cap.maxWidth;
    gOH = cap.maxHeight;
    std::memset(&gImageResolution, 0, sizeof(gImageResolution));
    gImageResolution.index = -1;
    if (gisCut && gOW == 2592) {
        // Preset 10 only when the camera has that many presets; otherwise the sensor size.
        if (cap.presets && cap.presetCount > 10) {
            gImageResolution = cap.presets[10];
            SetWorkingSize(gImageResolution.width, gImageResolution.height);
        } else {
            qWarning() << "camera offers" << cap.presetCount << "preset resolutions, working at sensor size";
            SetWorkingSize(gOW, gOH);
        }
    } else {
        int ww = 0, wh = 0;
        WorkingSizeFor(CAMERA_MIND, gOW, gOH, gisCut, &ww, &wh);
        SetWorkingSize(ww, wh);
    }
    gCameraID = CAMERA_MIND;
    gFindCamera = count;
    CameraUnInit(h);
    EnumerateMind();
    return true;
}

int EnumerateHik()
{
    std::memset(&gDevList, 0, sizeof(gDevList));
    if (MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &gDevList) != MV_OK)
        gDevList.deviceCount = 0;
    return int(gDevList.deviceCount);
}

bool ProbeHik()
{
    cameraHost()->ensureDeviceReach(true);
    const int count = EnumerateHik();
    if (count < 1 || !gDevList.deviceInfo[0])
        return false;
    void* h = nullptr;
    if (MV_CC_CreateHandle(&h, gDevList.deviceInfo[0]) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(h, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(h);
        return false;
    }
    MVCC_STRINGVALUE model;
    std::memset(&model, 0, sizeof(model));
    MV_CC_GetStringValue(h, "DeviceModelName", &model);
    const size_t len = strnlen(model.value, sizeof(model.value));
    gSensorColor = (len > 0 && model.value[len - 1] == 'M') ? 0 : 1;
    MVCC_INTVALUE v{};
    if (MV_CC_GetIntValue(h, "WidthMax", &v) == MV_OK)
        gOW = int(v.cur);
    if (MV_CC_GetIntValue(h, "HeightMax", &v) == MV_OK)
        gOH = int(v.cur);
    int w = gOW, hh = gOH;
    if (MV_CC_GetIntValue(h, "Width", &v) == MV_OK)
        w = int(v.cur);
    if (MV_CC_GetIntValue(h, "Height", &v) == MV_OK)
        hh = int(v.cur);
    SetWorkingSize(w, hh);
    MV_CC_CloseDevice(h);
    MV_CC_DestroyHandle(h);
    gCameraID = CAMERA_HIK;
    gFindCamera = count;
    return true;
}

// The make 6 recovery's interface reset runs here, off the GUI thread.
std::mutex gResetMutex;
std::thread gResetThread;
bool gResetRunning = false;
bool gResetDone = false;

void ResetNetworkInterfaces()
{
    QFile f(sysPath("/proc/net/dev"));
    QString text;
    if (f.open(QIODevice::ReadOnly))
        text = QString::fromLocal8Bit(f.readAll());
    QStringList names;
    QRegularExpression re("\\s+(\\S+):");
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        if (!name.contains("lo") && !names.contains(name))
            names << name;
    }
    for (const QString& name : names) {
        runCommand("ip", {"addr", "flush", "dev", name});
        cameraHost()->wait(1000);
        runCommand("ifdown", {name});
        runCommand("ifup", {name});
        cameraHost()->wait(1000);
    }
    std::lock_guard<std::mutex> lock(gResetMutex);
    gResetRunning = false;
    gResetDone = true;
}

// True when the interfaces have been reset since the last call; starts a reset otherwise.
bool NetworkResetFinished()
{
    std::lock_guard<std::mutex> lock(gResetMutex);
    if (gResetRunning)
        return false;
    if (gResetDone) {
        gResetDone = false;
        if (gResetThread.joinable())
            gResetThread.join();
        return true;
    }
    if (gResetThread.joinable())
        gResetThread.join();
    gResetRunning = true;
    gResetThread = std::thread(ResetNetworkInterfaces);
    return false;
}

}  // namespace

bool NetworkResetRunning()
{
    std::lock_guard<std::mutex> lock(gResetMutex);
    return gResetRunning;
}

void WaitNetworkReset()
{
    std::thread t;
    {
        std::lock_guard<std::mutex> lock(gResetMutex);
        t.swap(gResetThread);
    }
    if (t.joinable())
        t.join();
}

void SetWorkingSize(int w, int h)
{
    gImageW = w;
    gImageH = h;
    gImageLen = w * h;
    gColorLen = gisColor ? gImageLen * 4 : gImageLen;
}

void WorkingSizeFor(int make, int sw, int sh, bool cut, int* w, int* h)
{
    *w = sw;
    *h = sh;
    if (make == CAMERA_DAHENG) {
        if (sw == 2592) {
            *w = 1296;
            *h = sh / 2;
        } else if (cut && sw == 1280) {
            *w = 1120;
            *h = 840;
        } else if (cut && sw == 2048) {
            *w = 1600;
            *h = 1200;
        }
    } else if (make == CAMERA_MIND && cut) {
        if (sw == 1280) {
            *w = 1120;
            *h = 840;
        } else if (sw == 2048) {
            *w = 1600;
            *h = 1200;
        } else if (sw == 3088) {
            *w = 2592;
            *h = 1944;
        } else if (sw == 1600) {
            *w = 1300;
            *h = 1000;
        }
    }
}

void CheckCameraID()
{
    CameraHost* host = cameraHost();
    gCameraID = CAMERA_NONE;
    gSensorColor = 0;
    // The GigE repair (RepairAllCameraIP) comes first; re-addressed cameras need time to come up.
    if (host->repairAllCameraIP() > 0)
        host->wait(6000);
    if (ProbeDaheng())
        return;
    CameraSdkInit(0);
    CameraUSBDeviceInit();
    if (ProbeIds())
        return;
    if (ProbeMind())
        return;
    if (ProbeHik())
        return;
    gFindCamera = CheckUSBCameraNum();
    if (gFindCamera > 0 && ProbeV4L2Device(0)) {
        gCameraID = CAMERA_V4L2;
        SetWorkingSize(960, 540);
        return;
    }
    gFindCamera = 4;
    gCameraID = CAMERA_NONE;
    SetWorkingSize(1920, 1080);
}

int CheckUSBCameraNum()
{
    // A copy left by an earlier run must not be counted when this copy fails.
    QFile::remove("devices");
    runCommand("cp", {"-f", sysPath("/proc/bus/input/devices"), "."});
    QFile f("devices");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int count = 0;
    while (!f.atEnd()) {
        const QString line = QString::fromLocal8Bit(f.readLine());
        if (line.contains("Camera", Qt::CaseInsensitive) || line.contains("WebCam", Qt::CaseInsensitive))
            count++;
    }
    return count;
}

void CameraCheck(int view)
{
    if (gisLost)
        return;
    CameraHost* host = cameraHost();
    switch (gCameraID) {
    case CAMERA_DAHENG:
    case CAMERA_IDS:
    case CAMERA_MIND:
    case CAMERA_V4L2:
        gisLost = true;
        break;
    case CAMERA_HIK:
        if (EnumerateHik() == numCamera)
            return;
        gisLost = true;
        break;
    default:
        return;
    }
    gLost += 1;
    host->insertRecord(TextRow(332).arg(gLost).arg(view + 1));
    // The machine must not close on a mould nobody inspects.
    if (host->runState() != 3)
        host->setMouldCloseInhibit();
    for (int k = 0; k < numCamera && k < 8; ++k) {
        host->markCycleNotOK(k);
        if (CammerWidget* w = host->view(k)) {
            w->CameraStop();
            w->CameraClose();
        }
    }
    host->showWarnBox(TextRow(39));
}

void CameraRestart()
{
    CameraHost* host = cameraHost();
    bool back = false;
    switch (gCameraID) {
    case CAMERA_DAHENG: {
        // Counted back like the other makes.
        uint32_t count = 0;
        GXInitLib();
        back = GXUpdateDeviceList(&count, 20) == GX_STATUS_SUCCESS && int(count) == numCamera;
        break;
    }
    case CAMERA_IDS: {
        int count = 0;
        back = is_GetNumberOfCameras(&count) == IS_SUCCESS && count == numCamera;
        break;
    }
    case CAMERA_MIND:
        // The interface reset runs on a worker; the count is taken on the call after it ended.
        if (!NetworkResetFinished())
            return;
        back = EnumerateMind() == numCamera;
        break;
    case CAMERA_HIK:
        host->ensureDeviceReach(false);
        back = EnumerateHik() == numCamera;
        break;
    case CAMERA_V4L2:
        back = CheckUSBCameraNum() == numCamera;
        break;
    default:
        return;
    }
    if (!back)
        return;
    gisLost = false;

    host->hideWarnBox();
    for (int k = 0; k < numCamera && k < 8; ++k) {
        if (CammerWidget* w = host->view(k)) {
            w->CameraOpen();
            w->CameraStart();
        }
    }
    host->insertRecord("Camera Restart");

    int closed = -1;
    for (int k = 0; k < numCamera && k < 8; ++k) {
        host->clearFrameCount(k);
        if (!host->cameraOpened(k))
            closed = k;
    }
    if (closed >= 0) {
        CameraCheck(closed);
        return;
    }
    CameraSetSpeed();
}

void SaveSN(int clear)
{
    CameraHost* host = cameraHost();
    for (auto& slot : gSerialNB)
        qstrncpy(slot, "0", sizeof(slot));
    if (clear == 0) {
        for (int k = 0; k < numCamera && k < 8; ++k) {
            CammerWidget* w = host->view(k);
            const int slot = gCamNO[k];
            if (!w || slot < 0 || slot >= 8 || !w->cameraOpened())
                continue;
            char serial[100] = {};
            if (gCameraID == CAMERA_IDS) {
                IsCameraInfo info;
                if (is_GetCameraInfo(w->idsHandle, &info) == IS_SUCCESS)
                    qstrncpy(serial, info.serial, std::min(sizeof(serial), sizeof(info.serial) + 1));
            } else if (gCameraID == CAMERA_MIND) {
                uint8_t sn[33] = {};
                if (CameraReadSN(w->mindHandle, sn, 0) == CAMERA_STATUS_SUCCESS)
                    qstrncpy(serial, reinterpret_cast<const char*>(sn), 33);
            } else if (gCameraID == CAMERA_HIK) {
                const MV_CC_DEVICE_INFO* d = w->hikDeviceInfo;
                if (d && d->transportLayer == MV_GIGE_DEVICE) {
                    const char* s = d->special.gige.serialNumber;
                    std::memcpy(serial, s, strnlen(s, sizeof(d->special.gige.serialNumber)));
                }
            } else {
                continue;
            }
            qstrncpy(gSerialNB[slot], serial, sizeof(gSerialNB[slot]));
        }
    }
    QSqlDatabase db = QSqlDatabase::database(SERIAL_DB_CONNECTION, false);
    for (int i = 0; i < 8; ++i) {
        const QString text = QString::fromLatin1(gSerialNB[i], int(strnlen(gSerialNB[i], sizeof(gSerialNB[i]))));
        QSqlQuery q(db);
        q.prepare("update sysparam set value=? where name=?");
        q.addBindValue(text);
        q.addBindValue(QString("serialNB%1").arg(i));
        if (!q.exec())
            qWarning() << "SN.db update failed:" << i;
        if (i < numCamera)
            host->insertRecord(QString("Save SN %1: %2").arg(i + 1).arg(text));
    }
}
