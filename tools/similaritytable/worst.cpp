// The worst-window search: every 40 x 40 window at a step of 20 of the photographs, at their own
// scale and at a quarter of it, seen by the three cameras moved by a fraction of a pixel with and
// without sensor noise; prints the lowest scores, today's beside the frozen previous score
// (bench/surftoday.h) and the whole-pixel one (bench/surfbefore.h). Every window is trained as the
// program trains a region: five shots of the unmoved scene by the same camera, noise sigma 2.
#include "tools/similaritytable/worst.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/surfbefore.h"
#include "bench/surftoday.h"
#include "platform/vision/surf.h"
#include "tests/common/camerashot.h"

namespace {

constexpr float kMinScore = 80.0f;
constexpr int kSide = 40, kStep = 20;
// A window keeps this much photograph around it, so a move reads the photograph, not a repeated edge.
constexpr int kMargin = 4;
constexpr shots::Camera kCameras[] = {shots::Camera::Lanczos, shots::Camera::Bilinear, shots::Camera::Averaging};
constexpr double kMoves[][2] = {{0.5, 0}, {0, 0.5}, {0.5, 0.5}, {0.25, 0.25}};
constexpr double kSigmas[] = {0, 3};

// One photograph at one scale: the camera's picture and the scene at 4x its resolution.
struct Source {
    std::string name;
    shots::Scene scene;
};

struct Result {
    float now = 0, previous = 0, whole = 0;
    std::string where;
};

bool addPhotograph(const std::string& path, const std::string& name, std::vector<Source>& out)
{
    const cv::Mat img = cv::imread(path, cv::IMREAD_GRAYSCALE);
    if (img.empty())
        return false;
    // Own scale: the sharp scene is the photograph enlarged, as for the table's 80 x 60 regions.
    Source own;
    own.name = name;
    own.scene.picture = img;
    cv::resize(img, own.scene.sharp, img.size() * 4, 0, 0, cv::INTER_LANCZOS4);
    out.push_back(own);
    // A quarter of the scale: the photograph itself is the sharp scene.
    const cv::Mat sharp = img(cv::Rect(0, 0, img.cols / 4 * 4, img.rows / 4 * 4));
    if (sharp.cols / 4 >= kSide + 2 * kMargin && sharp.rows / 4 >= kSide + 2 * kMargin) {
        Source quarter;
        quarter.name = name + " at a quarter";
        quarter.scene.sharp = sharp.clone();
        cv::resize(sharp, quarter.scene.picture, sharp.size() / 4, 0, 0, cv::INTER_AREA);
        out.push_back(quarter);
    }
    return true;
}

std::vector<cv::Rect> windowsOf(const cv::Mat& picture)
{
    std::vector<cv::Rect> w;
    for (int y = kMargin; y + kSide + kMargin <= picture.rows; y += kStep)
        for (int x = kMargin; x + kSide + kMargin <= picture.cols; x += kStep)
            w.emplace_back(x, y, kSide, kSide);
    return w;
}

template <class Model>
void train(Model& m, const shots::Scene& scene, const cv::Rect& r, shots::Camera c)
{
    m.Create(r.width, r.height, cv::Mat());
    for (unsigned k = 0; k < 5; ++k) {
        shots::Look look;
        look.sigma = 2;
        look.seed = 40 + k;
        m.AddTemp(shots::shoot(scene, r, c, look), 1, 50, int(kMinScore));
    }
    m.Train(0, 0, 0, 0);
}

std::string moveName(const double* m, double sigma)
{
    char b[64];
    std::snprintf(b, sizeof b, "move %.2f, %.2f, noise %.0f", m[0], m[1], sigma);
    return b;
}

} // namespace

