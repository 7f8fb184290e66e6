// Make 7 library calls, served by the camera simulator.
#include "platform/camsdk/hikvisionsdk.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/camsdk/camsim.h"

using namespace camsim;

namespace {

constexpr Make kMake = Make::Hikvision;

struct Handle {
    int dev = -1;
    uint64_t generation = 0;
    bool open = false;
    MvImageCallBack callback = nullptr;
    void* user = nullptr;
    unsigned pixelFormat = MV_PIXEL_Mono8;
    std::thread grab;
    std::atomic<bool> grabbing{false};
    bool rateEnable = false;
    float exposure = 30000, gain = 8.5f, gamma = 1.0f;
    int64_t sharpness = 0;
};

// Enumerated records live until the next enumeration, as the library's own do.
std::mutex gEnumMutex;
MV_CC_DEVICE_INFO gInfos[MV_MAX_DEVICE_NUM];

int devOf(const MV_CC_DEVICE_INFO* info)
{
    if (!info)
        return -1;
    const char* serial = info->transportLayer == MV_GIGE_DEVICE ? info->special.gige.serialNumber : info->special.usb.serialNumber;
    const size_t cap = info->transportLayer == MV_GIGE_DEVICE ? sizeof(info->special.gige.serialNumber) : sizeof(info->special.usb.serialNumber);
    const QString s = QString::fromLatin1(serial, int(strnlen(serial, cap)));
    for (int d : CamSim::instance().present(kMake)) {
        if (CamSim::instance().spec(d).serial == s)
            return d;
    }
    return -1;
}

Handle* H(void* h)
{
    return static_cast<Handle*>(h);
}

bool live(Handle* h)
{
    return h && h->open && CamSim::instance().alive(h->dev, h->generation);
}

void grabLoop(Handle* h)
{
    auto& sim = CamSim::instance();
    const Pixel pixel = h->pixelFormat == MV_PIXEL_BayerRG8 ? Pixel::BayerRG8 : Pixel::Mono8;
    while (h->grabbing) {
        Frame f;
        const Result r = sim.nextFrame(h->dev, h->generation, pixel, 100, &f);
        MV_FRAME_OUT_INFO info{};
        info.pixelType = h->pixelFormat;
        if (r == BadFrame) {
            // A torn frame: shorter than the picture.
            const QSize s = sim.outputSize(h->dev);
            std::vector<uint8_t> torn(size_t(s.width() / 2) * size_t(std::max(1, s.height() / 2)), 0);
            info.width = uint16_t(s.width() / 2);
            info.height = uint16_t(s.height() / 2);
            info.frameLength = uint32_t(torn.size());
            if (h->callback && h->grabbing)
                h->callback(torn.data(), &info, h->user);
            continue;
        }
        if (r != Ok)
            continue;
        info.width = uint16_t(f.width);
        info.height = uint16_t(f.height);
        info.frameNumber = f.number;
        info.frameLength = uint32_t(f.data.size());
        if (h->callback && h->grabbing)
            h->callback(f.data.data(), &info, h->user);
    }
}

void stopGrab(Handle* h)
{
    h->grabbing = false;
    if (h->grab.joinable())
        h->grab.join();
    CamSim::instance().setGrabbing(h->dev, false);
}

}  // namespace

int MV_CC_EnumDevices(unsigned layerTypes, MV_CC_DEVICE_INFO_LIST* list)
{
    if (!list)
        return MV_E_PARAMETER;
    std::lock_guard<std::mutex> lock(gEnumMutex);
    std::memset(list, 0, sizeof(*list));
    auto& sim = CamSim::instance();
    for (int d : sim.present(kMake)) {
        const DeviceSpec s = sim.spec(d);
        const unsigned layer = s.ip != 0 ? MV_GIGE_DEVICE : MV_USB_DEVICE;
        if (!(layerTypes & layer) || list->deviceCount >= MV_MAX_DEVICE_NUM)
            continue;
        MV_CC_DEVICE_INFO& info = gInfos[list->deviceCount];
        std::memset(&info, 0, sizeof(info));
        info.transportLayer = layer;
        info.macHigh = 0x0000A0B0;
        info.macLow = 0x10000000u + uint32_t(d);
        const QByteArray serial = s.serial.toLatin1();
        const QByteArray model = s.model.toLatin1();
        if (layer == MV_GIGE_DEVICE) {
            uint32_t mask = 0, gateway = 0;
            info.special.gige.currentIp = sim.address(d, &mask, &gateway);
            info.special.gige.currentSubnetMask = mask;
            info.special.gige.defaultGateway = gateway;
            info.special.gige.netExport = s.hostIp;
            std::strncpy(info.special.gige.manufacturer, "SIM", sizeof(info.special.gige.manufacturer) - 1);
            std::strncpy(info.special.gige.modelName, model.constData(), sizeof(info.special.gige.modelName) - 1);
            std::strncpy(info.special.gige.serialNumber, serial.constData(), sizeof(info.special.gige.serialNumber) - 1);
        } else {
            std::strncpy(info.special.usb.manufacturer, "SIM", sizeof(info.special.usb.manufacturer) - 1);
            std::strncpy(info.special.usb.modelName, model.constData(), sizeof(info.special.usb.modelName) - 1);
            std::strncpy(info.special.usb.serialNumber, serial.constData(), sizeof(info.special.usb.serialNumber) - 1);
        }
        list->deviceInfo[list->deviceCount++] = &info;
    }
    return MV_OK;
}

