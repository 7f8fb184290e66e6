// Prints the similarity scores of the real photographs in tests/data/photos, before and after the
// score aligned the crop to its template between pixels, as Markdown tables: each change a mould
// camera sees, moves by fractions of a pixel, real objects over half and a quarter of a region, and
// the score as a region's texture grows under the same noise.
//   similaritytable [photo folder, default tests/data/photos]
//   similaritytable --worst <the image package's data folder> [photo folder] [part of a file name]
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "bench/surfbefore.h"
#include "platform/vision/surf.h"
#include "tests/common/photoset.h"
#include "tools/similaritytable/moves.h"
#include "tools/similaritytable/worst.h"

namespace {

constexpr int kW = 1600, kH = 1200;
constexpr float kMinScore = 80.0f;  // the similarity method's default minimum score

struct Scores {
    float before = 0, after = 0;
};

template <class Model>
float score(const cv::Mat& templ, const cv::Mat& picture, const cv::Rect& r)
{
    Model m;
    m.Create(r.width, r.height, cv::Mat());
    m.AddTemp(templ(r).clone(), 1, 50, int(kMinScore));
    m.Train(0, 0, 0, 0);
    cv::Mat crop = picture(r).clone(), out;
    return m.Match(crop, out);
}

Scores both(const cv::Mat& templ, const cv::Mat& picture, const cv::Rect& r)
{
    return {score<SurfBefore>(templ, picture, r), score<SURF>(templ, picture, r)};
}

// Lowest and highest score and how many were NG, of one side.
struct Spread {
    float lo = 1000, hi = -1;
    int ng = 0, n = 0;
    void add(float s)
    {
        lo = std::min(lo, s);
        hi = std::max(hi, s);
        ng += s < kMinScore;
        ++n;
    }
    std::string text() const
    {
        char b[64];
        if (int(lo) == int(hi))
            std::snprintf(b, sizeof b, "%d", int(lo));
        else
            std::snprintf(b, sizeof b, "%d-%d", int(lo), int(hi));
        std::string s = b;
        if (ng) {
            std::snprintf(b, sizeof b, " (%d/%d NG)", ng, n);
            s += b;
        }
        return s;
    }
};

struct Row {
    Spread before, after;
    void add(const Scores& s)
    {
        before.add(s.before);
        after.add(s.after);
    }
};

void header(const char* first)
{
    std::printf("\n| %s | plain, before | plain, after | textured, before | textured, after | finest, before | "
                "finest, after |\n|---|---|---|---|---|---|---|\n",
                first);
}

// One row per kind of region: plain, textured, finest.
void print(const std::string& what, const Row rows[3])
{
    std::printf("| %s |", what.c_str());
    for (int k = 0; k < 3; ++k)
        std::printf(" %s | %s |", rows[k].before.text().c_str(), rows[k].after.text().c_str());
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "--worst")
        return searchWorstWindows(argc > 3 ? argv[3] : "tests/data/photos", argv[2], argc > 4 ? argv[4] : "");
    const std::string dir = argc > 1 ? argv[1] : "tests/data/photos";
    photos::Set set;
    if (!photos::load(dir, kW, kH, set)) {
        std::fprintf(stderr, "similaritytable: the photographs are not in %s\n", dir.c_str());
        return 1;
    }
    const cv::Mat& base = set.picture;
    double plainLo = 1e9, plainHi = 0, fineLo = 1, fineHi = -1;
    for (const photos::Region& r : set.plain) {
        plainLo = std::min(plainLo, r.sd);
        plainHi = std::max(plainHi, r.sd);
    }
    for (const photos::Region& r : set.fine) {
        fineLo = std::min(fineLo, r.near);
        fineHi = std::max(fineHi, r.near);
    }
    std::printf("%zu plain regions (grey sd %.1f-%.1f), %zu textured ones and %zu of the finest textures (correlation "
                "with themselves 1 px away %.2f-%.2f), 80 x 60, in a %d x %d picture; template: the unchanged picture; "
                "minimum score %d.\n",
                set.plain.size(), plainLo, plainHi, set.textured.size(), set.fine.size(), fineLo, fineHi, kW, kH,
                int(kMinScore));
    const std::vector<photos::Region>* kinds[3] = {&set.plain, &set.textured, &set.fine};

