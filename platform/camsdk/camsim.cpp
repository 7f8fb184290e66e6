#include "platform/camsdk/camsim.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <opencv2/imgproc.hpp>

Q_LOGGING_CATEGORY(lcCamSim, "mouldmon.camsim")

namespace camsim {

using Clock = std::chrono::steady_clock;

namespace {

uint32_t parseIp(const QString& text)
{
    QHostAddress a(text);
    bool ok = false;
    const uint32_t v = a.toIPv4Address(&ok);
    return ok ? v : 0;
}

// A picture file as last read, kept until the file changes.
struct CachedPicture {
    timespec mtime{};
    ino_t inode = 0;
    off_t size = 0;
    cv::Mat image;  // 8-bit grey or RGB
};

bool sameFile(const struct stat& st, const CachedPicture& c)
{
    return st.st_mtim.tv_sec == c.mtime.tv_sec && st.st_mtim.tv_nsec == c.mtime.tv_nsec && st.st_ino == c.inode
        && st.st_size == c.size;
}

}  // namespace

struct CamSim::Device {
    DeviceSpec spec;
    bool plugged = true;
    bool failOpen = false;
    bool busy = false;
    int badFrames = 0;
    uint64_t generation = 1;
    bool open = false;
    bool grabbing = false;
    Clock::time_point grabStart;
    int64_t lastIndex = -1;
    uint32_t frameNumber = 0;
    double exposureUs = 30000;
    double gain = 0.5;
    double fps = 0;
    QRect fov;
    QSize out;
    uint32_t ip = 0, mask = 0, gateway = 0;
    int folderIndex = 0;
    uint64_t noiseState = 0x9E3779B97F4A7C15ull;
    std::map<std::string, CachedPicture> pictures;
};

CamSim& CamSim::instance()
{
    static CamSim sim;
    return sim;
}

CamSim::CamSim()
{
    reload();
}

const char* CamSim::makeName(Make make)
{
    switch (make) {
    case Make::Daheng: return "daheng";
    case Make::Ids: return "ids";
    case Make::MindVision: return "mindvision";
    case Make::Hikvision: return "hikvision";
    default: return "none";
    }
}

void CamSim::reload()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (Device* d : devices_)
        delete d;
    devices_.clear();
    make_ = Make::None;
    const QString path = QString::fromLocal8Bit(qgetenv("MOULDMON_SIMCAM"));
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qCWarning(lcCamSim) << "cannot read" << path;
        return;
    }
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
    if (!doc.isObject()) {
        qCWarning(lcCamSim) << "bad simulator file" << path << err.errorString();
        return;
    }
    const QJsonObject root = doc.object();
    const QString make = root.value("make").toString().toLower();
    if (make == "daheng")
        make_ = Make::Daheng;
    else if (make == "ids")
        make_ = Make::Ids;
    else if (make == "mindvision")
        make_ = Make::MindVision;
    else if (make == "hikvision")
        make_ = Make::Hikvision;
    else {
        qCWarning(lcCamSim) << "unknown make" << make;
        return;
    }
    const QDir base = QFileInfo(path).absoluteDir();
    for (const QJsonValue& v : root.value("devices").toArray()) {
        const QJsonObject o = v.toObject();
        auto* d = new Device;
        d->spec.serial = o.value("serial").toString();
        d->spec.model = o.value("model").toString();
        d->spec.width = std::max(8, o.value("width").toInt(1280));
        d->spec.height = std::max(8, o.value("height").toInt(1024));
        d->spec.color = o.value("color").toBool(false);
        d->spec.fps = o.value("fps").toDouble(30);
        if (d->spec.fps <= 0)
            d->spec.fps = 30;
        const QString src = o.value("source").toString();
        // A relative source is taken from the simulator file's folder.
        d->spec.source = src.isEmpty() || QDir::isAbsolutePath(src) ? src : base.filePath(src);
        d->spec.ip = parseIp(o.value("ip").toString());
        d->spec.mask = parseIp(o.value("mask").toString());
        d->spec.hostIp = parseIp(o.value("host_ip").toString());
        d->spec.unplugFile = o.value("unplug_file").toString();
        for (const QJsonValue& p : o.value("presets").toArray()) {
            const QJsonArray wh = p.toArray();
            if (wh.size() == 2)
                d->spec.presets.emplace_back(wh.at(0).toInt(), wh.at(1).toInt());
        }
        d->ip = d->spec.ip;
        d->mask = d->spec.mask;
        d->fov = QRect(0, 0, d->spec.width, d->spec.height);
        d->out = QSize(d->spec.width, d->spec.height);
        d->noiseState ^= uint64_t(devices_.size() + 1) * 0x100000001B3ull;
        devices_.push_back(d);
    }
    calls_.clear();
}

