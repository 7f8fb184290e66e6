// Make 6 library calls, served by the camera simulator.
#include "platform/camsdk/mindvisionsdk.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/camsdk/camsim.h"

using namespace camsim;

namespace {

constexpr Make kMake = Make::MindVision;
constexpr MvRange kGainRange{16, 160};
constexpr MvRange kSharpRange{0, 100};
constexpr MvRange kContrastRange{0, 200};
constexpr MvRange kGammaRange{0, 250};

struct Camera {
    int dev = -1;
    uint64_t generation = 0;
    std::vector<MvImageResolution> presets;
    uint32_t outFormat = MV_ISP_MONO8;
    double exposureUs = 30000;
    int gain = 88, sharpness = 0, contrast = 100, gamma = 100;
    Frame raw;
    bool rawHeld = false;
};

std::mutex gMutex;
std::map<CameraHandle, std::shared_ptr<Camera>> gCameras;
CameraHandle gNextHandle = 1;

std::shared_ptr<Camera> find(CameraHandle h)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gCameras.find(h);
    return it == gCameras.end() ? nullptr : it->second;
}

MvImageResolution resolution(int index, const char* text, QRect fov, QSize out)
{
    MvImageResolution r;
    std::memset(&r, 0, sizeof(r));
    r.index = index;
    std::strncpy(r.description, text, sizeof(r.description) - 1);
    r.fovX = fov.x();
    r.fovY = fov.y();
    r.fovWidth = fov.width();
    r.fovHeight = fov.height();
    r.width = out.width();
    r.height = out.height();
    return r;
}

// The presets a device offers: the file's list, or full size, common centred crops and two binnings.
std::vector<MvImageResolution> presetsOf(const DeviceSpec& s)
{
    std::vector<QSize> sizes = s.presets;
    const bool own = !sizes.empty();
    if (!own) {
        sizes = {{s.width, s.height}, {1920, 1080}, {1600, 1200}, {1280, 1024}, {1280, 960}, {1280, 720},
                 {1024, 768}, {800, 600}, {640, 480}, {320, 240}};
    }
    std::vector<MvImageResolution> list;
    for (const QSize& z : sizes) {
        const int idx = int(list.size());
        if (z.width() <= s.width && z.height() <= s.height) {
            const QRect fov((s.width - z.width()) / 2, (s.height - z.height()) / 2, z.width(), z.height());
            list.push_back(resolution(idx, QString("%1X%2").arg(z.width()).arg(z.height()).toLatin1().constData(), fov, z));
        } else {
            list.push_back(resolution(idx, "FULL", QRect(0, 0, s.width, s.height), QSize(s.width, s.height)));
        }
    }
    if (!own) {
        list.push_back(resolution(int(list.size()), "BIN2X2", QRect(0, 0, s.width, s.height), QSize(s.width / 2, s.height / 2)));
        list.push_back(resolution(int(list.size()), "BIN4X4", QRect(0, 0, s.width, s.height), QSize(s.width / 4, s.height / 4)));
    }
    return list;
}

void fillInfo(MvDeviceInfo* info, const DeviceSpec& s, int instance)
{
    std::memset(info, 0, sizeof(*info));
    std::strncpy(info->productSeries, "SIM", sizeof(info->productSeries) - 1);
    std::strncpy(info->productName, s.model.toLatin1().constData(), sizeof(info->productName) - 1);
    std::strncpy(info->friendlyName, (s.model + "#" + s.serial).toLatin1().constData(), sizeof(info->friendlyName) - 1);
    std::strncpy(info->portType, "USB3.0", sizeof(info->portType) - 1);
    std::strncpy(info->serial, s.serial.toLatin1().constData(), sizeof(info->serial) - 1);
    info->instance = uint32_t(instance);
}

#define CAM_OR_FAIL                                                    \
    std::shared_ptr<Camera> c = find(handle);                          \
    if (!c || !CamSim::instance().alive(c->dev, c->generation))        \
        return CAMERA_STATUS_INVALID_HANDLE;

void logCall(const Camera& c, const QString& text)
{
    CamSim::instance().log(kMake, c.dev, text);
}

}  // namespace

