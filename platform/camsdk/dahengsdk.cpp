// Make 4 library calls, served by the camera simulator.
#include "platform/camsdk/dahengsdk.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/camsdk/camsim.h"

using namespace camsim;

namespace {

constexpr Make kMake = Make::Daheng;

// Feature numbers the simulator gives a meaning to.
enum : GX_FEATURE_ID {
    kOffsetX = 0x100003EC,
    kOffsetY = 0x100003ED,
    kWidth = 0x100003EE,
    kHeight = 0x100003EF,
    kBinH = 0x100003F0,
    kBinV = 0x100003F1,
    kDecH = 0x100003F2,
    kDecV = 0x100003F3,
    kSensorWidth = 0x100003F8,
    kSensorHeight = 0x100003F9,
    kExposureTime = 0x20000BC1,
    kGain = 0x20001393,
    kSharpness = 0x2000178B,
    kGamma = 0x20001397,
    kAcqStart = 0x70000BB9,
    kAcqStop = 0x70000BBA,
};

struct Handle {
    int dev = -1;
    uint64_t generation = 0;
    int64_t width = 0, height = 0, offX = 0, offY = 0;
    int64_t binH = 1, binV = 1, decH = 1, decV = 1;
    double exposure = 30000, gain = 12, sharpness = 0, gamma = 1;
    bool acquiring = false;
};

std::mutex gLibMutex;
bool gLibOpen = false;

Handle* H(GX_DEV_HANDLE h)
{
    return static_cast<Handle*>(h);
}

bool live(Handle* h)
{
    return h && CamSim::instance().alive(h->dev, h->generation);
}

QString hex(GX_FEATURE_ID id)
{
    return QString("0x%1").arg(uint32_t(id), 8, 16, QChar('0')).toUpper().replace("0X", "0x");
}

bool floatRange(GX_FEATURE_ID id, GxFloatRange* r)
{
    switch (id) {
    case kExposureTime: *r = {20, 100020, 1}; return true;
    case kGain: *r = {0, 24, 0.1}; return true;
    case kSharpness: *r = {0, 3, 0.1}; return true;
    case kGamma: *r = {0.1, 4, 0.1}; return true;
    default: return false;
    }
}

void applyGeometry(Handle* h)
{
    const DeviceSpec s = CamSim::instance().spec(h->dev);
    const int fx = int(std::max(h->binH, h->decH));
    const int fy = int(std::max(h->binV, h->decV));
    CamSim::instance().setGeometry(h->dev,
        QRect(int(h->offX) * fx, int(h->offY) * fy, int(h->width) * fx, int(h->height) * fy),
        QSize(int(h->width), int(h->height)));
    (void)s;
}

GX_STATUS openDev(int dev, const QString& how, GX_DEV_HANDLE* handle)
{
    auto& sim = CamSim::instance();
    uint64_t gen = 0;
    sim.log(kMake, dev, how);
    const Result r = sim.open(kMake, dev, true, &gen);
    if (r == NotFound)
        return GX_STATUS_NOT_FOUND_DEVICE;
    if (r == Busy)
        return GX_STATUS_INVALID_ACCESS;
    if (r != Ok)
        return GX_STATUS_ERROR;
    auto* h = new Handle;
    h->dev = dev;
    h->generation = gen;
    const DeviceSpec s = sim.spec(dev);
    h->width = s.width;
    h->height = s.height;
    *handle = h;
    return GX_STATUS_SUCCESS;
}

}  // namespace

