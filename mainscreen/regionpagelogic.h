#pragma once
// Decisions of the region page apart from its widgets: stage names, the stage the page edits on
// entry, the operation records of the changes between a camera's region model in force and its
// edit copy, and the wrap-around steps of picture browsing.
#include <vector>

#include <QString>
#include <QStringList>

class CammerSingleton;
class WizardPara;

namespace RegionPage {

// Name of detect stage d by the I/O mode in force; empty for a stage the mode does not name.
QString StageName(int ioMode, int stage);

// The stage the page edits when it is entered, from the current stage of the cycle.
int EditedStage(const WizardPara& p, int alarmState, int curStage, int stageCount);

// Change records of one camera (0-based), one text per changed, added or deleted region, each
// with the camera-and-stage prefix, stages 0..stageCount-1 in order. `positioning` is set when a
// target-position region is among the compared ones (its shapes must be rebuilt).
QStringList ChangeRecords(const CammerSingleton& inForce, const CammerSingleton& edit, int camera,
                          int ioMode, int stageCount, bool* positioning);

// Name of a method as the records give it (Spot, Ignore, Position, Defect).
QString MethodName(int method);
// Minimum and maximum grey of a spot region's first parameter, as the panel stores them: the low
// byte is the minimum, the second byte the maximum.
int SpotMinGrey(int packed);
int SpotMaxGrey(int packed);

// Index one step back (dir < 0) or forward of `index` in 0..count-1, wrapping; 0 when count < 1.
int WrapStep(int index, int count, int dir);
// The next slot from `index` in direction dir whose valid flag is set, wrapping; `index` itself
// when no other slot is valid (or none at all).
int NextValidSlot(const std::vector<int>& valid, int index, int dir);

}  // namespace RegionPage
