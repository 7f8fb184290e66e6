#include "vision/controller/triggerwiring.h"

#include "core/runmodederivation.h"
#include "core/wizardpara.h"

TriggerWiring::Decision TriggerWiring::Classify(const WizardPara& p, int k, bool cycleOpen, int repeatInput,
                                                bool lastMaskEmpty)
{
    Decision d;
    const int sub = p.io_sub_mode;
    switch (p.io_mode) {
    case 1:  // two-colour: inputs 2 and 3 choose the pair inside an open cycle
        if (k == 0) {
            d.role = CycleStart;
            return d;
        }
        if (k == 2 && sub != 1) {
            d.role = cycleOpen ? PairStart : Ignore;
            d.side = cycleOpen ? 1 : -1;
            return d;
        }
        if (k == 3 && sub != 0) {
            d.role = cycleOpen ? PairStart : Ignore;
            d.side = cycleOpen ? 0 : -1;
            return d;
        }
        break;
    case 2:  // turntable: the cycle start itself chooses the pair
        if (k == 0 && sub != 1) {
            d.role = CycleStart;
            d.side = 1;
            return d;
        }
        if (k == 3 && sub != 0) {
            d.role = CycleStart;
            d.side = 0;
            return d;
        }
        if (k == 2) {
            d.role = cycleOpen ? PairStart : Ignore;
            return d;
        }
        break;
    case 4:
        d.role = (k == 0 && repeatInput == -1 && lastMaskEmpty) ? CycleStart : Mode4;
        return d;
    default:  // 0, 3, 5
        if (k == 0) {
            d.role = CycleStart;
            return d;
        }
        if (k == 2 && p.semi_auto) {
            d.role = cycleOpen ? PairStart : Ignore;
            return d;
        }
        break;
    }
    d.role = cycleOpen ? Dispatch : Ignore;
    return d;
}

int TriggerWiring::RunDispatch(const WizardPara& p, int dnum, int k, DispatchState& st,
                               const std::function<bool(int j, int delay)>& start)
{
    if (dnum < 1)
        return 0;
    const int mode = p.io_mode;
    const bool pair = mode == 1 || mode == 2;
    const int n = pair ? 2 : qMin(dnum, 8);
    int started = 0;
    for (int j = 0; j < n; ++j) {
        const int d = (pair && st.side == 0) ? j + 2 : j;
        if (!p.stage_enabled[d] || st.timerActive[j])
            continue;
        const int trig = p.stage_trigger_input[j];
        bool match = false;
        if (mode == 4) {
            match = trig == k && st.detectMask[j] != 0;
        } else if (mode == 1) {
            match = trig == k || (trig == 255 && (k == 2 || k == 3));
        } else if (mode == 2) {
            match = trig == k || (trig == 255 && (k == 0 || k == 3));
        } else {
            match = trig == k;
        }
        // The stage restarted after a stage-0 alarm runs whatever its trigger input.
        if (mode != 4 && st.restartDetect == j) {
            match = true;
            st.restartDetect = -1;
            st.lastDelay = 0;
        }
        if (!match)
            continue;
        int delay = p.stage_delay[j];
        if (j > 0 && !pair && !p.semi_auto && p.first_stage_on)
            delay += st.lastDelay;
        st.lastDelay = delay;
        ++started;
        if (mode == 4)
            st.multiDetect = j;
        const bool go = start ? start(j, delay) : true;
        if (mode == 4 || !go)
            break;  // multi-detection starts only the first matching stage of the input
    }
    return started;
}

TriggerWiring::ActResult TriggerWiring::Act(const WizardPara& p, int dnum, int k, int cameras, int repeatInput,
                                             DispatchState& st, const ActHooks& h)
{
    const bool mode4 = p.io_mode == 4;
    const bool pair = p.io_mode == 1 || p.io_mode == 2;
    const int last = qBound(0, dnum - 1, 7);
    const Decision dec = Classify(p, k, st.detectMask[1] != 0, repeatInput, st.detectMask[last] == 0);
    switch (dec.role) {
    case Ignore:
        return NoStage;
    case CycleStart:
        for (int d = 0; d < dnum && d < 8; ++d)
            st.detectMask[d] = 0;
        if (!mode4)
            st.detectMask[0] = st.detectMask[1] = 0;
        for (int i = 0; i < cameras && i < 32; ++i)
            for (int d = 0; d < dnum && d < 8; ++d)
                if (p.stage_enabled[d])
                    st.detectMask[mode4 ? d : (d & 1)] |= quint32(1) << i;
        if (h.cycleStart)
            h.cycleStart(k);
        if (dec.side >= 0)
            st.side = dec.side;
        break;
    case PairStart:
        if (dec.side >= 0)
            st.side = dec.side;
        st.detectMask[1] = 0;
        for (int i = 0; i < cameras && i < 32; ++i)
            if (p.stage_enabled[1] || (pair && p.stage_enabled[3]))
                st.detectMask[1] |= quint32(1) << i;
        if (h.pairStart)
            h.pairStart();
        break;
    case Dispatch:
    case Mode4:
        break;
    }
    if (mode4) {
        const Mode4Result r = Mode4Rules(p, dnum, k, st.multiDetect, repeatInput, st.detectMask[last] == 0);
        if (r.endPass)
            return PassEnds;
        if (!r.outputs.empty() && h.outputs)
            h.outputs(r.outputs);
        st.multiDetect = r.multiDetect;
    } else if (st.detectMask[1] == 0) {
        return NoStage;  // the cycle is not open
    }
    bool stopped = false;
    const int started = RunDispatch(p, dnum, k, st, [&](int j, int delay) {
        const bool go = h.startStage ? h.startStage(j, delay) : true;
        stopped = stopped || !go;
        return go;
    });
    if (stopped)
        return PassEnds;
    return started ? Started : NoStage;
}