GX_STATUS GXInitLib()
{
    std::lock_guard<std::mutex> lock(gLibMutex);
    gLibOpen = true;
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXCloseLib()
{
    std::lock_guard<std::mutex> lock(gLibMutex);
    gLibOpen = false;
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXUpdateDeviceList(uint32_t* deviceCount, uint32_t timeoutMs)
{
    {
        std::lock_guard<std::mutex> lock(gLibMutex);
        if (!gLibOpen)
            return GX_STATUS_NOT_INIT_API;
    }
    if (!deviceCount)
        return GX_STATUS_INVALID_PARAMETER;
    *deviceCount = uint32_t(CamSim::instance().present(kMake).size());
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* handle)
{
    if (!handle)
        return GX_STATUS_INVALID_PARAMETER;
    const std::vector<int> devs = CamSim::instance().present(kMake);
    if (index < 1 || index > devs.size())
        return GX_STATUS_NOT_FOUND_DEVICE;
    return openDev(devs[index - 1], QString("GXOpenDeviceByIndex %1").arg(index), handle);
}

GX_STATUS GXOpenDevice(GxOpenParam* param, GX_DEV_HANDLE* handle)
{
    if (!param || !param->content || !handle)
        return GX_STATUS_INVALID_PARAMETER;
    if (param->openMode != GX_OPEN_SN)
        return GX_STATUS_INVALID_PARAMETER;
    const QString serial = QString::fromLatin1(param->content);
    for (int dev : CamSim::instance().present(kMake)) {
        if (CamSim::instance().spec(dev).serial == serial)
            return openDev(dev, QString("GXOpenDevice SN %1").arg(serial), handle);
    }
    return GX_STATUS_NOT_FOUND_DEVICE;
}

GX_STATUS GXCloseDevice(GX_DEV_HANDLE handle)
{
    Handle* h = H(handle);
    if (!h)
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, "GXCloseDevice");
    CamSim::instance().close(h->dev, h->generation);
    delete h;
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetInt(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t* value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    if (!value)
        return GX_STATUS_INVALID_PARAMETER;
    const DeviceSpec s = CamSim::instance().spec(h->dev);
    switch (feature) {
    case kWidth: *value = h->width; return GX_STATUS_SUCCESS;
    case kHeight: *value = h->height; return GX_STATUS_SUCCESS;
    case kOffsetX: *value = h->offX; return GX_STATUS_SUCCESS;
    case kOffsetY: *value = h->offY; return GX_STATUS_SUCCESS;
    case kSensorWidth: *value = s.width; return GX_STATUS_SUCCESS;
    case kSensorHeight: *value = s.height; return GX_STATUS_SUCCESS;
    default: return GX_STATUS_INVALID_PARAMETER;
    }
}

GX_STATUS GXSetInt(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("GXSetInt %1 %2").arg(hex(feature)).arg(value));
    switch (feature) {
    case kWidth: h->width = value; break;
    case kHeight: h->height = value; break;
    case kOffsetX: h->offX = value; break;
    case kOffsetY: h->offY = value; break;
    case kBinH: h->binH = std::max<int64_t>(1, value); break;
    case kBinV: h->binV = std::max<int64_t>(1, value); break;
    case kDecH: h->decH = std::max<int64_t>(1, value); break;
    case kDecV: h->decV = std::max<int64_t>(1, value); break;
    default: return GX_STATUS_SUCCESS;
    }
    applyGeometry(h);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetEnum(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, int64_t value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("GXSetEnum %1 %2").arg(hex(feature)).arg(value));
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetBool(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, bool value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("GXSetBool %1 %2").arg(hex(feature)).arg(value ? "true" : "false"));
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetFloat(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, double* value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    if (!value)
        return GX_STATUS_INVALID_PARAMETER;
    switch (feature) {
    case kExposureTime: *value = h->exposure; return GX_STATUS_SUCCESS;
    case kGain: *value = h->gain; return GX_STATUS_SUCCESS;
    case kSharpness: *value = h->sharpness; return GX_STATUS_SUCCESS;
    case kGamma: *value = h->gamma; return GX_STATUS_SUCCESS;
    default: return GX_STATUS_INVALID_PARAMETER;
    }
}

GX_STATUS GXSetFloat(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, double value)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("GXSetFloat %1 %2").arg(hex(feature)).arg(value, 0, 'f', 6));
    GxFloatRange r;
    if (floatRange(feature, &r) && (value < r.min || value > r.max))
        return GX_STATUS_INVALID_PARAMETER;
    switch (feature) {
    case kExposureTime:
        h->exposure = value;
        CamSim::instance().setExposureUs(h->dev, value);
        break;
    case kGain:
        h->gain = value;
        CamSim::instance().setGain(h->dev, (value - r.min) / (r.max - r.min));
        break;
    case kSharpness: h->sharpness = value; break;
    case kGamma: h->gamma = value; break;
    default: break;
    }
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetFloatRange(GX_DEV_HANDLE handle, GX_FEATURE_ID feature, GxFloatRange* range)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    if (!range || !floatRange(feature, range))
        return GX_STATUS_INVALID_PARAMETER;
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSendCommand(GX_DEV_HANDLE handle, GX_FEATURE_ID feature)
{
    Handle* h = H(handle);
    if (!live(h))
        return GX_STATUS_INVALID_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("GXSendCommand %1").arg(hex(feature)));
    if (feature == kAcqStart || feature == kAcqStop) {
        h->acquiring = feature == kAcqStart;
        CamSim::instance().setGrabbing(h->dev, h->acquiring);
    }
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetImage(GX_DEV_HANDLE handle, GxFrameData* frame, uint32_t timeoutMs)
{
    Handle* h = H(handle);
    if (!h || !frame || !frame->imgBuf)
        return GX_STATUS_INVALID_PARAMETER;
    Frame f;
    const Result r = CamSim::instance().nextFrame(h->dev, h->generation, Pixel::Mono8, int(timeoutMs), &f);
    if (r == Timeout)
        return GX_STATUS_TIMEOUT;
    if (r == Lost)
        return GX_STATUS_INVALID_HANDLE;
    frame->frameId = 0;
    if (r == BadFrame) {
        frame->status = -1;  // incomplete frame
        return GX_STATUS_SUCCESS;
    }
    if (int64_t(f.data.size()) > frame->imgBufSize) {
        frame->status = -1;  // does not fit: no picture
        return GX_STATUS_SUCCESS;
    }
    frame->status = 0;
    frame->width = f.width;
    frame->height = f.height;
    frame->pixelFormat = 0x01080001;
    frame->imgSize = int32_t(f.data.size());
    frame->frameId = f.number;
    std::memcpy(frame->imgBuf, f.data.data(), f.data.size());
    return GX_STATUS_SUCCESS;
}

int32_t DxContrast(void* in, void* out, int32_t size, int32_t factor)
{
    if (!in || !out || size < 0 || factor < -50 || factor > 100)
        return -1;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        const int o = ((v - 128) * (100 + factor)) / 100 + 128;
        table[v] = uint8_t(std::min(255, std::max(0, o)));
    }
    const auto* s = static_cast<const uint8_t*>(in);
    auto* d = static_cast<uint8_t*>(out);
    for (int32_t i = 0; i < size; ++i)
        d[i] = table[s[i]];
    return 0;
}
