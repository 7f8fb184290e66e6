// Make 5 library calls, served by the camera simulator.
#include "platform/camsdk/idssdk.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/camsdk/camsim.h"
#include "platform/camsdk/threadwaits.h"

using namespace camsim;

namespace {

constexpr Make kMake = Make::Ids;

struct Memory {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    uint64_t frame = 0;  // the camera's count of the frame in it, 0: none yet
    bool held = false;
};

struct Camera {
    int dev = -1;
    uint64_t generation = 0;
    std::map<int, Memory> memories;
    int activeId = 0;
    int width = 0, height = 0;
    std::thread capture;
    std::atomic<bool> capturing{false};
    std::mutex memMutex;  // the capture thread writes the active memory under it
    uint64_t frames = 0;  // frames written, under memMutex
};

std::mutex gMutex;
std::map<HIDS, std::shared_ptr<Camera>> gCameras;
HIDS gNextHandle = 1;
int gNextMemoryId = 1;

std::shared_ptr<Camera> find(HIDS h)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gCameras.find(h);
    return it == gCameras.end() ? nullptr : it->second;
}

void stopCapture(Camera& c)
{
    c.capturing = false;
    if (c.capture.joinable())
        c.capture.join();
}

void captureLoop(Camera* c)
{
    // A stop joins this thread: the time it waited for a CPU outlives it.
    struct KeepWait {
        ~KeepWait() { ThreadWaits::KeepMine(); }
    } keep;
    auto& sim = CamSim::instance();
    while (c->capturing) {
        Frame f;
        const Result r = sim.nextFrame(c->dev, c->generation, Pixel::Mono8, 100, &f);
        if (r != Ok)
            continue;  // a bad or missing frame leaves the memory as it was
        std::lock_guard<std::mutex> lock(c->memMutex);
        auto it = c->memories.find(c->activeId);
        // A held memory is being read: the frame is dropped, as with no free memory on the device.
        if (it == c->memories.end() || it->second.held)
            continue;
        std::memcpy(it->second.data.get(), f.data.data(), std::min(it->second.size, f.data.size()));
        it->second.frame = ++c->frames;
    }
}

}  // namespace

int is_GetNumberOfCameras(int* count)
{
    if (!count)
        return IS_NO_SUCCESS;
    *count = int(CamSim::instance().present(kMake).size());
    return IS_SUCCESS;
}

int is_InitCamera(HIDS* handle, void* window)
{
    if (!handle)
        return IS_NO_SUCCESS;
    const std::vector<int> devs = CamSim::instance().present(kMake);
    const int id = int(*handle & ~IS_USE_DEVICE_ID);
    int dev = -1;
    if (id == 0) {
        // Id 0: the first device nobody has open.
        for (int d : devs) {
            if (!CamSim::instance().isOpen(d)) {
                dev = d;
                break;
            }
        }
    } else if (id <= int(devs.size())) {
        dev = devs[id - 1];
    }
    if (dev < 0)
        return IS_CANT_OPEN_DEVICE;
    CamSim::instance().log(kMake, dev, QString("is_InitCamera 0x%1").arg(*handle, 0, 16));
    uint64_t gen = 0;
    const Result r = CamSim::instance().open(kMake, dev, true, &gen);
    if (r == Busy)
        return IS_DEVICE_ALREADY_PAIRED;
    if (r != Ok)
        return IS_CANT_OPEN_DEVICE;
    auto c = std::make_shared<Camera>();
    c->dev = dev;
    c->generation = gen;
    const DeviceSpec s = CamSim::instance().spec(dev);
    c->width = s.width;
    c->height = s.height;
    std::lock_guard<std::mutex> lock(gMutex);
    *handle = gNextHandle++;
    gCameras[*handle] = c;
    return IS_SUCCESS;
}

int is_ExitCamera(HIDS handle)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    CamSim::instance().log(kMake, c->dev, "is_ExitCamera");
    stopCapture(*c);
    CamSim::instance().close(c->dev, c->generation);
    std::lock_guard<std::mutex> lock(gMutex);
    gCameras.erase(handle);
    return IS_SUCCESS;
}

