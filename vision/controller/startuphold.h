#pragma once
// What a start must know of the run before it: whether that run ended with a mould nobody judged
// (it kept the mould-close inhibit then, and the board keeps it while no program runs), and
// whether the parameters were replaced by the default copy (no regions: every stage would be OK).
// Either way the start keeps the inhibit until the operator confirms it (see MainWindow's
// start-up hold). Both facts live in small files of the program directory, replaced whole.
#include <QByteArray>
#include <QString>

namespace StartupHold {

// The mould state file: "held" while a cycle, a stage, the alarm hold or an unjudged warning keeps
// a mould, "free" once it is released. Written only when that changes.
const QString kMouldFile = QStringLiteral("mould.state");
QByteArray MouldText(bool held);
// A missing file was never written (a new program directory): free. Anything but "free" (torn,
// empty, unreadable, not a file) may be the end of a held mould: held.
bool MouldLeftHeld(const QString& path = kMouldFile);

// The mark left beside PARAM.db when the start-up put the default copy in its place.
const QString kReplacedMark = QStringLiteral("PARAM.db.replaced");
struct Replaced {
    bool marked = false;  // the mark is there (a torn mark counts: the parameters are suspect)
    QString aside;        // where the damaged copy lies; empty when there was none
    QString why;          // what was wrong with it
};
// Written synced before the reboot the replacement asks for.
bool MarkReplaced(const QString& aside, const QString& why, const QString& path = kReplacedMark);
Replaced ReadReplaced(const QString& path = kReplacedMark);
// The operator confirmed the warning or restored a parameter group.
bool ForgetReplaced(const QString& path = kReplacedMark);

}  // namespace StartupHold