Make CamSim::make() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return make_;
}

int CamSim::deviceCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(devices_.size());
}

DeviceSpec CamSim::spec(int dev) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (dev < 0 || dev >= int(devices_.size()))
        return DeviceSpec();
    return devices_[dev]->spec;
}

// The cable follows the device's unplug file, when it names one.
void CamSim::followUnplugFile(Device* d) const
{
    if (d->spec.unplugFile.isEmpty())
        return;
    const bool pulled = QFileInfo::exists(d->spec.unplugFile);
    if (pulled && d->plugged) {
        d->plugged = false;
        d->generation++;
        d->open = false;
        d->grabbing = false;
    } else if (!pulled && !d->plugged) {
        d->plugged = true;
    }
}

std::vector<int> CamSim::present(Make make) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> r;
    if (make != make_)
        return r;
    for (int i = 0; i < int(devices_.size()); ++i) {
        followUnplugFile(devices_[i]);
        if (devices_[i]->plugged)
            r.push_back(i);
    }
    return r;
}

#define DEV_OR(ret)                                           \
    if (dev < 0 || dev >= int(devices_.size()))               \
        return ret;                                           \
    Device* d = devices_[dev];

void CamSim::setOpenFailure(int dev, bool fail)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->failOpen = fail;
}

void CamSim::setBusy(int dev, bool busy)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->busy = busy;
}

void CamSim::injectBadFrames(int dev, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->badFrames = count;
}

void CamSim::unplug(int dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->plugged = false;
    // Every handle of the device dies with the cable.
    d->generation++;
    d->open = false;
    d->grabbing = false;
}

void CamSim::replug(int dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->plugged = true;
}

bool CamSim::plugged(int dev) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(false)
    return d->plugged;
}

Result CamSim::open(Make make, int dev, bool exclusive, uint64_t* generation)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(NotFound)
    followUnplugFile(d);
    if (make != make_ || !d->plugged)
        return NotFound;
    if (d->failOpen)
        return Failed;
    if (d->busy || (d->open && exclusive))
        return Busy;
    d->open = true;
    d->grabbing = false;
    d->generation++;
    // A fresh open starts from the device's defaults.
    d->exposureUs = 30000;
    d->gain = 0.5;
    d->fps = 0;
    d->fov = QRect(0, 0, d->spec.width, d->spec.height);
    d->out = QSize(d->spec.width, d->spec.height);
    if (generation)
        *generation = d->generation;
    return Ok;
}

void CamSim::close(int dev, uint64_t generation)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    if (d->generation != generation)
        return;
    d->open = false;
    d->grabbing = false;
    d->generation++;
}

bool CamSim::alive(int dev, uint64_t generation) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(false)
    return d->plugged && d->open && d->generation == generation;
}

bool CamSim::isOpen(int dev) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(false)
    return d->open;
}

void CamSim::setExposureUs(int dev, double us)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->exposureUs = std::max(0.0, us);
}

void CamSim::setGain(int dev, double normalized)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->gain = std::min(1.0, std::max(0.0, normalized));
}

void CamSim::setGeometry(int dev, const QRect& fieldOfView, const QSize& output)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    const QRect sensor(0, 0, d->spec.width, d->spec.height);
    QRect fov = fieldOfView.intersected(sensor);
    if (fov.isEmpty())
        fov = sensor;
    d->fov = fov;
    d->out = output.isValid() && !output.isEmpty() ? output : fov.size();
}

