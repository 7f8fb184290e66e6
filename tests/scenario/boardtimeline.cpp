#include "scenario/boardtimeline.h"

BoardTimeline::BoardTimeline(const QStringList& lines)
{
    bool plugged = true;
    qint64 unplugAt = 0;
    for (const QString& l : lines) {
        const QStringList w = l.split(' ');
        bool ok = false;
        const qint64 ms = w.value(0).toLongLong(&ok);
        if (!ok || w.size() < 2)
            continue;
        lastMs_ = ms;
        if (w[1] == "unplug" && plugged) {
            plugged = false;
            unplugAt = ms;
        } else if (w[1] == "plug" && !plugged) {
            plugged = true;
            silences_ << qMakePair(unplugAt, ms);
        } else if (w[1] == "in" && w.size() == 3) {
            const int v = w[2].toInt(&ok, 16);
            if (ok)
                inputs_ << qMakePair(ms, v);
        } else if (w[1] == "1" && w.size() == 3 && plugged) {
            if (!silences_.isEmpty() && !firstAfterPlug_.contains(silences_.last().first))
                firstAfterPlug_.insert(silences_.last().first, ms);
            const int v = w[2].toInt(&ok, 16);
            if (ok && (words_.isEmpty() || words_.last().word != v))
                words_ << BoardWord{ms, v};
        }
    }
    if (!plugged)
        silences_ << qMakePair(unplugAt, lastMs_ + 1);
}

int BoardTimeline::WordAt(qint64 ms) const
{
    int w = -1;
    for (const BoardWord& b : words_) {
        if (b.ms > ms)
            break;
        w = b.word;
    }
    return w;
}

QList<qint64> BoardTimeline::Rises(int n) const
{
    QList<qint64> out;
    int last = 0;
    for (const auto& in : inputs_) {
        if (((in.second >> n) & 1) && !((last >> n) & 1))
            out << in.first;
        last = in.second;
    }
    return out;
}

bool BoardTimeline::HighWithin(int n, qint64 from, qint64 to) const
{
    int level = 0;
    for (const auto& in : inputs_) {
        if (in.first > to)
            break;
        if (in.first >= from && ((in.second >> n) & 1))
            return true;
        level = (in.second >> n) & 1;
    }
    return level != 0;
}

bool BoardTimeline::SilentAt(qint64 ms) const
{
    for (const auto& s : silences_)
        if (ms >= s.first && ms < s.second)
            return true;
    return false;
}

qint64 BoardTimeline::SentFrom(qint64 ms) const
{
    for (auto it = firstAfterPlug_.cbegin(); it != firstAfterPlug_.cend(); ++it)
        if (it.value() == ms)
            return it.key();
    return ms;
}