bool MV_CC_IsDeviceAccessible(MV_CC_DEVICE_INFO* device, unsigned accessMode)
{
    const int d = devOf(device);
    if (d < 0)
        return false;
    auto& sim = CamSim::instance();
    if (sim.isOpen(d))
        return false;
    const DeviceSpec s = sim.spec(d);
    if (s.ip == 0)
        return true;
    uint32_t mask = 0;
    const uint32_t ip = sim.address(d, &mask);
    // Reachable only from the host interface's own subnet.
    return mask != 0 && (ip & mask) == (s.hostIp & mask);
}

int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* device)
{
    if (!handle)
        return MV_E_PARAMETER;
    const int d = devOf(device);
    if (d < 0)
        return MV_E_PARAMETER;
    auto* h = new Handle;
    h->dev = d;
    *handle = h;
    return MV_OK;
}

int MV_CC_DestroyHandle(void* handle)
{
    Handle* h = H(handle);
    if (!h)
        return MV_E_HANDLE;
    stopGrab(h);
    if (h->open)
        CamSim::instance().close(h->dev, h->generation);
    delete h;
    return MV_OK;
}

int MV_CC_OpenDevice(void* handle, unsigned accessMode, unsigned short switchoverKey)
{
    Handle* h = H(handle);
    if (!h)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_OpenDevice %1").arg(accessMode));
    const Result r = CamSim::instance().open(kMake, h->dev, accessMode == MV_ACCESS_Exclusive, &h->generation);
    if (r == Busy)
        return MV_E_ACCESS_DENIED;
    if (r != Ok)
        return MV_E_NETER;
    h->open = true;
    return MV_OK;
}

int MV_CC_CloseDevice(void* handle)
{
    Handle* h = H(handle);
    if (!h)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, "MV_CC_CloseDevice");
    stopGrab(h);
    if (h->open)
        CamSim::instance().close(h->dev, h->generation);
    h->open = false;
    return MV_OK;
}

int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value)
{
    Handle* h = H(handle);
    if (!live(h) || !key)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetEnumValue %1 %2").arg(key).arg(value));
    if (!std::strcmp(key, "PixelFormat")) {
        if (value != MV_PIXEL_Mono8 && value != MV_PIXEL_BayerRG8)
            return MV_E_PARAMETER;
        if (value == MV_PIXEL_BayerRG8 && !CamSim::instance().spec(h->dev).color)
            return MV_E_SUPPORT;
        h->pixelFormat = value;
    }
    return MV_OK;
}

int MV_CC_SetBoolValue(void* handle, const char* key, bool value)
{
    Handle* h = H(handle);
    if (!live(h) || !key)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetBoolValue %1 %2").arg(key).arg(value ? "true" : "false"));
    if (!std::strcmp(key, "AcquisitionFrameRateEnable")) {
        h->rateEnable = value;
        if (!value)
            CamSim::instance().setFrameRate(h->dev, 0);
    }
    return MV_OK;
}

int MV_CC_SetFloatValue(void* handle, const char* key, float value)
{
    Handle* h = H(handle);
    if (!live(h) || !key)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetFloatValue %1 %2").arg(key).arg(double(value), 0, 'f', 6));
    if (!std::strcmp(key, "ExposureTime")) {
        if (value < 15 || value > 1000000)
            return MV_E_PARAMETER;
        h->exposure = value;
        CamSim::instance().setExposureUs(h->dev, value);
    } else if (!std::strcmp(key, "Gain")) {
        if (value < 0 || value > 17)
            return MV_E_PARAMETER;
        h->gain = value;
        CamSim::instance().setGain(h->dev, value / 17.0);
    } else if (!std::strcmp(key, "Gamma")) {
        if (value < 0 || value > 4)
            return MV_E_PARAMETER;
        h->gamma = value;
    } else if (!std::strcmp(key, "AcquisitionFrameRate")) {
        if (value <= 0)
            return MV_E_PARAMETER;
        if (h->rateEnable)
            CamSim::instance().setFrameRate(h->dev, value);
    }
    return MV_OK;
}

int MV_CC_SetIntValue(void* handle, const char* key, int64_t value)
{
    Handle* h = H(handle);
    if (!live(h) || !key)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetIntValue %1 %2").arg(key).arg(value));
    if (!std::strcmp(key, "Sharpness")) {
        if (value < 0 || value > 100)
            return MV_E_PARAMETER;
        h->sharpness = value;
    }
    return MV_OK;
}

