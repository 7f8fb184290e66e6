#pragma once
// The camera simulator behind the four makers' libraries of this folder. It reads the JSON file named
// by MOULDMON_SIMCAM:
//   {"make": "daheng"|"ids"|"mindvision"|"hikvision",
//    "devices": [{"serial", "model", "width", "height", "color", "fps", "source", "ip", "mask",
//                 "host_ip", "presets": [[w, h], ...]}]}
// Without it every library finds no device. Only the named make sees the devices. A device serves
// its source (a picture file, re-read when the file changes, or a folder served in name order,
// cycling; without a source a moving test pattern) at its frame rate, scaled to what the make's calls
// set, with brightness following exposure and gain and a little noise on every frame. Tests inject
// failures (open failure, busy device, bad frames, unplug and replug). Every set call is logged to the
// category "mouldmon.camsim" and kept in calls().
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <QLoggingCategory>
#include <QRect>
#include <QSize>
#include <QStringList>

Q_DECLARE_LOGGING_CATEGORY(lcCamSim)

namespace camsim {

enum class Make { None = 0, Daheng = 4, Ids = 5, MindVision = 6, Hikvision = 7 };
enum class Pixel { Mono8, BayerRG8, RGB8 };

// Results of open() and nextFrame().
enum Result { Ok = 0, NotFound, Failed, Busy, Timeout, Lost, BadFrame };

struct DeviceSpec {
    QString serial;
    QString model;
    int width = 1280;
    int height = 1024;
    bool color = false;
    double fps = 30;
    QString source;
    uint32_t ip = 0, mask = 0, hostIp = 0;  // host byte order
    std::vector<QSize> presets;             // preset resolutions (make 6); empty: the simulator's list
    QString unplugFile;                     // while this file exists the cable is pulled (tests of
                                            // another process); empty: never
};

struct Frame {
    std::vector<uint8_t> data;
    int width = 0;
    int height = 0;
    Pixel pixel = Pixel::Mono8;
    uint32_t number = 0;
};

class CamSim {
public:
    static CamSim& instance();

    // Reads MOULDMON_SIMCAM again and forgets all state (tests call it with no device open).
    void reload();
    Make make() const;
    int deviceCount() const;
    DeviceSpec spec(int dev) const;
    // Devices the library of `make` sees now, in file order.
    std::vector<int> present(Make make) const;

    // Failure injection.
    void setOpenFailure(int dev, bool fail);
    void setBusy(int dev, bool busy);  // held by another program
    void injectBadFrames(int dev, int count);
    void unplug(int dev);
    void replug(int dev);
    bool plugged(int dev) const;

    // Opening: a handle stays valid until close() or an unplug (generation changes).
    Result open(Make make, int dev, bool exclusive, uint64_t* generation);
    void close(int dev, uint64_t generation);
    bool alive(int dev, uint64_t generation) const;
    bool isOpen(int dev) const;

    // What the calls set.
    void setExposureUs(int dev, double us);
    void setGain(int dev, double normalized);  // 0..1 of the range
    void setGeometry(int dev, const QRect& fieldOfView, const QSize& output);
    void setGrabbing(int dev, bool on);
    void setFrameRate(int dev, double fps);  // 0: the device's own
    void setAddress(int dev, uint32_t ip, uint32_t mask, uint32_t gateway);
    uint32_t address(int dev, uint32_t* mask = nullptr, uint32_t* gateway = nullptr) const;
    QSize outputSize(int dev) const;

    // Waits up to timeoutMs for the next frame of the grabbing device and renders it in `pixel`.
    Result nextFrame(int dev, uint64_t generation, Pixel pixel, int timeoutMs, Frame* frame);
    // The number of the device's last frame served (its count of frames served).
    uint32_t served(int dev) const;

    // Call log.
    void log(Make make, int dev, const QString& call);
    QStringList calls() const;
    void clearCalls();

    static const char* makeName(Make make);

private:
    CamSim();
    struct Device;
    bool renderLocked(int dev, Pixel pixel, Frame* frame, std::unique_lock<std::mutex>& lock);
    void followUnplugFile(Device* d) const;

    mutable std::mutex mutex_;
    Make make_ = Make::None;
    std::vector<Device*> devices_;
    QStringList calls_;
};

// Bayer RG8 (R at even row and even column) to packed RGB, the conversion the libraries offer.
void bayerRGToRGB(const uint8_t* bayer, uint8_t* rgb, int width, int height);

}  // namespace camsim
