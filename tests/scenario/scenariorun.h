#pragma once
// Runs a sequence of steps on a fresh program and checks every invariant after each step; a
// failing sequence is shortened by dropping steps while it still fails the same way.
#include <functional>

#include <QList>
#include <QString>

#include "scenario/invariants.h"
#include "scenario/scenariosteps.h"

class XScreen;

struct ScenarioResult {
    bool started = false;
    int failedStep = -1;        // index of the step after which an invariant broke; -1 none
    QList<Breach> breaches;
    QString dir;                // the program directory kept (failures only)
    int stepsRun = 0;
    bool closedEarly = false;   // the failing step was the closing way back, not steps[failedStep]
    bool failed() const { return failedStep >= 0 || !started; }
    QString Text() const;
};

class ScenarioRunner {
public:
    explicit ScenarioRunner(XScreen& screen) : screen_(screen) {}
    std::function<void(const QString&)> say = [](const QString&) {};

    // Runs `steps`; stops after the first step that breaks an invariant, or when `deadlineMs`
    // (a QDateTime ms since the epoch, 0 none) passed before a step. A failing run keeps its
    // program directory with the board's log (boardsim.log) and the program's output.
    ScenarioResult Run(const QList<Step>& steps, qint64 deadlineMs = 0, bool keep = true);
    // Drops steps while the sequence still breaks `invariant`, for at most `budgetMs`.
    QList<Step> Shrink(const QList<Step>& failing, const QString& invariant, qint64 budgetMs);

private:
    XScreen& screen_;
};

namespace Scenario {

// One walk: the steps drawn from `seed`, run until `seconds` passed (then the closing way back);
// on a breach prints the seed, the steps, the breach and the kept directory, then the shortest
// sequence found within `shrinkSeconds` that still breaks the same invariant. Returns whether
// every invariant held. `print` gets every line.
bool Walk(XScreen& screen, quint64 seed, int seconds, int shrinkSeconds, const std::function<void(const QString&)>& print,
          QString* shrunk = nullptr);
// Replays a written sequence; prints as Walk does (without shrinking).
bool Replay(XScreen& screen, const QList<Step>& steps, const std::function<void(const QString&)>& print);

}  // namespace Scenario