int is_GetSensorInfo(HIDS handle, IsSensorInfo* info)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c || !info || !CamSim::instance().alive(c->dev, c->generation))
        return IS_INVALID_CAMERA_HANDLE;
    const DeviceSpec s = CamSim::instance().spec(c->dev);
    std::memset(info, 0, sizeof(*info));
    std::strncpy(info->sensorName, s.model.toLatin1().constData(), sizeof(info->sensorName) - 1);
    info->colorMode = s.color ? 2 : 1;
    info->maxWidth = uint32_t(s.width);
    info->maxHeight = uint32_t(s.height);
    return IS_SUCCESS;
}

int is_GetCameraInfo(HIDS handle, IsCameraInfo* info)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c || !info || !CamSim::instance().alive(c->dev, c->generation))
        return IS_INVALID_CAMERA_HANDLE;
    std::memset(info, 0, sizeof(*info));
    const DeviceSpec s = CamSim::instance().spec(c->dev);
    std::strncpy(info->serial, s.serial.toLatin1().constData(), sizeof(info->serial) - 1);
    return IS_SUCCESS;
}

#define CAM_OR_FAIL                                                       \
    std::shared_ptr<Camera> c = find(handle);                             \
    if (!c || !CamSim::instance().alive(c->dev, c->generation))           \
        return IS_INVALID_CAMERA_HANDLE;

int is_SetColorMode(HIDS handle, int mode)
{
    CAM_OR_FAIL
    CamSim::instance().log(kMake, c->dev, QString("is_SetColorMode %1").arg(mode));
    return mode == IS_CM_MONO8 ? IS_SUCCESS : IS_NO_SUCCESS;
}

int is_AllocImageMem(HIDS handle, int width, int height, int bitsPerPixel, char** memory, int* memoryId)
{
    CAM_OR_FAIL
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0 || !memory || !memoryId)
        return IS_NO_SUCCESS;
    Memory m;
    m.size = size_t(width) * size_t(height) * size_t((bitsPerPixel + 7) / 8);
    m.data.reset(new char[m.size]());
    *memory = m.data.get();
    std::lock_guard<std::mutex> lock(c->memMutex);
    *memoryId = gNextMemoryId++;
    c->memories[*memoryId] = std::move(m);
    return IS_SUCCESS;
}

int is_SetImageMem(HIDS handle, char* memory, int memoryId)
{
    CAM_OR_FAIL
    std::lock_guard<std::mutex> lock(c->memMutex);
    auto it = c->memories.find(memoryId);
    if (it == c->memories.end() || it->second.data.get() != memory)
        return IS_NO_SUCCESS;
    c->activeId = memoryId;
    return IS_SUCCESS;
}

int is_FreeImageMem(HIDS handle, char* memory, int memoryId)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    std::lock_guard<std::mutex> lock(c->memMutex);
    auto it = c->memories.find(memoryId);
    if (it == c->memories.end() || it->second.data.get() != memory || it->second.held)
        return IS_NO_SUCCESS;
    c->memories.erase(it);
    if (c->activeId == memoryId)
        c->activeId = 0;
    return IS_SUCCESS;
}

int is_AOI(HIDS handle, unsigned command, void* param, unsigned size)
{
    CAM_OR_FAIL
    if (command != IS_AOI_IMAGE_SET_SIZE || !param || size < sizeof(IsSize2D))
        return IS_NO_SUCCESS;
    const auto* s = static_cast<IsSize2D*>(param);
    CamSim::instance().log(kMake, c->dev, QString("is_AOI set size %1x%2").arg(s->width).arg(s->height));
    c->width = s->width;
    c->height = s->height;
    CamSim::instance().setGeometry(c->dev, QRect(0, 0, s->width, s->height), QSize(s->width, s->height));
    return IS_SUCCESS;
}

int is_SetAutoParameter(HIDS handle, int param, double* value1, double* value2)
{
    CAM_OR_FAIL
    CamSim::instance().log(kMake, c->dev,
        QString("is_SetAutoParameter 0x%1 %2").arg(param, 0, 16).arg(value1 ? *value1 : 0.0, 0, 'f', 6));
    return IS_SUCCESS;
}

