#pragma once
// Damage found while the program starts (a cut count file, a damaged statistics store, a template
// that cannot be used, a record file replaced at the last start) is told to the operator once:
// each notice is collected here from whichever thread found it, and the monitoring controller
// shows them together and records each once the operation record is open.
#include <QString>
#include <QStringList>

namespace DamageNotices {

void Add(const QString& text);
// The notices collected so far, in order; the list is emptied.
QStringList Take();

// Moves `file` (a file or a folder) aside as "<file>.damaged-yyyyMMdd-HHmmss", never over another;
// with `copy` a file is copied there instead and stays. The name it went to, "" when that failed.
QString SetAside(const QString& file, bool copy = false);

// The marker a replacement at start-up leaves beside `file` for the next start.
QString ReplacedMarker(const QString& file);

}  // namespace DamageNotices
