#pragma once
// A deterministic simulation of the monitoring cycle on the real main window (the cycle window of
// cyclewindow.h): every timer of the cycle runs on the virtual clock of VirtualDispatcher, every
// clock the cycle reads is that clock, the camera views take OK, NG or no picture as told, and a
// modal box is answered by the events that follow it (others may run under it first). From a seed
// it draws a machine set-up and a list of machine and operator events; after every step it checks
// what must always hold of a cycle. A run is written as one line of text that replays it.
//
// Needs VirtualDispatcher installed before the application object (tests/cyclesim installs it).
#include <cstdint>
#include <string>
#include <vector>

namespace cyclesim {

struct Config {
    int ioMode = 0;        // 0-5
    int subMode = 0;       // modes 1 and 2: 0-2
    int stages = 2;        // mode 4: 2-4
    int cameras = 1;       // 1-2
    int delay[4] = {3, 5, 3, 5};  // tenths
    int reCheck = 0;       // automatic re-checks, 0-3
    int preCut = 0;        // tenths
    int noCloseAtStart = 0;
    int semiAuto = 0;
    int firstStageOn = 1;
    int safety = 0;        // trigger safety
    int ngPulse = 0;
    int cutOnTime = 0;     // is_cut_ontime
    int moldPulse = 0;     // tenths
    int cutOnTimeThimble = 0;
    int thimblePulse = 0;  // tenths
    int stopNotAlarm = 0;
    int stopMold = 0;
    int watchdog = 0;      // s, 0 off
    int password = 0;
    int debounce = 0;      // tenths
    int leftUnjudged = 0;  // the run before left a mould unjudged
};

// One step. Kinds: 'w' wait a ms; 'i' input a to level b; 'p' camera a takes b (0 OK, 1 NG,
// 2 no picture); 'a' the open box answered (b 1 yes / password right, 0 no / refused);
// 'R' Resample, 'E' End Set, 'S' Start/Stop Detection, 'M' Mold snapshot, 'P' Pro snapshot,
// 'D' Re-detected, 'N' Don't Detect, 'T' Add Template, 'I' ignore point, 'L' the operator
// logged out, 'b' the board falls silent, 'B' it answers again, 'C' the warning's confirm
// button, 'l' camera a lost (b 1: the camera supervision's CameraCheck) or back (b 0: the
// recovery the cycle retries finds every camera again; all are back before the run-out),
// 'G' the settings accepted with other delays, sub-mode or stage count (the record re-derived);
// 'g' the settings accepted through the settings screen's I/O mode step with I/O mode a chosen
// and semi-automatic b (mode 4 kept: the stage count steps as with 'G'); 'H' the temperature
// alarm raised, 'h' over (its check runs every 5 s).
struct Event {
    char kind = 'w';
    int a = 0;
    int b = 0;
};

// One event as the text of a run writes it.
std::string EventText(const Event& e);
std::string ToText(const Config& c, const std::vector<Event>& events);
// False (and what is wrong in *error) for a text ToText did not write.
bool FromText(const std::string& text, Config* c, std::vector<Event>* events, std::string* error = nullptr);

Config DrawConfig(uint64_t seed);
std::vector<Event> DrawEvents(uint64_t seed, const Config& c, int count);

struct Result {
    bool failed = false;
    int step = -1;           // the event at which it failed
    std::string what;        // what did not hold
    std::string key;         // the kind of failure (kept by the shrinking)
    std::string context;     // the cycle's last messages before the failure
    long events = 0;         // events run (nested ones included)
    long deliveries = 0;     // timer deliveries
    long long virtualMs = 0; // time simulated
    // With MOULDMON_CYCLESIM_ALL set the run goes on after a failure: the later ones, "event: what".
    std::vector<std::string> later;
};

// Runs the events on the shared window, from an idle cycle.
Result Run(const Config& c, const std::vector<Event>& events);
// The shortest list found that still fails with the same key (tries about `budget` runs).
std::vector<Event> Shrink(const Config& c, std::vector<Event> events, const std::string& key, int budget = 800);

// A seed's run of `count` events; on a failure `replay` is the shortened run as text.
struct SeedRun {
    Result result;
    std::string replay;
};
SeedRun RunSeed(uint64_t seed, int count, bool shrink = true);

}  // namespace cyclesim