int is_SetHardwareGamma(HIDS handle, int mode)
{
    CAM_OR_FAIL
    CamSim::instance().log(kMake, c->dev, QString("is_SetHardwareGamma %1").arg(mode));
    return IS_SUCCESS;
}

int is_PixelClock(HIDS handle, unsigned command, void* param, unsigned size)
{
    CAM_OR_FAIL
    if (command != IS_PIXELCLOCK_CMD_SET || !param || size < sizeof(unsigned))
        return IS_NO_SUCCESS;
    CamSim::instance().log(kMake, c->dev, QString("is_PixelClock set %1").arg(*static_cast<unsigned*>(param)));
    return IS_SUCCESS;
}

int is_Exposure(HIDS handle, unsigned command, void* param, unsigned size)
{
    CAM_OR_FAIL
    if (command != IS_EXPOSURE_CMD_SET_EXPOSURE || !param || size < sizeof(double))
        return IS_NO_SUCCESS;
    const double ms = *static_cast<double*>(param);
    CamSim::instance().log(kMake, c->dev, QString("is_Exposure set %1").arg(ms, 0, 'f', 6));
    CamSim::instance().setExposureUs(c->dev, ms * 1000.0);
    return IS_SUCCESS;
}

int is_SetHardwareGain(HIDS handle, int master, int red, int green, int blue)
{
    CAM_OR_FAIL
    CamSim::instance().log(kMake, c->dev, QString("is_SetHardwareGain %1 %2 %3 %4").arg(master).arg(red).arg(green).arg(blue));
    if (master < 0 || master > 100)
        return IS_NO_SUCCESS;
    // The simulated sensor reaches its full analogue gain at 64.
    CamSim::instance().setGain(c->dev, master / 64.0);
    return IS_SUCCESS;
}

int is_Gamma(HIDS handle, unsigned command, void* param, unsigned size)
{
    CAM_OR_FAIL
    if (command != IS_GAMMA_CMD_SET || !param || size < sizeof(int))
        return IS_NO_SUCCESS;
    CamSim::instance().log(kMake, c->dev, QString("is_Gamma set %1").arg(*static_cast<int*>(param)));
    return IS_SUCCESS;
}

int is_CaptureVideo(HIDS handle, int wait)
{
    CAM_OR_FAIL
    CamSim::instance().log(kMake, c->dev, QString("is_CaptureVideo %1").arg(wait));
    if (c->capturing)
        return IS_SUCCESS;
    CamSim::instance().setGrabbing(c->dev, true);
    c->capturing = true;
    c->capture = std::thread(captureLoop, c.get());
    return IS_SUCCESS;
}

int is_StopLiveVideo(HIDS handle, int wait)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    CamSim::instance().log(kMake, c->dev, QString("is_StopLiveVideo 0x%1").arg(wait, 0, 16));
    stopCapture(*c);
    CamSim::instance().setGrabbing(c->dev, false);
    return IS_SUCCESS;
}

int is_HoldImageMem(HIDS handle, char* memory, int memoryId, uint64_t* frameCount)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    // Taking the lock waits for a write in progress; the flag keeps later writes out.
    std::lock_guard<std::mutex> lock(c->memMutex);
    auto it = c->memories.find(memoryId);
    if (it == c->memories.end() || it->second.data.get() != memory || it->second.held)
        return IS_NO_SUCCESS;
    it->second.held = true;
    if (frameCount)
        *frameCount = it->second.frame;
    return IS_SUCCESS;
}

int is_ReleaseImageMem(HIDS handle, char* memory, int memoryId)
{
    std::shared_ptr<Camera> c = find(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    std::lock_guard<std::mutex> lock(c->memMutex);
    auto it = c->memories.find(memoryId);
    if (it == c->memories.end() || it->second.data.get() != memory || !it->second.held)
        return IS_NO_SUCCESS;
    it->second.held = false;
    return IS_SUCCESS;
}
