#pragma once
// Captions that do not fit their fixed box are set in smaller type, never cut, and never below the
// size an operator reads at arm's length.
#include <QFont>
#include <QStringList>

class QWidget;

constexpr int kMinCaptionPixels = 14;

// The largest pixel size from `px` down to `minPx` at which every text of `texts` in `font` is at
// most `width` pixels wide (`minPx` when none is).
int FittingPixelSize(QFont font, const QStringList& texts, int width, int px, int minPx = kMinCaptionPixels,
                     int height = 0);

// Sets the caption of `w` (its texts `texts`, `room` pixels wide, `px` as the page sets it) in the
// largest size from `px` down to kMinCaptionPixels at which they fit, through a rule of the widget's
// own that wins over the page's and the program's style sheets. False when even the smallest size
// does not fit (the caller lets the widget grow or wrap). With `roomHeight` the lines of a caption
// that breaks them must fit that height too.
bool FitCaption(QWidget* w, const QStringList& texts, int room, int px, int roomHeight = 0);

class QLabel;
class QRect;
class QSize;

// `text` broken into lines no wider than `width` pixels in `font`: at the last blank that fits, before
// or after a Chinese character, else between any two characters; the blanks a line starts or ends
// with go. Its own "\n" breaks stay. Lines it joins with "\r\n" stay as they are when each fits, else
// those breaks count as blanks and the lines are broken anew; a break made here is "\n".
QString WrapToWidth(const QString& text, const QFont& font, int width);

struct WrappedText {
    int px;
    QString text;
    int height;
};
// The largest size from `px` down to kMinCaptionPixels at which `text`, wrapped to `width`, is at
// most `height` pixels high (the smallest when none is), the wrapped text and its height.
WrappedText FitWrapped(QFont font, const QString& text, int width, int height, int px = 30);

// A box of `size` centred in `area`, its size cut to the area's.
QRect BoxInArea(const QSize& size, const QRect& area);

// A label of fixed size: its text on one line as FitCaption sets it, else wrapped at word breaks in
// the largest size from `px` down whose lines fit the label's width and height. False when nothing
// fits.
bool FitLabel(QLabel* label, int px);

// FitCaption, then keeps the layout from squeezing the widget below what its caption needs.
bool FitInLayout(QWidget* w, const QString& text, int room, int px);
