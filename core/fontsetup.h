#pragma once
// The screens name font families that are not installed under those names ("wqy-microhei",
// "wenquanyi", "SourceHanSansCN-Medium"). Each is mapped explicitly onto an installed CJK family so
// Chinese texts never fall back to a font without the glyphs.
#include <QStringList>

// Family names the screens use by name.
QStringList ScreenFontFamilies();
// Installed CJK families tried for them, in order of preference.
QStringList CjkFontFamilies();
// Registers the substitutions; returns false when no CJK family is installed (the fault is also
// logged as critical). Needs the application object.
bool InstallFontSubstitutions();
