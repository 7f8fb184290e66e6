// The tables of what the score tolerates in pixels: clean moves within +-1 px under three cameras,
// content moved 2 px, and 1-px lines and slid parts at a half-pixel move, the whole-pixel score
// (bench/surfbefore.h) and today's side by side. Every region is trained as the program trains it:
// five captures of the unmoved scene with sensor noise sigma 2.
#include "tools/similaritytable/moves.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "bench/surfbefore.h"
#include "platform/vision/surf.h"
#include "tests/common/camerashot.h"

namespace {

constexpr float kMinScore = 80.0f;
constexpr shots::Camera kCameras[] = {shots::Camera::Lanczos, shots::Camera::Bilinear, shots::Camera::Averaging};

struct Kind {
    const char* name;
    const std::vector<photos::Region>* regions;
};

// Both models of one region for one camera.
struct Models {
    SurfBefore before;
    SURF after;
};

class Bench {
public:
    Bench(const photos::Set& set, const cv::Mat& sharp)
    {
        scene_.picture = set.picture;
        scene_.sharp = sharp;
        for (const auto* kind : {&set.plain, &set.textured, &set.fine, &set.windows})
            regions_.insert(regions_.end(), kind->begin(), kind->end());
        for (shots::Camera c : kCameras)
            for (const photos::Region& r : regions_) {
                auto m = std::make_unique<Models>();
                m->before.Create(r.rect.width, r.rect.height, cv::Mat());
                m->after.Create(r.rect.width, r.rect.height, cv::Mat());
                for (unsigned k = 0; k < 5; ++k) {
                    shots::Look look;
                    look.sigma = 2;
                    look.seed = 40 + k;
                    const cv::Mat t = shots::shoot(scene_, r.rect, c, look);
                    m->before.AddTemp(t, 1, 50, int(kMinScore));
                    m->after.AddTemp(t, 1, 50, int(kMinScore));
                }
                m->before.Train(0, 0, 0, 0);
                m->after.Train(0, 0, 0, 0);
                models_.push_back(std::move(m));
            }
    }

    const std::vector<photos::Region>& regions() const { return regions_; }

    // Both scores of region i under camera c.
    std::pair<float, float> score(size_t i, shots::Camera c, const shots::Look& look, const shots::Change& change = {})
    {
        Models& m = *models_[size_t(c) * regions_.size() + i];
        cv::Mat crop = shots::shoot(scene_, regions_[i].rect, c, look, change), out;
        const float b = m.before.Match(crop, out);
        return {b, m.after.Match(crop, out)};
    }

