#include "scenario/scenariosteps.h"

#include <random>
#include <vector>

#include <QStringList>

#include "scenario/invariants.h"

namespace {

const char* const kNames[Step::KindCount] = {
    "cycle-ok", "cycle-ng", "pulse-in-delay", "recheck", "pulse", "start-stop", "resample", "area-settings",
    "end-set", "draw-region", "delete-region", "region-lists", "pro-snapshot", "mold-snapshot", "multi-screen",
    "alarm-page", "settings", "camera-unplug", "camera-plug", "board-unplug", "board-plug", "held-gui", "pause", "way-back", "kill", "mode", "side-in-cycle", "term"};

// How often each kind is drawn: machine cycles most, the rarer operator actions less.
// Term is never drawn here: it takes a Kill's place (Generate).
const int kWeights[Step::KindCount] = {8, 4, 3, 4, 2, 2, 2, 2, 3, 1, 1, 1, 2, 1, 1, 4, 2, 1, 1, 1, 1, 2, 3, 3, 1, 0, 2, 0};

}  // namespace

QString Step::Text() const
{
    return QString("%1:%2:%3").arg(Steps::Name(kind)).arg(a).arg(b);
}

namespace Steps {

const char* Name(Step::Kind kind)
{
    return kNames[kind];
}

QList<Step> Generate(quint64 seed, int count)
{
    std::mt19937_64 rnd(seed);
    // Kill or Term: drawn apart, so the main stream stays as it was.
    std::mt19937_64 ends(seed ^ 0x5157e5d0u);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
    Step mode{Step::Mode, in(0, 5), 0};
    if (mode.a == 4) {
        const int stages = in(2, 3);
        mode.b = stages * 10 + in(2, 3);
    } else {
        // Each option in about a quarter of the walks; mode 5 has no automatic re-inspection.
        const int sub = mode.a == 1 || mode.a == 2 ? in(0, 3) : 0;
        const int recheck = mode.a != 5 && in(0, 3) == 0 ? in(1, 3) : 0;
        const int flags = (in(0, 3) == 0 ? 1 : 0) | (in(0, 3) == 0 ? 2 : 0) | (in(0, 3) == 0 ? 4 : 0) |
                          (in(0, 2) == 0 ? 8 : 0);
        mode.b = sub * 100 + recheck * 1000 + flags * 10000;
    }
    CycleWords words;
    CycleWords::FromStep(mode.a, mode.b, &words);
    // A lone input 0 opens a cycle whose later stages wait for their own inputs.
    const bool staged = words.Staged();
    const bool pairs = (mode.a == 1 || mode.a == 2) && words.sub >= 2;
    std::vector<int> weights(std::begin(kWeights), std::end(kWeights));
    if (staged)
        weights[Step::PulseAnyTime] = 0;
    // Long delays: the operator meets them running.
    if (words.longDelays)
        weights[Step::SideInCycle] = 8;
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    QList<Step> out{mode};
    for (int i = 1; i + 1 < count; ++i) {
        Step s;
        s.kind = Step::Kind(pick(rnd));
        switch (s.kind) {
        case Step::CycleOk:
        case Step::CycleNg:
            s.a = in(10, 300);
            s.b = pairs ? in(0, 1) : 0;
            break;
        case Step::PulseAnyTime:
            s.a = in(10, 300);
            break;
        case Step::Kill:
            s.a = in(0, 2);
            s.b = s.a == 1 ? in(0, 1) : s.a == 2 ? in(0, 500) : 0;
            if (std::uniform_int_distribution<int>(0, 1)(ends))
                s.kind = Step::Term;
            break;
        case Step::PulseInDelay:
            s.a = staged ? in(50, 250) : in(50, 700);  // staged: within stage 1's delay
            s.b = in(10, 300);
            break;
        case Step::Recheck:
            s.a = in(0, 1);
            s.b = in(10, 300);
            break;
        case Step::HeldGui:
            s.a = in(10, 40);
            break;
        case Step::StartStop:
        case Step::EndSet:
        case Step::DeleteRegion:
        case Step::ProSnapshot:
            s.a = in(0, 1);
            break;
        case Step::Resample:
            s.a = in(0, 3) > 0 ? 1 : 0;
            s.b = in(0, 1);
            break;
        case Step::DrawRegion:
            s.a = in(0, 300);
            break;
        case Step::CameraUnplug:
            s.a = in(0, 1) ? in(100, 750) : 0;
            break;
        case Step::Pause:
            s.a = in(500, 4000);
            break;
        case Step::RegionLists:
            s.a = in(0, 2);
            s.b = in(0, 4);
            break;
        case Step::AlarmPage:
            s.a = in(0, 4);
            s.b = in(0, 2) > 0 ? 1 : 0;
            break;
        case Step::Settings:
            s.a = in(0, 2);
            break;
        case Step::SideInCycle:
            s.a = in(100, words.SpanMs() + 300);
            s.b = in(0, 4);
            break;
        default:
            break;
        }
        out << s;
    }
    out << Step{};
    return out;
}

QString Write(const QList<Step>& steps)
{
    QStringList s;
    for (const Step& st : steps)
        s << st.Text();
    return s.join(' ');
}

bool Read(const QString& text, QList<Step>* steps)
{
    steps->clear();
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(':');
        int kind = -1;
        for (int k = 0; k < Step::KindCount; ++k)
            if (f.value(0) == kNames[k])
                kind = k;
        bool okA = false, okB = false;
        Step s{Step::Kind(kind), f.value(1).toInt(&okA), f.value(2).toInt(&okB)};
        if (kind < 0 || f.size() != 3 || !okA || !okB)
            return false;
        // The mode only first, and only one the driver knows the words of.
        CycleWords words;
        if (kind == Step::Mode && (!steps->isEmpty() || !CycleWords::FromStep(s.a, s.b, &words)))
            return false;
        *steps << s;
    }
    return !steps->isEmpty();
}

}  // namespace Steps
