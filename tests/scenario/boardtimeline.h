#pragma once
// What the board did, read from the board simulator's log: the output words it took (frames sent
// while its cable was pulled never reach its outputs), the rises of its inputs and the times it
// was unplugged.
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>

struct BoardWord {
    qint64 ms;
    int word;
};

class BoardTimeline {
public:
    explicit BoardTimeline(const QStringList& lines);

    // Each change of the word on the board's outputs, the first one included.
    const QList<BoardWord>& words() const { return words_; }
    // The word on the outputs at `ms` (-1 before the first).
    int WordAt(qint64 ms) const;
    // Board times at which input n rose.
    QList<qint64> Rises(int n) const;
    // Whether input n was raised at some time within [from, to].
    bool HighWithin(int n, qint64 from, qint64 to) const;
    // [unplug, plug) intervals; an open one ends at the last line's time.
    const QList<QPair<qint64, qint64>>& silences() const { return silences_; }
    bool SilentAt(qint64 ms) const;
    // When the program may have sent the word that reached the outputs at `ms`: a word that came
    // with the cable's return was sent at some time during the silence before it.
    qint64 SentFrom(qint64 ms) const;
    qint64 lastMs() const { return lastMs_; }

private:
    QList<BoardWord> words_;
    QList<QPair<qint64, int>> inputs_;
    QList<QPair<qint64, qint64>> silences_;
    QMap<qint64, qint64> firstAfterPlug_;  // unplug time -> the first output frame after the plug
    qint64 lastMs_ = 0;
};
