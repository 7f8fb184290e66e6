#pragma once
// The stages of the open cycle whose verdict waits for the area check that resampling opened: the
// stage whose capture took the last template (judged OK with the answer, as its template) and any
// stage whose delay ended while the area check was due or open (inspected and judged with the
// answer). A verdict names its stage here, so nothing reads which stage was inspected last, and no
// verdict is given under the area check's boxes. Such a stage keeps the cycle open: it holds the
// mould as a stage still counting does.
#include <QtGlobal>

class OpenCycle {
public:
    static constexpr int kStages = 8;

    // No stage waits (a new cycle, a stop, the alarm hold, a stage-count change, a silent board).
    void Reset();
    // Stage d's verdict waits for the area check's answer; `tookTemplate`: its capture took the
    // last template, so its verdict is OK without an inspection.
    void Defer(int d, bool tookTemplate);
    bool Deferred(int d) const;
    bool AnyDeferred() const;
    // The area check is due or open: the stage that took the last template waits for it.
    bool AreaCheckDue() const;
    // The lowest stage still waiting, taken out of the wait; -1 when none. `tookTemplate` tells
    // how it is judged, `noPicture` which cameras had no picture when it was inspected.
    int Take(bool* tookTemplate, quint8* noPicture = nullptr);
    // The cameras (bit i = camera i) that had no picture when stage d took the last template: its
    // verdict with the answer reads them as they were then.
    void NoPicture(int d, quint8 cameras);
    // Stage d was judged another way (its re-check, a stop): it no longer waits.
    void Judged(int d);
    // Another stage than `d` still waits: a release must wait for it too.
    bool OthersDeferred(int d) const;
    // Every stage that waits took a template (none waits for an inspection).
    bool OnlyTemplates() const { return (deferred_ & ~template_) == 0; }
    // Stage d was started in this cycle (by its input or the operator's request), so its verdict
    // judges a mould of this cycle; the trigger-safety input firing a stage that never started
    // judges none. The start is spent by the stage's final verdict.
    void Start(int d);
    bool Started(int d) const;
    void Finished(int d);
    // Multiple detection: the machine's input k came while the stages waited (the pass did not
    // take it); taken once they are judged, unless the cycle ends first.
    void KeepInput(int k);
    // The inputs kept (bit k = input k), no longer kept.
    quint8 TakeInputs();

private:
    quint8 deferred_ = 0;
    quint8 template_ = 0;
    quint8 started_ = 0;
    quint8 inputs_ = 0;
    quint8 noPicture_[kStages] = {};
};