int MV_CC_SetCommandValue(void* handle, const char* key)
{
    Handle* h = H(handle);
    if (!live(h) || !key)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetCommandValue %1").arg(key));
    if (!std::strcmp(key, "UserSetLoad")) {
        h->exposure = 30000;
        h->gain = 8.5f;
        h->gamma = 1.0f;
        h->sharpness = 0;
        CamSim::instance().setExposureUs(h->dev, h->exposure);
        CamSim::instance().setGain(h->dev, 0.5);
    }
    return MV_OK;
}

int MV_CC_GetIntValue(void* handle, const char* key, MVCC_INTVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !key || !value)
        return MV_E_HANDLE;
    const DeviceSpec s = CamSim::instance().spec(h->dev);
    if (!std::strcmp(key, "WidthMax") || !std::strcmp(key, "Width"))
        *value = {s.width, s.width, 8, 8};
    else if (!std::strcmp(key, "HeightMax") || !std::strcmp(key, "Height"))
        *value = {s.height, s.height, 8, 2};
    else
        return MV_E_SUPPORT;
    return MV_OK;
}

int MV_CC_GetStringValue(void* handle, const char* key, MVCC_STRINGVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !key || !value)
        return MV_E_HANDLE;
    if (std::strcmp(key, "DeviceModelName"))
        return MV_E_SUPPORT;
    std::memset(value, 0, sizeof(*value));
    const QByteArray model = CamSim::instance().spec(h->dev).model.toLatin1();
    std::strncpy(value->value, model.constData(), sizeof(value->value) - 1);
    value->maxLength = sizeof(value->value);
    return MV_OK;
}

int MV_CC_GetExposureTime(void* handle, MVCC_FLOATVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !value)
        return MV_E_HANDLE;
    *value = {h->exposure, 1000000.0f, 15.0f};
    return MV_OK;
}

int MV_CC_GetGain(void* handle, MVCC_FLOATVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !value)
        return MV_E_HANDLE;
    *value = {h->gain, 17.0f, 0.0f};
    return MV_OK;
}

int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !value)
        return MV_E_HANDLE;
    *value = {h->sharpness, 100, 0, 1};
    return MV_OK;
}

int MV_CC_GetGamma(void* handle, MVCC_FLOATVALUE* value)
{
    Handle* h = H(handle);
    if (!live(h) || !value)
        return MV_E_HANDLE;
    *value = {h->gamma, 4.0f, 0.0f};
    return MV_OK;
}

int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode)
{
    Handle* h = H(handle);
    if (!live(h))
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, QString("MV_CC_SetBalanceWhiteAuto %1").arg(mode));
    return MV_OK;
}

int MV_CC_RegisterImageCallBack(void* handle, MvImageCallBack callback, void* user)
{
    Handle* h = H(handle);
    if (!live(h))
        return MV_E_HANDLE;
    if (h->grabbing)
        return MV_E_BUSY;
    h->callback = callback;
    h->user = user;
    return MV_OK;
}

int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* p)
{
    if (!H(handle) || !p || !p->srcData || !p->dstBuffer)
        return MV_E_PARAMETER;
    const size_t n = size_t(p->width) * size_t(p->height);
    if (p->dstPixelType != MV_PIXEL_RGB8_Packed || p->dstBufferSize < n * 3 || p->srcDataLen < n)
        return MV_E_PARAMETER;
    if (p->srcPixelType == MV_PIXEL_BayerRG8) {
        bayerRGToRGB(p->srcData, p->dstBuffer, p->width, p->height);
    } else if (p->srcPixelType == MV_PIXEL_Mono8) {
        for (size_t i = 0; i < n; ++i)
            p->dstBuffer[i * 3] = p->dstBuffer[i * 3 + 1] = p->dstBuffer[i * 3 + 2] = p->srcData[i];
    } else {
        return MV_E_SUPPORT;
    }
    p->dstLen = uint32_t(n * 3);
    return MV_OK;
}

int MV_CC_StartGrabbing(void* handle)
{
    Handle* h = H(handle);
    if (!live(h))
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, "MV_CC_StartGrabbing");
    if (h->grabbing)
        return MV_OK;
    CamSim::instance().setGrabbing(h->dev, true);
    h->grabbing = true;
    h->grab = std::thread(grabLoop, h);
    return MV_OK;
}

int MV_CC_StopGrabbing(void* handle)
{
    Handle* h = H(handle);
    if (!h)
        return MV_E_HANDLE;
    CamSim::instance().log(kMake, h->dev, "MV_CC_StopGrabbing");
    stopGrab(h);
    return MV_OK;
}

int MV_GIGE_ForceIpEx(void* handle, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    Handle* h = H(handle);
    if (!h || h->dev < 0)
        return MV_E_HANDLE;
    auto& sim = CamSim::instance();
    if (sim.spec(h->dev).ip == 0 || !sim.plugged(h->dev))
        return MV_E_SUPPORT;
    auto dotted = [](uint32_t a) {
        return QString("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 255).arg((a >> 8) & 255).arg(a & 255);
    };
    sim.log(kMake, h->dev, QString("MV_GIGE_ForceIpEx %1 %2 %3").arg(dotted(ip), dotted(mask), dotted(gateway)));
    sim.setAddress(h->dev, ip, mask, gateway);
    return MV_OK;
}
