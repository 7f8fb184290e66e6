#pragma once
// Carries out one step on the running program the way an operator or the machine would: touches
// on the widgets the screen shows, board inputs, cables. A step whose button is not on the screen
// does nothing (the operator cannot press what is not shown).
#include <functional>

#include <QtGlobal>

#include "scenario/scenariosteps.h"

class ScenarioWorld;

namespace ScenarioActions {

void Perform(ScenarioWorld& world, const Step& step);
// One machine cycle in the mode in force: its start input for `firstMs`, then each later stage's
// input (60 ms) after the stage before it was judged; `extra` runs `extraAtMs` after the start
// edge; `alt`: on the other stage pair where both are in force. Returns when the last stage is
// judged, with the start edge in board ms (`exact`: read from the board's log, else the board time
// it was sent).
qint64 RunCycle(ScenarioWorld& world, int firstMs, int extraAtMs = -1, const std::function<void()>& extra = {},
                bool exact = true, bool alt = false);
// Leaves every page, answers and closes every box, puts the cables back and waits until the
// machine stands still; the way back an operator takes before the next product.
void LeaveEverything(ScenarioWorld& world);

}  // namespace ScenarioActions
