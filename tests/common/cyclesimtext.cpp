// The text of a run (set-up and events), the runs a seed draws and their shortening.
#include "common/cyclesim.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace cyclesim {

namespace {

// splitmix64: the same numbers on every library and machine. The seed is mixed first: a plain
// multiple of the increment would make seed n + 1 draw seed n's numbers one step later.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(Mix(seed + 0x632BE59BD9B4E019ull)) {}
    static uint64_t Mix(uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t Next() { return Mix(s += 0x9E3779B97F4A7C15ull); }
    int Below(int n) { return n <= 0 ? 0 : int(Next() % uint64_t(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
};

const char* kConfigKeys[] = {"io", "sub", "stages", "cams", "d0", "d1", "d2", "d3", "rc", "precut", "noclose",
                             "semi", "first", "safety", "ngpulse", "cut", "mold", "cutthimble", "thimble",
                             "stopnotalarm", "stopmold", "watchdog", "psw", "debounce", "leftunjudged"};

std::vector<int*> ConfigFields(Config& c)
{
    return {&c.ioMode, &c.subMode, &c.stages, &c.cameras, &c.delay[0], &c.delay[1], &c.delay[2], &c.delay[3],
            &c.reCheck, &c.preCut, &c.noCloseAtStart, &c.semiAuto, &c.firstStageOn, &c.safety, &c.ngPulse,
            &c.cutOnTime, &c.moldPulse, &c.cutOnTimeThimble, &c.thimblePulse, &c.stopNotAlarm, &c.stopMold,
            &c.watchdog, &c.password, &c.debounce, &c.leftUnjudged};
}

}  // namespace

std::string EventText(const Event& e)
{
    std::ostringstream o;
    switch (e.kind) {
    case 'w': o << 'w' << e.a; break;
    case 'i': o << 'i' << e.a << (e.b ? '+' : '-'); break;
    case 'p': o << 'p' << e.a << "onx"[std::min(std::max(e.b, 0), 2)]; break;
    case 'a': o << 'a' << (e.b ? '+' : '-'); break;
    case 'l': o << 'l' << e.a << (e.b ? '+' : '-'); break;
    case 'g': o << 'g' << e.a << (e.b ? '+' : '-'); break;
    default: o << e.kind;
    }
    return o.str();
}

std::string ToText(const Config& c0, const std::vector<Event>& events)
{
    Config c = c0;
    std::ostringstream o;
    const std::vector<int*> f = ConfigFields(c);
    for (size_t i = 0; i < f.size(); ++i)
        o << (i ? "," : "") << kConfigKeys[i] << '=' << *f[i];
    o << ':';
    for (const Event& e : events)
        o << ' ' << EventText(e);
    return o.str();
}

bool FromText(const std::string& text, Config* c, std::vector<Event>* events, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return fail("no ':' after the set-up");
    *c = Config();
    events->clear();
    const std::vector<int*> f = ConfigFields(*c);
    std::istringstream cs(text.substr(0, colon));
    for (std::string item; std::getline(cs, item, ',');) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            return fail("set-up item without '=': " + item);
        const std::string key = item.substr(0, eq);
        size_t i = 0;
        while (i < f.size() && key != kConfigKeys[i])
            ++i;
        if (i == f.size())
            return fail("unknown set-up key " + key);
        *f[i] = std::atoi(item.c_str() + eq + 1);
    }
    std::istringstream es(text.substr(colon + 1));
    for (std::string t; es >> t;) {
        Event e;
        e.kind = t[0];
        const char last = t.back();
        switch (e.kind) {
        case 'w': e.a = std::atoi(t.c_str() + 1); break;
        case 'i':
        case 'l':
        case 'g':
            if (t.size() < 3 || (last != '+' && last != '-'))
                return fail("bad event " + t);
            e.a = std::atoi(t.c_str() + 1);
            e.b = last == '+';
            break;
        case 'p': {
            if (t.size() < 3)
                return fail("bad event " + t);
            e.a = std::atoi(t.c_str() + 1);
            const char* k = std::strchr("onx", last);
            if (!k)
                return fail("bad picture " + t);
            e.b = int(k - "onx");
            break;
        }
        case 'a': e.b = last == '+'; break;
        default:
            if (!std::strchr("RESMPDNTILbBCGHh", e.kind) || t.size() != 1)
                return fail("unknown event " + t);
        }
        events->push_back(e);
    }
    return true;
}

Config DrawConfig(uint64_t seed)
{
    Rng r(seed ^ 0xC0FFEEull);
    Config c;
    const int modes[] = {0, 0, 1, 2, 2, 3, 4, 5};
    c.ioMode = modes[r.Below(8)];
    c.subMode = r.Below(3);
    c.stages = 2 + r.Below(3);
    c.cameras = 1 + r.Below(2);
    for (int& d : c.delay)
        d = r.Chance(15) ? 0 : 1 + r.Below(r.Chance(50) ? 10 : 60);
    c.reCheck = r.Chance(50) ? 0 : 1 + r.Below(3);
    c.preCut = r.Chance(75) ? 0 : 1 + r.Below(20);
    c.noCloseAtStart = r.Chance(15);
    c.semiAuto = r.Chance(25);
    c.firstStageOn = !r.Chance(15);
    c.safety = r.Chance(15);
    c.ngPulse = r.Chance(15);
    c.cutOnTime = r.Chance(20);
    c.moldPulse = 1 + r.Below(30);
    c.cutOnTimeThimble = r.Chance(20);
    c.thimblePulse = r.Below(20);
    c.stopNotAlarm = r.Chance(15);
    c.stopMold = r.Chance(30);
    c.watchdog = r.Chance(75) ? 0 : 5 + r.Below(30);
    c.password = r.Chance(50);
    c.debounce = r.Chance(70) ? 0 : 1 + r.Below(5);
    c.leftUnjudged = r.Chance(10);
    // Drawn last, so the set-ups before it stay as they were: a close pulse without a length.
    if (r.Chance(10))
        c.moldPulse = 0;
    return c;
}

std::vector<Event> DrawEvents(uint64_t seed, const Config& c, int count)
{
    Rng r(seed);
    std::vector<Event> out;
    out.reserve(size_t(count));
    bool level[8] = {};
    while (int(out.size()) < count) {
        const int roll = r.Below(1000);
        Event e;
        if (roll < 330) {
            e.kind = 'w';
            const int band = r.Below(10);
            e.a = band < 4 ? 1 + r.Below(50) : band < 8 ? 50 + r.Below(700) : 700 + r.Below(4000);
        } else if (roll < 600) {
            e.kind = 'i';
            const int inputs[] = {0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 5};
            e.a = c.ioMode == 4 ? r.Below(c.stages + 1) : inputs[r.Below(11)];
            e.b = !level[e.a];
            level[e.a] = e.b;
        } else if (roll < 720) {
            e.kind = 'p';
            e.a = r.Below(c.cameras);
            const int k = r.Below(10);
            e.b = k < 6 ? 0 : k < 9 ? 1 : 2;
        } else if (roll < 820) {
            e.kind = 'a';
            e.b = r.Chance(60);
        } else {
            const char ops[] = "RRRREEEESSMMPDDDNNNTILbBBCllG";
            e.kind = ops[r.Below(int(sizeof ops) - 1)];
            if (e.kind == 'l') {
                e.a = r.Below(c.cameras);
                e.b = r.Chance(40);
            }
        }
        out.push_back(e);
    }
    return out;
}

std::vector<Event> Shrink(const Config& c, std::vector<Event> events, const std::string& key, int budget)
{
    auto fails = [&](const std::vector<Event>& ev) {
        const Result r = Run(c, ev);
        return r.failed && r.key == key;
    };
    // Nothing after the failing step matters.
    {
        const Result r = Run(c, events);
        if (r.failed && r.step >= 0 && size_t(r.step) + 1 < events.size()) {
            std::vector<Event> cut(events.begin(), events.begin() + r.step + 1);
            if (fails(cut))
                events = cut;
        }
    }
    // Chunks removed, halving the chunk size; then single events made simpler.
    for (size_t chunk = std::max<size_t>(1, events.size() / 2); chunk >= 1 && budget > 0; chunk /= 2) {
        for (size_t i = 0; i < events.size() && budget > 0;) {
            std::vector<Event> tryEv;
            tryEv.insert(tryEv.end(), events.begin(), events.begin() + i);
            tryEv.insert(tryEv.end(), events.begin() + std::min(events.size(), i + chunk), events.end());
            --budget;
            if (fails(tryEv))
                events = tryEv;
            else
                i += chunk;
        }
        if (chunk == 1)
            break;
    }
    // Waits joined and shortened.
    for (size_t i = 0; i + 1 < events.size() && budget > 0; ++i) {
        if (events[i].kind == 'w' && events[i + 1].kind == 'w') {
            std::vector<Event> tryEv = events;
            tryEv[i].a += tryEv[i + 1].a;
            tryEv.erase(tryEv.begin() + long(i) + 1);
            --budget;
            if (fails(tryEv)) {
                events = tryEv;
                --i;
            }
        }
    }
    return events;
}

SeedRun RunSeed(uint64_t seed, int count, bool shrink)
{
    SeedRun out;
    const Config c = DrawConfig(seed);
    const std::vector<Event> ev = DrawEvents(seed, c, count);
    out.result = Run(c, ev);
    if (out.result.failed) {
        std::vector<Event> upTo(ev.begin(), ev.begin() + std::min<long>(long(ev.size()), out.result.step + 1));
        out.replay = ToText(c, shrink ? Shrink(c, upTo, out.result.key) : upTo);
    }
    return out;
}

}  // namespace cyclesim