void CamSim::setGrabbing(int dev, bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    if (on && !d->grabbing) {
        d->grabStart = Clock::now();
        d->lastIndex = -1;
    }
    d->grabbing = on;
}

void CamSim::setFrameRate(int dev, double fps)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->fps = fps;
    d->grabStart = Clock::now();
    d->lastIndex = -1;
}

void CamSim::setAddress(int dev, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR()
    d->ip = ip;
    d->mask = mask;
    d->gateway = gateway;
}

uint32_t CamSim::address(int dev, uint32_t* mask, uint32_t* gateway) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(0)
    if (mask)
        *mask = d->mask;
    if (gateway)
        *gateway = d->gateway;
    return d->ip;
}

QSize CamSim::outputSize(int dev) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(QSize())
    return d->out;
}

uint32_t CamSim::served(int dev) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    DEV_OR(0)
    return d->frameNumber;
}

Result CamSim::nextFrame(int dev, uint64_t generation, Pixel pixel, int timeoutMs, Frame* frame)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        DEV_OR(Lost)
        followUnplugFile(d);
        if (!d->plugged || d->generation != generation || !d->open) {
            lock.unlock();
            // A dead device answers only after the caller's time-out, as a real one does.
            std::this_thread::sleep_until(deadline);
            return Lost;
        }
        const Clock::time_point now = Clock::now();
        if (d->grabbing) {
            const double fps = d->fps > 0 ? d->fps : d->spec.fps;
            const auto since = std::chrono::duration<double>(now - d->grabStart).count();
            const int64_t index = int64_t(std::floor(since * fps));
            if (index > d->lastIndex) {
                // The newest frame counts; frames nobody fetched in time are gone.
                d->lastIndex = index;
                d->frameNumber++;
                if (d->badFrames > 0) {
                    d->badFrames--;
                    return BadFrame;
                }
                return renderLocked(dev, pixel, frame, lock) ? Ok : BadFrame;
            }
            const auto due = d->grabStart
                + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>((d->lastIndex + 1) / fps));
            if (due > deadline) {
                lock.unlock();
                std::this_thread::sleep_until(deadline);
                return Timeout;
            }
            lock.unlock();
            std::this_thread::sleep_until(std::min(due, now + std::chrono::milliseconds(5)));
            lock.lock();
            continue;
        }
        if (now >= deadline)
            return Timeout;
        lock.unlock();
        std::this_thread::sleep_until(std::min(deadline, now + std::chrono::milliseconds(5)));
        lock.lock();
    }
}

namespace {

// A picture file as 8-bit grey or packed RGB; colour pictures become grey with the usual weights.
// A grey picture stays grey for a colour sensor too: each frame turns it into what the sensor
// delivers, and a kept RGB copy would be three times its size.
cv::Mat decodePicture(const std::string& path, bool color)
{
    QImage img(QString::fromStdString(path));
    if (img.isNull())
        return cv::Mat();
    if (img.isGrayscale()) {
        img = img.convertToFormat(QImage::Format_Grayscale8);
        return cv::Mat(img.height(), img.width(), CV_8UC1, const_cast<uchar*>(img.constBits()),
                       size_t(img.bytesPerLine())).clone();
    }
    img = img.convertToFormat(QImage::Format_RGB888);
    const cv::Mat rgb(img.height(), img.width(), CV_8UC3, const_cast<uchar*>(img.constBits()),
                      size_t(img.bytesPerLine()));
    cv::Mat out;
    if (color)
        out = rgb.clone();
    else
        cv::cvtColor(rgb, out, cv::COLOR_RGB2GRAY);
    return out;
}

cv::Mat readPicture(const std::string& path, bool color, std::map<std::string, CachedPicture>& cache)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return cv::Mat();
    CachedPicture& c = cache[path];
    if (!c.image.empty() && sameFile(st, c))
        return c.image;
    cv::Mat img = decodePicture(path, color);
    if (img.empty())
        return c.image;  // half-written file: keep the previous picture
    c.image = img;
    c.mtime = st.st_mtim;
    c.inode = st.st_ino;
    c.size = st.st_size;
    return c.image;
}

