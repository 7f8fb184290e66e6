#pragma once
// Captions that do not fit their fixed box are set in smaller type, never cut.
#include <QFont>
#include <QStringList>

// The largest pixel size from `px` down to `minPx` at which every text of `texts` in `font` is at
// most `width` pixels wide (`minPx` when none is).
int FittingPixelSize(QFont font, const QStringList& texts, int width, int px, int minPx);