int searchWorstWindows(const std::string& photoDir, const std::string& packageDir, const std::string& only)
{
    std::vector<Source> sources;
    // The crops of the photographs the tests use, then the package's whole photographs.
    std::vector<cv::String> crops;
    cv::glob(photoDir + "/*.png", crops);
    for (const cv::String& f : crops) {
        const std::string name = f.substr(f.find_last_of('/') + 1);
        if (only.empty() || name.find(only) != std::string::npos)
            addPhotograph(f, name, sources);
    }
    int missing = 0;
    for (const char* f : kPackagePhotographs) {
        if (!only.empty() && std::string(f).find(only) == std::string::npos)
            continue;
        if (!addPhotograph(packageDir + "/" + f, std::string("package ") + f, sources)) {
            std::fprintf(stderr, "similaritytable: %s/%s not found\n", packageDir.c_str(), f);
            ++missing;
        }
    }
    struct Job {
        size_t source;
        cv::Rect rect;
    };
    std::vector<Job> jobs;
    for (size_t s = 0; s < sources.size(); ++s)
        for (const cv::Rect& r : windowsOf(sources[s].scene.picture))
            jobs.push_back({s, r});
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::vector<Result> results;
    auto work = [&] {
        cv::setNumThreads(1);
        std::vector<Result> mine;
        for (size_t j; (j = next++) < jobs.size();) {
            const Source& src = sources[jobs[j].source];
            const cv::Rect& r = jobs[j].rect;
            for (shots::Camera c : kCameras) {
                SurfBefore whole;
                SurfToday previous;
                SURF now;
                train(whole, src.scene, r, c);
                train(previous, src.scene, r, c);
                train(now, src.scene, r, c);
                unsigned seed = 7000;
                for (const auto& m : kMoves)
                    for (double sigma : kSigmas) {
                        shots::Look look;
                        look.dx = m[0];
                        look.dy = m[1];
                        look.sigma = sigma;
                        look.seed = ++seed;
                        cv::Mat crop = shots::shoot(src.scene, r, c, look), out;
                        Result res;
                        res.whole = whole.Match(crop, out);
                        res.previous = previous.Match(crop, out);
                        res.now = now.Match(crop, out);
                        char at[256];
                        std::snprintf(at, sizeof at, "%s, window %d,%d, %s, %s", src.name.c_str(), r.x, r.y,
                                      shots::name(c), moveName(m, sigma).c_str());
                        res.where = at;
                        mine.push_back(std::move(res));
                    }
            }
        }
        std::lock_guard<std::mutex> g(lock);
        results.insert(results.end(), mine.begin(), mine.end());
    };
    std::vector<std::thread> threads;
    const unsigned n = std::max(1u, std::min(6u, std::thread::hardware_concurrency() / 2));
    for (unsigned k = 0; k < n; ++k)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    // Sorted by today's score, then by where, so the print does not depend on the threads.
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return a.now != b.now ? a.now < b.now : a.where < b.where;
    });
    int ngNow = 0, ngPrevious = 0, ngWhole = 0;
    float lowPrevious = 1000, lowWhole = 1000;
    for (const Result& r : results) {
        ngNow += r.now < kMinScore;
        ngPrevious += r.previous < kMinScore;
        ngWhole += r.whole < kMinScore;
        lowPrevious = std::min(lowPrevious, r.previous);
        lowWhole = std::min(lowWhole, r.whole);
    }
    std::printf("Worst windows: %zu windows of %d x %d at a step of %d (%zu photographs at their own scale and at a "
                "quarter of it), 3 cameras, moves (0.5, 0), (0, 0.5), (0.5, 0.5) and (0.25, 0.25) px, noise sigma 0 "
                "and 3: %zu shots.\n\n",
                jobs.size(), kSide, kSide, kStep, sources.size(), results.size());
    std::printf("| | today | previous | whole-pixel |\n|---|---|---|---|\n");
    std::printf("| lowest | %.1f | %.1f | %.1f |\n", results.empty() ? 0.0 : double(results.front().now),
                double(lowPrevious), double(lowWhole));
    std::printf("| NG shots | %d | %d | %d |\n\n", ngNow, ngPrevious, ngWhole);
    std::printf("| shot | today | previous | whole-pixel |\n|---|---|---|---|\n");
    for (size_t i = 0; i < results.size() && i < 30; ++i)
        std::printf("| %s | %.1f | %.1f | %.1f |\n", results[i].where.c_str(), double(results[i].now),
                    double(results[i].previous), double(results[i].whole));
    // Where the previous score was lowest, today's beside it.
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return a.previous != b.previous ? a.previous < b.previous : a.where < b.where;
    });
    std::printf("\nThe previous score's lowest:\n\n| shot | today | previous | whole-pixel |\n|---|---|---|---|\n");
    for (size_t i = 0; i < results.size() && i < 15; ++i)
        std::printf("| %s | %.1f | %.1f | %.1f |\n", results[i].where.c_str(), double(results[i].now),
                    double(results[i].previous), double(results[i].whole));
    return missing ? 1 : 0;
}
