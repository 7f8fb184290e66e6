#pragma once
// Carries out one step on the running program the way an operator or the machine would: touches
// on the widgets the screen shows, board inputs, cables. A step whose button is not on the screen
// does nothing (the operator cannot press what is not shown).
#include "scenario/scenariosteps.h"

class ScenarioWorld;

namespace ScenarioActions {

void Perform(ScenarioWorld& world, const Step& step);
// Leaves every page, answers and closes every box, puts the cables back and waits until the
// machine stands still; the way back an operator takes before the next product.
void LeaveEverything(ScenarioWorld& world);

}  // namespace ScenarioActions