// -1, 0 and +1 with equal chance, as two 0/1 planes for saturating arithmetic.
struct NoisePattern {
    static constexpr size_t kSize = 65521;  // prime: row and frame offsets wander over all of it
    uint8_t plus[kSize];
    uint8_t minus[kSize];
};

const NoisePattern& noisePattern()
{
    static const NoisePattern* pattern = [] {
        auto* p = new NoisePattern;
        uint64_t state = 0x2545F4914F6CDD1Dull;
        for (size_t i = 0; i < NoisePattern::kSize; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const int v = int(state % 3u) - 1;
            p->plus[i] = v > 0 ? 1 : 0;
            p->minus[i] = v < 0 ? 1 : 0;
        }
        return p;
    }();
    return *pattern;
}

cv::Mat testPattern(int w, int h, bool color, uint32_t number)
{
    cv::Mat m(h, w, CV_8UC1);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = m.ptr<uint8_t>(y);
        for (int x = 0; x < w; ++x)
            row[x] = uint8_t((x * 200) / std::max(1, w - 1) + 20);
    }
    const int barW = std::max(4, w / 16);
    const int bx = int((number * 8u) % uint32_t(std::max(1, w - barW)));
    m(cv::Rect(bx, 0, barW, h)).setTo(235);
    if (color) {
        cv::Mat c;
        cv::cvtColor(m, c, cv::COLOR_GRAY2RGB);
        return c;
    }
    return m;
}

}  // namespace

