#pragma once
// The steps of a scenario: what an operator touches and what a machine does, each with its
// values, drawn from a seed; written and read as one line of text so that a failing sequence can
// be kept and replayed.
#include <QList>
#include <QString>

class ScenarioWorld;

struct Step {
    enum Kind {
        CycleOk,          // a machine cycle on an empty mould, input 0 for `a` ms; on the other
                          // stage pair when `b` and both pairs are in force
        CycleNg,          // the same with a part left in the mould
        PulseInDelay,     // a cycle, and input 0 again for `b` ms `a` ms after its edge
        Recheck,          // input 1 for `b` ms, the mould empty when `a`
        PulseAnyTime,     // input 0 for `a` ms whatever the program is doing (an alarm hold too)
        StartStop,        // the start/stop button, Yes when `a`
        Resample,         // Resample, Yes when `a`, the template deletion Yes when `b`
        AreaSettings,
        EndSet,           // on the region page, Yes when `a`
        DrawRegion,       // a rectangle dragged on the region page at offset `a`
        DeleteRegion,     // the first region touched, then the delete tool, Yes when `a`
        RegionLists,      // a region-page list (`a`: picture source, camera, stage) opened, item `b`
        ProSnapshot,      // with a part in the mould when `a` is 0
        MoldSnapshot,
        MultiScreen,
        AlarmPage,        // an alarm-page button: `a` 0 re-detect, 1 add as template, 2 ignore point,
                          // 3 live/template, 4 don't detect; the mould empty when `b`
        Settings,         // System settings, left by `a`: 0 Exit setup, 1 a change and No, 2 a side
                          // panel button
        CameraUnplug,     // a camera's cable pulled; `a` > 0: `a` ms into a cycle on an empty mould
        CameraPlug,
        BoardUnplug,
        BoardPlug,
        HeldGui,          // the GUI thread held, input 0 for `a` ms meanwhile
        Pause,            // nobody touches anything for `a` ms
        WayBack,          // every page left, the machine idle, then one cycle on an empty mould
        Kill,             // the program killed (SIGKILL) and started again in its directory: `a` 0
                          // wherever it is, 1 200 ms into a cycle (a part in the mould when `b`),
                          // 2 `b` ms into the alarm hold of a cycle with a part in the mould
        Mode,             // first step only: I/O mode `a` (0-5) set before the program starts; mode
                          // 4: `b` = stage count x 10 + stage 2's input (stage 3 on the other of 2,
                          // 3); else `b` = sub-mode x 100 + automatic re-inspections x 1000 +
                          // options x 10000 (1 first stage off, 2 semi-automatic, 4 trigger safety,
                          // 8 stage delays of seconds)
        SideInCycle,      // a cycle on an empty mould, and `a` ms after its edge a side-panel action
                          // `b`: 0 Resample, 1 Stop and Start Detection, 2 Area Settings and End Set,
                          // 3 Pro snapshot, 4 Re-detected (when the alarm page shows)
        Term,             // as Kill, the program stopped by SIGTERM (in order) instead; drawn in
                          // place of about half the kills (Generate)
        KindCount
    };
    Kind kind = WayBack;
    int a = 0;
    int b = 0;

    QString Text() const;
    bool operator==(const Step& o) const { return kind == o.kind && a == o.a && b == o.b; }
};

namespace Steps {

// `count` steps drawn from `seed`: the I/O mode first (0-5, with its stage mapping or its
// sub-mode and options),
// the last one a WayBack. Steps that leave a cycle half done are not drawn where its later stages
// wait for inputs of their own (modes 1 and 4). Whether a drawn Kill is a Term comes from a
// stream of its own: a seed draws the kinds and values it drew before Term existed, a Term in
// place of about half its Kills.
QList<Step> Generate(quint64 seed, int count);
QString Write(const QList<Step>& steps);
// Parses what Write wrote; false on anything else.
bool Read(const QString& text, QList<Step>* steps);
const char* Name(Step::Kind kind);

}  // namespace Steps
