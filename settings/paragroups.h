#pragma once
// Named parameter groups in "./paraGroup": each a folder holding copies of the region folders
// "cammer<c><s>" and of PARAM.db. "default" is installed with the program and holds the
// factory-reset archive; it may be restored but never overwritten or deleted.
#include <QString>
#include <QStringList>

constexpr const char* kParaGroupDir = "paraGroup";
constexpr const char* kDefaultGroup = "default";
// Where a restore keeps the region folders and PARAM.db it replaces (until the next restore).
constexpr const char* kRestoreAside = "restore.aside";

// Where a backup keeps the group it replaces, under the group's own name, until the new copy
// stands in the group's place.
constexpr const char* kBackupAside = "paraGroup/.aside";

// Settles what a backup set aside: a group whose own folder is missing is put back; one whose
// folder stands whole again (it holds PARAM.db) is removed; anything else stays, as it may be the
// only copy of a group. False when something stays set aside. Adds the names put back to `putBack`.
bool SettleSetAsideGroups(QStringList* putBack = nullptr);

// The groups in name order (folders only).
QStringList ListParaGroups();

// 0 when a backup may write or a delete may remove the group `name`, else the text row to warn
// with: 282 empty, 640 not one path component (".", "..", a "/" or a NUL inside), 641 "default".
int ParaGroupNameProblem(const QString& name);

// The most bytes a folder name may have.
constexpr int kGroupNameBytes = 255;
// ParaGroupNameProblem for the name of a new backup, which must also make a folder the group list
// shows: 640 as well for a leading ".", a control character or more than kGroupNameBytes bytes.
// Groups an earlier version made under such names stay listed, restorable and deletable.
int NewParaGroupNameProblem(const QString& name);

// "paraGroup/<name>".
QString ParaGroupPath(const QString& name);

// The group holds PARAM.db, so restoring it cannot leave the program without parameters.
bool ParaGroupRestorable(const QString& name);

// What keeps the parameters at `dir` (a group's folder, or "." once copied) from being restored,
// one text each, empty when nothing: PARAM.db that does not open or fails quick_check, a camera
// 1..cameras and stage 1..stages without its region folder (not asked of the default group,
// which ships without them), a template picture the detection could not use.
QStringList ParaGroupProblems(const QString& dir, int cameras, int stages, bool foldersNeeded = true);

// The region folders "cammer<c><s>" for cameras 1..8 and stages 1..stages that exist here.
QStringList RegionFolders(int stages);