CameraSdkStatus CameraSdkInit(int language)
{
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraUSBDeviceInit()
{
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSdkGetVersionString(char* text)
{
    if (!text)
        return CAMERA_STATUS_INVALID_PARAMETER;
    std::strcpy(text, "sim 1.0");
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraEnumerateDevice(MvDeviceInfo* list, int* count)
{
    if (!list || !count || *count < 0)
        return CAMERA_STATUS_INVALID_PARAMETER;
    const std::vector<int> devs = CamSim::instance().present(kMake);
    const int n = std::min(*count, int(devs.size()));
    for (int i = 0; i < n; ++i)
        fillInfo(&list[i], CamSim::instance().spec(devs[i]), devs[i]);
    *count = n;
    return n > 0 ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_NO_DEVICE_FOUND;
}

CameraSdkStatus CameraInit(MvDeviceInfo* device, int paramMode, int team, CameraHandle* handle)
{
    if (!device || !handle)
        return CAMERA_STATUS_INVALID_PARAMETER;
    char serial[33] = {};
    std::memcpy(serial, device->serial, sizeof(device->serial));
    int dev = -1;
    for (int d : CamSim::instance().present(kMake)) {
        if (CamSim::instance().spec(d).serial == QString::fromLatin1(serial))
            dev = d;
    }
    if (dev < 0)
        return CAMERA_STATUS_NO_DEVICE_FOUND;
    CamSim::instance().log(kMake, dev, QString("CameraInit %1 %2").arg(paramMode).arg(team));
    uint64_t gen = 0;
    const Result r = CamSim::instance().open(kMake, dev, true, &gen);
    if (r == Busy)
        return CAMERA_STATUS_ACCESS_DENY;
    if (r != Ok)
        return CAMERA_STATUS_FAILED;
    auto c = std::make_shared<Camera>();
    c->dev = dev;
    c->generation = gen;
    c->presets = presetsOf(CamSim::instance().spec(dev));
    std::lock_guard<std::mutex> lock(gMutex);
    *handle = gNextHandle++;
    gCameras[*handle] = c;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraUnInit(CameraHandle handle)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return CAMERA_STATUS_INVALID_HANDLE;
    logCall(*c, "CameraUnInit");
    CamSim::instance().close(c->dev, c->generation);
    std::lock_guard<std::mutex> lock(gMutex);
    gCameras.erase(handle);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetCapability(CameraHandle handle, MvCapability* cap)
{
    CAM_OR_FAIL
    if (!cap)
        return CAMERA_STATUS_INVALID_PARAMETER;
    const DeviceSpec s = CamSim::instance().spec(c->dev);
    std::memset(cap, 0, sizeof(*cap));
    cap->presets = c->presets.data();
    cap->presetCount = int32_t(c->presets.size());
    cap->maxWidth = s.width;
    cap->maxHeight = s.height;
    cap->isMono = s.color ? 0 : 1;
    cap->analogGain = kGainRange;
    cap->sharpness = kSharpRange;
    cap->contrast = kContrastRange;
    cap->gamma = kGammaRange;
    cap->exposureMin = 1;
    cap->exposureMax = 1000000;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraReadSN(CameraHandle handle, uint8_t* buffer, int level)
{
    CAM_OR_FAIL
    if (!buffer || level != 0)
        return CAMERA_STATUS_INVALID_PARAMETER;
    std::memset(buffer, 0, 32);
    const QByteArray sn = CamSim::instance().spec(c->dev).serial.toLatin1();
    std::memcpy(buffer, sn.constData(), std::min<size_t>(31, size_t(sn.size())));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetImageResolution(CameraHandle handle, MvImageResolution* r)
{
    CAM_OR_FAIL
    if (!r)
        return CAMERA_STATUS_INVALID_PARAMETER;
    logCall(*c, QString("CameraSetImageResolution %1 fov %2,%3 %4x%5 out %6x%7")
                    .arg(r->index).arg(r->fovX).arg(r->fovY).arg(r->fovWidth).arg(r->fovHeight).arg(r->width).arg(r->height));
    MvImageResolution use = *r;
    if (r->index != MV_CUSTOM_RESOLUTION) {
        if (r->index < 0 || r->index >= int(c->presets.size()))
            return CAMERA_STATUS_INVALID_PARAMETER;
        use = c->presets[size_t(r->index)];
    }
    if (use.width <= 0 || use.height <= 0 || use.fovWidth <= 0 || use.fovHeight <= 0)
        return CAMERA_STATUS_INVALID_PARAMETER;
    CamSim::instance().setGeometry(c->dev, QRect(use.fovX, use.fovY, use.fovWidth, use.fovHeight), QSize(use.width, use.height));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetIspOutFormat(CameraHandle handle, uint32_t format)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetIspOutFormat 0x%1").arg(format, 8, 16, QChar('0')));
    if (format != MV_ISP_MONO8 && format != MV_ISP_RGB8)
        return CAMERA_STATUS_INVALID_PARAMETER;
    c->outFormat = format;
    return CAMERA_STATUS_SUCCESS;
}

#define SIMPLE_SET(name, fmt)                                       \
    CameraSdkStatus name(CameraHandle handle, int value)            \
    {                                                               \
        CAM_OR_FAIL                                                 \
        logCall(*c, QString(#name " %1").arg(value));               \
        return CAMERA_STATUS_SUCCESS;                               \
    }

SIMPLE_SET(CameraSetMonochrome, 0)
SIMPLE_SET(CameraSetMediaType, 0)
SIMPLE_SET(CameraSetWbMode, 0)
SIMPLE_SET(CameraSetTriggerMode, 0)
SIMPLE_SET(CameraSetAeState, 0)
SIMPLE_SET(CameraSetAeTarget, 0)
SIMPLE_SET(CameraSetAntiFlick, 0)

CameraSdkStatus CameraSetAeExposureRange(CameraHandle handle, double minMicroseconds, double maxMicroseconds)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetAeExposureRange %1 %2").arg(minMicroseconds, 0, 'f', 1).arg(maxMicroseconds, 0, 'f', 1));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetFrameSpeed(CameraHandle handle, int speed)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetFrameSpeed %1").arg(speed));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetMirror(CameraHandle handle, int direction, int enable)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetMirror %1 %2").arg(direction).arg(enable));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetExposureTime(CameraHandle handle, double microseconds)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetExposureTime %1").arg(microseconds, 0, 'f', 6));
    c->exposureUs = microseconds;
    CamSim::instance().setExposureUs(c->dev, microseconds);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetExposureTime(CameraHandle handle, double* microseconds)
{
    CAM_OR_FAIL
    if (!microseconds)
        return CAMERA_STATUS_INVALID_PARAMETER;
    *microseconds = c->exposureUs;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle handle, int* min, int* max)
{
    CAM_OR_FAIL
    if (!min || !max)
        return CAMERA_STATUS_INVALID_PARAMETER;
    *min = kGainRange.min;
    *max = kGainRange.max;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetAnalogGain(CameraHandle handle, int gain)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraSetAnalogGain %1").arg(gain));
    c->gain = std::min(kGainRange.max, std::max(kGainRange.min, gain));
    CamSim::instance().setGain(c->dev, double(c->gain - kGainRange.min) / (kGainRange.max - kGainRange.min));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetAnalogGain(CameraHandle handle, int* gain)
{
    CAM_OR_FAIL
    if (!gain)
        return CAMERA_STATUS_INVALID_PARAMETER;
    *gain = c->gain;
    return CAMERA_STATUS_SUCCESS;
}

#define RANGED(setName, getName, member, range)                    \
    CameraSdkStatus setName(CameraHandle handle, int value)        \
    {                                                              \
        CAM_OR_FAIL                                                \
        logCall(*c, QString(#setName " %1").arg(value));           \
        if (value < range.min || value > range.max)                \
            return CAMERA_STATUS_INVALID_PARAMETER;                \
        c->member = value;                                         \
        return CAMERA_STATUS_SUCCESS;                              \
    }                                                              \
    CameraSdkStatus getName(CameraHandle handle, int* value)       \
    {                                                              \
        CAM_OR_FAIL                                                \
        if (!value)                                                \
            return CAMERA_STATUS_INVALID_PARAMETER;                \
        *value = c->member;                                        \
        return CAMERA_STATUS_SUCCESS;                              \
    }

RANGED(CameraSetSharpness, CameraGetSharpness, sharpness, kSharpRange)
RANGED(CameraSetContrast, CameraGetContrast, contrast, kContrastRange)
RANGED(CameraSetGamma, CameraGetGamma, gamma, kGammaRange)

CameraSdkStatus CameraSetOnceWB(CameraHandle handle)
{
    CAM_OR_FAIL
    logCall(*c, "CameraSetOnceWB");
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraLoadParameter(CameraHandle handle, int team)
{
    CAM_OR_FAIL
    logCall(*c, QString("CameraLoadParameter %1").arg(team));
    c->exposureUs = 30000;
    c->gain = 88;
    c->sharpness = 0;
    c->contrast = 100;
    c->gamma = 100;
    CamSim::instance().setExposureUs(c->dev, c->exposureUs);
    CamSim::instance().setGain(c->dev, 0.5);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraCommonCall(CameraHandle handle, const char* command, char* result, uint32_t resultSize)
{
    CAM_OR_FAIL
    if (!command)
        return CAMERA_STATUS_INVALID_PARAMETER;
    logCall(*c, QString("CameraCommonCall %1").arg(QString::fromLatin1(command)));
    if (result && resultSize)
        result[0] = 0;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraPlay(CameraHandle handle)
{
    CAM_OR_FAIL
    logCall(*c, "CameraPlay");
    CamSim::instance().setGrabbing(c->dev, true);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraStop(CameraHandle handle)
{
    CAM_OR_FAIL
    logCall(*c, "CameraStop");
    CamSim::instance().setGrabbing(c->dev, false);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetImageBuffer(CameraHandle handle, MvFrameHead* head, uint8_t** buffer, uint32_t timeoutMs)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return CAMERA_STATUS_INVALID_HANDLE;
    if (!head || !buffer)
        return CAMERA_STATUS_INVALID_PARAMETER;
    const bool color = CamSim::instance().spec(c->dev).color;
    Frame f;
    const Result r = CamSim::instance().nextFrame(c->dev, c->generation, color ? Pixel::BayerRG8 : Pixel::Mono8,
                                                   int(timeoutMs), &f);
    if (r == Timeout)
        return CAMERA_STATUS_TIME_OUT;
    if (r == Lost)
        return CAMERA_STATUS_DEVICE_LOST;
    if (r != Ok)
        return CAMERA_STATUS_FAILED;
    c->raw = std::move(f);
    c->rawHeld = true;
    head->mediaType = color ? 0x01080009u : MV_ISP_MONO8;
    head->width = c->raw.width;
    head->height = c->raw.height;
    head->bytes = int32_t(c->raw.data.size());
    head->frameNumber = c->raw.number;
    *buffer = c->raw.data.data();
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraImageProcess(CameraHandle handle, uint8_t* raw, uint8_t* out, MvFrameHead* head)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return CAMERA_STATUS_INVALID_HANDLE;
    if (!raw || !out || !head || !c->rawHeld || raw != c->raw.data.data())
        return CAMERA_STATUS_INVALID_PARAMETER;
    const int w = head->width, h = head->height;
    const size_t n = size_t(w) * size_t(h);
    const bool bayer = head->mediaType == 0x01080009u;
    if (c->outFormat == MV_ISP_RGB8) {
        if (bayer) {
            bayerRGToRGB(raw, out, w, h);
        } else {
            for (size_t i = 0; i < n; ++i)
                out[i * 3] = out[i * 3 + 1] = out[i * 3 + 2] = raw[i];
        }
    } else if (bayer) {
        std::vector<uint8_t> rgb(n * 3);
        bayerRGToRGB(raw, rgb.data(), w, h);
        for (size_t i = 0; i < n; ++i)
            out[i] = uint8_t((rgb[i * 3] * 77 + rgb[i * 3 + 1] * 150 + rgb[i * 3 + 2] * 29) >> 8);
    } else {
        std::memcpy(out, raw, n);
    }
    head->mediaType = c->outFormat;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraReleaseImageBuffer(CameraHandle handle, uint8_t* buffer)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return CAMERA_STATUS_INVALID_HANDLE;
    c->rawHeld = false;
    return CAMERA_STATUS_SUCCESS;
}
