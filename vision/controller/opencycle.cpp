#include "vision/controller/opencycle.h"

namespace {

quint8 Bit(int d) { return d >= 0 && d < OpenCycle::kStages ? quint8(1u << d) : quint8(0); }

}  // namespace

void OpenCycle::Reset()
{
    deferred_ = 0;
    template_ = 0;
    started_ = 0;
    inputs_ = 0;
    for (quint8& m : noPicture_)
        m = 0;
}

void OpenCycle::Defer(int d, bool tookTemplate)
{
    deferred_ |= Bit(d);
    if (tookTemplate)
        template_ |= Bit(d);
}

bool OpenCycle::Deferred(int d) const { return (deferred_ & Bit(d)) != 0; }

bool OpenCycle::AnyDeferred() const { return deferred_ != 0; }

bool OpenCycle::AreaCheckDue() const { return template_ != 0; }

int OpenCycle::Take(bool* tookTemplate, quint8* noPicture)
{
    for (int d = 0; d < kStages; ++d) {
        if (!Deferred(d))
            continue;
        if (tookTemplate)
            *tookTemplate = (template_ & Bit(d)) != 0;
        if (noPicture)
            *noPicture = noPicture_[d];
        Judged(d);
        return d;
    }
    return -1;
}

void OpenCycle::Judged(int d)
{
    deferred_ &= quint8(~Bit(d));
    template_ &= quint8(~Bit(d));
    if (d >= 0 && d < kStages)
        noPicture_[d] = 0;
}

void OpenCycle::NoPicture(int d, quint8 cameras)
{
    if (d >= 0 && d < kStages)
        noPicture_[d] = cameras;
}

bool OpenCycle::OthersDeferred(int d) const { return (deferred_ & quint8(~Bit(d))) != 0; }

void OpenCycle::Start(int d) { started_ |= Bit(d); }

bool OpenCycle::Started(int d) const { return (started_ & Bit(d)) != 0; }

void OpenCycle::Finished(int d) { started_ &= quint8(~Bit(d)); }

void OpenCycle::KeepInput(int k) { inputs_ |= Bit(k); }

quint8 OpenCycle::TakeInputs()
{
    const quint8 kept = inputs_;
    inputs_ = 0;
    return kept;
}