TriggerWiring::Mode4Result TriggerWiring::Mode4Rules(const WizardPara& p, int dnum, int k, int multiDetect,
                                                     int repeatInput, bool lastMaskEmpty)
{
    Mode4Result r;
    r.multiDetect = multiDetect;
    if (repeatInput == -1 && (k != 0 || !lastMaskEmpty)) {
        // Inputs are taken in stage order: the next stage with a trigger must be this input's.
        for (int i = multiDetect + 1; i < 8; ++i) {
            if (p.stage_trigger_input[i] == -1)
                continue;
            if (i < dnum && i != 0 && p.stage_trigger_input[i] != k) {
                r.endPass = true;
                return r;
            }
            break;
        }
    }
    if (!lastMaskEmpty && k <= dnum) {
        int f = 0;
        // Stages beyond the count in force have no source, whatever the record holds for them.
        for (int i = multiDetect + 1; i < dnum && i < 8; ++i) {
            if (p.stage_source_in_force[i] != -1) {
                f = i;
                break;
            }
        }
        const int src = p.stage_source_in_force[f];
        const int msrc = (multiDetect >= 0 && multiDetect < 8) ? p.stage_source_in_force[multiDetect] : -1;
        const bool boundary = src != msrc || (k == 0 && multiDetect == dnum - 1);
        if (boundary && src >= 0 && src < 8 && p.stage_link[src] != 2) {
            for (int i = f; i < dnum && i < 8; ++i) {
                const int si = p.stage_source_in_force[i];
                const bool inGroup = p.stage_link[src] == 0 ? si != -1 : si == src;
                if (!inGroup)
                    continue;
                if (i == 0 && !p.first_stage_on)
                    continue;
                r.outputs.set(Mode4StageOutput(i, dnum));
            }
        }
        r.multiDetect = f;
    }
    return r;
}

OutputPlan TriggerWiring::CycleStartOutputs(const WizardPara& p, bool mask0)
{
    OutputPlan o;
    if (p.ng_pulse_mode || p.io_mode == 4)
        return o;
    if (!(p.pre_cut || p.io_mode == 5 || p.no_close_inhibit_at_start))
        o.set(0);
    if (mask0) {
        if (p.enable_stop_not_alarm || p.release_ejector_at_start) {
            for (int n : {1, 4, 5, 6, 7})
                o.clear(n);
        } else if (!p.enable_cutoff_ontime) {
            o.set(1);
        }
    }
    o.flash();
    return o;
}

OutputPlan TriggerWiring::PairStartOutputs(const WizardPara& p)
{
    OutputPlan o;
    if (p.ng_pulse_mode)
        return o;
    if (!(p.pre_cut || p.no_close_inhibit_at_start))
        o.set(0);
    o.flash();
    return o;
}

void TriggerWiring::ReCheckCountsAtStart(const WizardPara& p, int reCheckCount[8])
{
    reCheckCount[0] = 0;
    reCheckCount[1] = p.ng_pulse_mode ? 0 : p.front_auto_check_time;
    if (p.io_mode == 4)
        for (int i = 1; i < 8; ++i)
            reCheckCount[i] = 0;
}

int TriggerWiring::Mode4StageOutput(int stage, int dnum)
{
    const int entry = (stage == dnum - 1) ? 7 : qBound(0, stage, 7);
    return OutputNo[entry] - 1;
}

bool TriggerWiring::SafetyFires(bool edge1, int simInput, int restartDetect)
{
    return edge1 || (simInput == 1 && restartDetect != 1);
}

bool TriggerWiring::StartsWithCycle(const WizardPara& p, int j)
{
    if (j < 0 || j >= 8 || p.io_mode == 4)
        return false;
    const int trig = p.stage_trigger_input[j];
    for (int k = 0; k < 8; ++k) {
        if (Classify(p, k, false, -1, true).role != CycleStart)
            continue;
        if (trig == k || (p.io_mode == 2 && trig == 255 && (k == 0 || k == 3)))
            return true;
    }
    return false;
}

int TriggerWiring::FoldedStage(const WizardPara& p, int stage)
{
    return (p.io_mode == 1 || p.io_mode == 2) ? (stage & 1) : stage;
}

int TriggerWiring::LastStage(const WizardPara& p, int dnum)
{
    return p.io_mode == 4 ? dnum - 1 : 1;
}

quint64 TriggerWiring::StageInputs(const WizardPara& p)
{
    quint64 v = 0;
    for (int d = 0; d < 8; ++d) {
        const int in = p.stage_trigger_input[d];
        const quint64 code = !p.stage_enabled[d] ? 0 : (in < 0 || in > 7) ? quint64(0x80 | (in & 0x7f)) : quint64(in + 1);
        v |= code << (8 * d);
    }
    return v;
}