bool CamSim::renderLocked(int dev, Pixel pixel, Frame* frame, std::unique_lock<std::mutex>& lock)
{
    Device* d = devices_[dev];
    const DeviceSpec spec = d->spec;
    const QRect fov = d->fov;
    const QSize out = d->out;
    const double factor = d->exposureUs / 30000.0 * (0.5 + d->gain);
    const uint32_t number = d->frameNumber;
    uint64_t noise = d->noiseState;
    // The source is chosen under the lock (folder position), read and rendered outside it.
    std::string path;
    if (!spec.source.isEmpty()) {
        QFileInfo fi(spec.source);
        if (fi.isDir()) {
            const QStringList names = QDir(spec.source).entryList(
                {"*.png", "*.bmp", "*.jpg", "*.jpeg", "*.pgm", "*.ppm", "*.tif", "*.tiff"}, QDir::Files, QDir::Name);
            if (!names.isEmpty()) {
                d->folderIndex = d->folderIndex % names.size();
                path = QDir(spec.source).filePath(names.at(d->folderIndex)).toStdString();
                d->folderIndex = (d->folderIndex + 1) % names.size();
            }
        } else {
            path = spec.source.toStdString();
        }
    }
    std::map<std::string, CachedPicture> cache;
    cache.swap(d->pictures);
    lock.unlock();

    cv::Mat src = path.empty() ? cv::Mat() : readPicture(path, spec.color, cache);
    if (src.empty())
        src = testPattern(spec.width, spec.height, spec.color, number);
    cv::Mat sensor;
    if (src.cols != spec.width || src.rows != spec.height)
        cv::resize(src, sensor, cv::Size(spec.width, spec.height), 0, 0, cv::INTER_AREA);
    else
        sensor = src;
    cv::Mat view = sensor(cv::Rect(fov.x(), fov.y(), fov.width(), fov.height()));
    // The picture itself is only read: the noise below writes into the frame.
    cv::Mat sized;
    if (view.cols != out.width() || view.rows != out.height())
        cv::resize(view, sized, cv::Size(out.width(), out.height()), 0, 0, cv::INTER_AREA);
    else
        sized = view;
    if (std::fabs(factor - 1.0) > 1e-6) {
        cv::Mat scaled;  // never in place: sized may be the kept picture
        sized.convertTo(scaled, -1, factor);
        sized = scaled;
    }

    cv::Mat result;
    const bool srcColor = sized.channels() == 3;
    if (pixel == Pixel::Mono8)
        result = srcColor ? cv::Mat() : sized;
    if (pixel == Pixel::Mono8 && srcColor)
        cv::cvtColor(sized, result, cv::COLOR_RGB2GRAY);
    if (pixel == Pixel::RGB8)
        srcColor ? (void)(result = sized) : cv::cvtColor(sized, result, cv::COLOR_GRAY2RGB);
    if (pixel == Pixel::BayerRG8) {
        cv::Mat rgb = sized;
        if (!srcColor)
            cv::cvtColor(sized, rgb, cv::COLOR_GRAY2RGB);
        result.create(rgb.rows, rgb.cols, CV_8UC1);
        for (int y = 0; y < rgb.rows; ++y) {
            const uint8_t* s = rgb.ptr<uint8_t>(y);
            uint8_t* o = result.ptr<uint8_t>(y);
            for (int x = 0; x < rgb.cols; ++x) {
                // R G / G B
                const int ch = (y & 1) == 0 ? ((x & 1) == 0 ? 0 : 1) : ((x & 1) == 0 ? 1 : 2);
                o[x] = s[x * 3 + ch];
            }
        }
    }

    frame->width = result.cols;
    frame->height = result.rows;
    frame->pixel = pixel;
    frame->number = number;
    const int rowBytes = int(result.cols * result.elemSize());
    frame->data.resize(size_t(rowBytes) * size_t(result.rows));
    // Sensor noise: -1, 0 or +1 on every value, so no two frames are the same: a fixed random
    // pattern read from a random place each frame (saturating adds, far cheaper than a draw per
    // value at many cameras and full size).
    const NoisePattern& pattern = noisePattern();
    noise ^= noise << 13;
    noise ^= noise >> 7;
    noise ^= noise << 17;
    size_t at = size_t(noise % NoisePattern::kSize);
    for (int y = 0; y < result.rows; ++y) {
        const uint8_t* in = result.ptr<uint8_t>(y);
        uint8_t* o = frame->data.data() + size_t(y) * size_t(rowBytes);
        for (int x = 0; x < rowBytes;) {
            const int k = int(std::min<size_t>(size_t(rowBytes - x), NoisePattern::kSize - at));
            const cv::Mat src(1, k, CV_8UC1, const_cast<uint8_t*>(in + x));
            cv::Mat dst(1, k, CV_8UC1, o + x);
            cv::add(src, cv::Mat(1, k, CV_8UC1, const_cast<uint8_t*>(pattern.plus + at)), dst);
            cv::subtract(dst, cv::Mat(1, k, CV_8UC1, const_cast<uint8_t*>(pattern.minus + at)), dst);
            x += k;
            at = (at + size_t(k)) % NoisePattern::kSize;
        }
        at = (at + 7919) % NoisePattern::kSize;  // rows do not repeat each other
    }

    lock.lock();
    if (dev < int(devices_.size())) {
        devices_[dev]->noiseState = noise;
        devices_[dev]->pictures.swap(cache);
    }
    return true;
}

void CamSim::log(Make make, int dev, const QString& call)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const QString serial = dev >= 0 && dev < int(devices_.size()) ? devices_[dev]->spec.serial : QString("-");
    const QString line = QString("%1 %2 %3").arg(makeName(make), serial, call);
    qCDebug(lcCamSim).noquote() << line;
    if (calls_.size() > 20000)
        calls_.erase(calls_.begin(), calls_.begin() + 10000);
    calls_.append(line);
}

QStringList CamSim::calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

void CamSim::clearCalls()
{
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

void bayerRGToRGB(const uint8_t* bayer, uint8_t* rgb, int width, int height)
{
    const cv::Mat in(height, width, CV_8UC1, const_cast<uint8_t*>(bayer));
    cv::Mat out(height, width, CV_8UC3, rgb);
    // OpenCV names Bayer patterns by the second row's start: R G / G B is its "BG".
    cv::cvtColor(in, out, cv::COLOR_BayerBG2RGB);
}

}  // namespace camsim