    // Changes of the whole picture that must not raise an alarm (marked "info" where they go
    // beyond that).
    struct Change {
        std::string name;
        std::function<cv::Mat()> make;
    };
    const std::vector<Change> changes = {
        {"unchanged", [&] { return base; }},
        {"sensor noise sigma 2", [&] { return photos::noise(base, 2, 1); }},
        {"sensor noise sigma 3", [&] { return photos::noise(base, 3, 2); }},
        {"sensor noise sigma 5 (info)", [&] { return photos::noise(base, 5, 3); }},
        {"brightness -10 %", [&] { return photos::brightness(base, 0.90); }},
        {"brightness -5 %", [&] { return photos::brightness(base, 0.95); }},
        {"brightness +5 %", [&] { return photos::brightness(base, 1.05); }},
        {"brightness +10 %", [&] { return photos::brightness(base, 1.10); }},
        {"noise sigma 3 and brightness -10 %", [&] { return photos::noise(photos::brightness(base, 0.9), 3, 4); }},
        {"gradient -5 % to +5 % across the picture", [&] { return photos::gradient(base, 0.05); }},
        {"gradient +5 % to -5 %", [&] { return photos::gradient(base, -0.05); }},
        {"gradient -10 % to +10 % (info)", [&] { return photos::gradient(base, 0.10); }},
        {"gradient -5 % to +5 % across each region (info)",
         [&] {
             cv::Mat pic = base.clone();
             for (const auto* rs : {&set.plain, &set.textured})
                 for (const photos::Region& r : *rs)
                     photos::gradient(base(r.rect), 0.05).copyTo(pic(r.rect));
             return pic;
         }},
        {"JPEG q90", [&] { return photos::jpeg(base, 90); }},
        {"JPEG q75", [&] { return photos::jpeg(base, 75); }},
        {"JPEG q50 (info)", [&] { return photos::jpeg(base, 50); }},
        {"shift 1 px right and down", [&] { return photos::shifted(base, 1, 1); }},
        {"shift 2 px (info)", [&] { return photos::shifted(base, 2, 0); }},
    };
    header("change of the whole picture");
    for (const Change& c : changes) {
        const cv::Mat pic = c.make();
        Row rows[3];
        for (int k = 0; k < 3; ++k)
            for (const photos::Region& r : *kinds[k])
                rows[k].add(both(base, pic, r.rect));
        print(c.name, rows);
    }

    // The camera landing between pixels: the picture moved by a fraction, resampled as a camera's
    // optics and a resampling would make it, alone and with sensor noise sigma 2 and 3 (each cell
    // over the three).
    header("move between pixels (none, noise 2, noise 3)");
    const std::pair<int, const char*> interpolations[] = {{cv::INTER_LANCZOS4, "Lanczos"}, {cv::INTER_LINEAR, "bilinear"}};
    for (const auto& [interpolation, how] : interpolations)
        for (int dir = 0; dir < 3; ++dir)
            for (double f : {0.25, 0.5, 0.75}) {
                const cv::Mat pic = photos::moved(base, dir != 1 ? f : 0, dir != 0 ? f : 0, interpolation);
                Row rows[3];
                for (unsigned n = 0; n < 3; ++n) {
                    const cv::Mat shot = n ? photos::noise(pic, 1.0 + n, 30 + n) : pic;
                    for (int k = 0; k < 3; ++k)
                        for (const photos::Region& r : *kinds[k])
                            rows[k].add(both(base, shot, r.rect));
                }
                char what[96];
                const char* axis = dir == 0 ? "x" : dir == 1 ? "y" : "x and y";
                std::snprintf(what, sizeof what, "%.2f px in %s, %s", f, axis, how);
                print(what, rows);
            }

    // Real objects: patches of other photographs over each half and each quarter of a region, in
    // a picture with sensor noise sigma 2.
    header("real object (3 photographs), noise sigma 2");
    const cv::Mat noisy = photos::noise(base, 2, 9);
    for (bool half : {true, false}) {
        Row rows[3];
        for (int side = 0; side < 3; ++side) {
            const std::vector<photos::Region>& regions = *kinds[side];
            Row& row = rows[side];
            for (size_t i = 0; i < regions.size(); ++i)
                for (size_t o = 0; o < set.objects.size(); ++o)
                    for (int k = 0; k < 4; ++k) {
                        const photos::Part p = half ? photos::kHalves[k] : photos::kQuarters[k];
                        const cv::Point from(int(17 * i + 29 * o) % 80, int(11 * i + 23 * k) % 60);
                        row.add(both(base, photos::covered(noisy, regions[i].rect, p, set.objects[o], from),
                                     regions[i].rect));
                    }
        }
        print(half ? "half of the region" : "a quarter of the region", rows);
    }

    // A real texture (the gravel region) scaled to a grey sd of 1 to 4 around grey 128, against
    // itself with sensor noise.
    std::printf("\n| texture sd | noise 2, before | noise 2, after | noise 3, before | noise 3, after |\n"
                "|---|---|---|---|---|\n");
    const cv::Mat gravel = base(set.textured[0].rect).clone();
    cv::Scalar gm, gsd;
    cv::meanStdDev(gravel, gm, gsd);
    for (double sd = 1.0; sd < 4.01; sd += 0.25) {
        cv::Mat t;
        gravel.convertTo(t, CV_8UC1, sd / gsd[0], 128 - gm[0] * sd / gsd[0]);
        cv::Scalar tm, tsd;
        cv::meanStdDev(t, tm, tsd);
        const cv::Rect all(0, 0, t.cols, t.rows);
        const Scores n2 = both(t, photos::noise(t, 2, 21), all);
        const Scores n3 = both(t, photos::noise(t, 3, 22), all);
        std::printf("| %.2f | %d | %d | %d | %d |\n", tsd[0], int(n2.before), int(n2.after), int(n3.before),
                    int(n3.after));
    }
    if (argc <= 2 || std::string(argv[2]) != "--no-moves")
        printMoves(set);
    return 0;
}
