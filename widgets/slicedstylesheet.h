#pragma once
// Applies the application style sheet as QApplication::setStyleSheet does, with the same look,
// but without holding the GUI thread for the whole re-polish: the sheet itself is set while no
// widget counts as polished (so setting it only marks them), then every widget is polished under
// the new style in slices of about `sliceMs`, with `between` (the event loop) run after each.
// Widgets deleted meanwhile are skipped; widgets made meanwhile are polished under the new style
// when they are first shown.
#include <functional>

class QString;

void ApplyStyleSheetInSlices(const QString& sheet, int sliceMs, const std::function<void()>& between);