    // The whole-pixel score of region i trained where the camera stands: five shots by camera c
    // at the look's move (noise sigma 2, seeds 40-44), as the program would train it there.
    float inPlace(size_t i, shots::Camera c, const shots::Look& look, const shots::Change& change)
    {
        const cv::Rect& r = regions_[i].rect;
        const auto key = std::make_tuple(i, int(c), look.dx, look.dy);
        std::unique_ptr<SurfBefore>& m = inPlace_[key];
        if (!m) {
            m = std::make_unique<SurfBefore>();
            m->Create(r.width, r.height, cv::Mat());
            for (unsigned k = 0; k < 5; ++k) {
                shots::Look l;
                l.dx = look.dx;
                l.dy = look.dy;
                l.sigma = 2;
                l.seed = 40 + k;
                m->AddTemp(shots::shoot(scene_, r, c, l), 1, 50, int(kMinScore));
            }
            m->Train(0, 0, 0, 0);
        }
        cv::Mat crop = shots::shoot(scene_, r, c, look, change), out;
        return m->Match(crop, out);
    }

private:
    std::map<std::tuple<size_t, int, double, double>, std::unique_ptr<SurfBefore>> inPlace_;
    shots::Scene scene_;
    std::vector<photos::Region> regions_;
    std::vector<std::unique_ptr<Models>> models_;
};

struct Lowest {
    float score = 1000;
    int ng = 0, n = 0;
    std::string where;
    void add(float s, const std::string& what)
    {
        if (s < score) {
            score = s;
            where = what;
        }
        ng += s < kMinScore;
        ++n;
    }
    std::string text() const
    {
        char b[64];
        std::snprintf(b, sizeof b, "%.1f", double(score));
        std::string s = b;
        if (ng) {
            std::snprintf(b, sizeof b, " (%d/%d NG)", ng, n);
            s += b;
        }
        return s;
    }
};

std::string lookName(const shots::Look& l)
{
    char b[128];
    std::snprintf(b, sizeof b, "move %.2f, %.2f, light %.2f, noise %.0f%s", l.dx, l.dy, l.light, l.sigma,
                  l.jpeg ? ", JPEG 85" : "");
    return b;
}

void cleanMoves(Bench& bench)
{
    std::printf("\n| clean move (noise 0/2/3, light 0.92/1/1.08, JPEG none/85) | Lanczos, before | Lanczos, after | "
                "bilinear, before | bilinear, after | averaging, before | averaging, after |\n"
                "|---|---|---|---|---|---|---|\n");
    Lowest overall[3][2];
    unsigned seed = 1000;
    const std::pair<const char*, cv::Point2d> dirs[] = {
        {"x", {1, 0}}, {"y", {0, 1}}, {"x and y", {1, 1}}, {"x and -y", {1, -1}}};
    for (const auto& [dirName, dir] : dirs)
        for (double f : {0.25, 0.5, 0.75, 1.0}) {
            Lowest row[3][2];
            for (int c = 0; c < 3; ++c)
                for (double sigma : {0.0, 2.0, 3.0})
                    for (double light : {0.92, 1.0, 1.08})
                        for (int jpeg : {0, 85}) {
                            shots::Look look;
                            look.dx = dir.x * f;
                            look.dy = dir.y * f;
                            look.sigma = sigma;
                            look.light = light;
                            look.jpeg = jpeg;
                            look.seed = ++seed;
                            for (size_t i = 0; i < bench.regions().size(); ++i) {
                                const auto [b, a] = bench.score(i, kCameras[c], look);
                                const std::string what = bench.regions()[i].name + ", " + shots::name(kCameras[c]) +
                                                         ", " + lookName(look);
                                row[c][0].add(b, what);
                                row[c][1].add(a, what);
                                overall[c][0].add(b, what);
                                overall[c][1].add(a, what);
                            }
                        }
            std::printf("| %.2f px in %s |", f, dirName);
            for (auto& r : row)
                std::printf(" %s | %s |", r[0].text().c_str(), r[1].text().c_str());
            std::printf("\n");
        }
    std::printf("\nLowest clean score per camera over %zu regions (before / after):\n\n", bench.regions().size());
    for (int c = 0; c < 3; ++c)
        std::printf("- %s: %s (%s) / %s (%s)\n", shots::name(kCameras[c]), overall[c][0].text().c_str(),
                    overall[c][0].where.c_str(), overall[c][1].text().c_str(), overall[c][1].where.c_str());
}

struct SlidPart {
    const char* name;
    cv::Rect (*part)(const cv::Rect&);
};
constexpr SlidPart kParts[] = {{"whole region", shots::whole},
                               {"left half", shots::leftHalf},
                               {"top half", shots::topHalf},
                               {"centre quarter", shots::centreQuarter}};

void twoPixels(Bench& bench)
{
    std::vector<size_t> counted;
    std::string left;
    for (size_t i = 0; i < bench.regions().size(); ++i) {
        if (bench.regions()[i].repeats2)
            left += (left.empty() ? "" : ", ") + bench.regions()[i].name;
        else
            counted.push_back(i);
    }
    std::printf("\nContent moved 2 px within the region, noise sigma 2, NG regions of %zu (left out, as they repeat "
                "every 2 px or less: %s):\n\n| content moved 2 px | lens, before | lens, after | averaging, before | "
                "averaging, after |\n|---|---|---|---|---|\n",
                counted.size(), left.empty() ? "none" : left.c_str());
    unsigned seed = 5000;
    for (const SlidPart& p : kParts)
        for (const cv::Point d : {cv::Point(2, 0), cv::Point(0, 2), cv::Point(2, 2), cv::Point(-2, 0)}) {
            std::printf("| %s by %d, %d |", p.name, d.x, d.y);
            for (shots::Camera c : {shots::Camera::Lanczos, shots::Camera::Averaging}) {
                int ngB = 0, ngA = 0;
                for (size_t i : counted) {
                    shots::Look look;
                    look.sigma = 2;
                    look.seed = ++seed;
                    const auto [b, a] = bench.score(i, c, look, shots::slide(p.part(bench.regions()[i].rect), d.x, d.y));
                    ngB += b < kMinScore;
                    ngA += a < kMinScore;
                }
                std::printf(" %d | %d |", ngB, ngA);
            }
            std::printf("\n");
        }
}

void halfPixelCatches(Bench& bench)
{
    std::printf("\nChanges the whole-pixel score catches unmoved (noise sigma 2), then moved half a pixel in x, y and "
                "both: missed before / after, and by the whole-pixel score trained in place (five shots by the same "
                "camera at the same move).\n\n| change | camera | caught unmoved | missed at half a pixel, before | "
                "after | trained in place | after, where trained in place catches |\n|---|---|---|---|---|---|---|\n");
    std::string afterOnly;
    unsigned seed = 9000;
    for (const char* group : {"1-px lines, contrast 30", "slid parts, 2 and 3 px"})
        for (shots::Camera c : kCameras) {
            int caught = 0, moves = 0, missB = 0, missA = 0, missP = 0, missAP = 0;
            for (size_t i = 0; i < bench.regions().size(); ++i) {
                const cv::Rect& r = bench.regions()[i].rect;
                std::vector<shots::Change> changes;
                std::vector<std::string> names;
                auto named = [&](const char* what, int a, int b) {
                    char n[64];
                    std::snprintf(n, sizeof n, what, a, b);
                    names.push_back(n);
                };
                if (group[0] == '1') {
                    for (bool h : {true, false})
                        for (double at : {0.3, 0.7})
                            for (int contrast : {30, -30})
                            {
                                changes.push_back(shots::line(h, at, contrast));
                                named(h ? "line across at %d %%, contrast %d" : "line down at %d %%, contrast %d",
                                      int(at * 100), contrast);
                            }
                } else if (!bench.regions()[i].repeats2) {
                    // A texture repeating every 2 px or less looks the same slid by 2 px.
                    for (const SlidPart& p : kParts)
                        for (const cv::Point d : {cv::Point(2, 0), cv::Point(0, 2), cv::Point(2, 2)}) {
                            changes.push_back(shots::slide(p.part(r), d.x, d.y));
                            named((std::string(p.name) + " slid %d, %d").c_str(), d.x, d.y);
                        }
                }
                if (group[0] != '1')
                    for (const cv::Point d : {cv::Point(3, 0), cv::Point(0, 3)}) {
                        changes.push_back(shots::slide(shots::centreQuarter(r), d.x, d.y));
                        named("centre quarter slid %d, %d", d.x, d.y);
                    }
                for (const shots::Change& ch : changes) {
                    shots::Look look;
                    look.sigma = 2;
                    look.seed = ++seed;
                    const double unmoved = bench.score(i, c, look, ch).first;
                    if (unmoved >= kMinScore)
                        continue;
                    ++caught;
                    for (const cv::Point2d d : {cv::Point2d(0.5, 0), cv::Point2d(0, 0.5), cv::Point2d(0.5, 0.5)}) {
                        look.dx = d.x;
                        look.dy = d.y;
                        look.seed = ++seed;
                        const auto [b, a] = bench.score(i, c, look, ch);
                        const float p = bench.inPlace(i, c, look, ch);
                        ++moves;
                        missB += b >= kMinScore;
                        missA += a >= kMinScore;
                        missP += p >= kMinScore;
                        missAP += a >= kMinScore && p < kMinScore;
                        if (a >= kMinScore && (b < kMinScore || p < kMinScore)) {
                            const float clean = bench.score(i, c, look).first;
                            char line[320];
                            std::snprintf(line, sizeof line, "- %s, %s, %s, move %.1f, %.1f: unmoved %.1f, before %.1f, "
                                          "after %.1f, trained in place %.1f; the clean shot there, before %.1f\n",
                                          bench.regions()[i].name.c_str(), names[size_t(&ch - changes.data())].c_str(),
                                          shots::name(c), d.x, d.y, unmoved,
                                          double(b), double(a), double(p), double(clean));
                            afterOnly += line;
                        }
                    }
                }
            }
            std::printf("| %s | %s | %d | %d of %d (%.1f %%) | %d (%.1f %%) | %d (%.1f %%) | %d |\n", group,
                        shots::name(c), caught, missB, moves, 100.0 * missB / std::max(1, moves), missA,
                        100.0 * missA / std::max(1, moves), missP, 100.0 * missP / std::max(1, moves), missAP);
        }
    std::printf("\nMissed after, caught before or trained in place:\n\n%s", afterOnly.empty() ? "- none\n" : afterOnly.c_str());
}

} // namespace

void printMoves(const photos::Set& set)
{
    Bench bench(set, photos::sharpScene(set));
    std::printf("\n%zu regions: the %zu above and %zu windows of 40 x 40 of the finest, most point-like textures "
                "(correlation with themselves 1 px away:",
                bench.regions().size(), bench.regions().size() - set.windows.size(), set.windows.size());
    for (const photos::Region& w : set.windows)
        std::printf(" %s %.2f%s", w.name.c_str(), w.near, &w == &set.windows.back() ? "" : ",");
    std::printf("). Templates: five shots of the unmoved scene, noise sigma 2, as the program trains them.\n");
    cleanMoves(bench);
    twoPixels(bench);
    halfPixelCatches(bench);
}
