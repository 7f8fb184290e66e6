#pragma once
// Access of the store and the run-mode derivation to the UI language and the text table.
#include <QString>

#if __has_include("core/uitexttable.h")
#include "core/uitexttable.h"
inline int ParamLanguage() { return gLan; }
inline void SetParamLanguage(int lan) { gLan = lan; }
inline QString ParamLanText(int row) { return gaLanStr[row * 3 + gLan]; }
#else
// Until the text table is part of the build: English-less stand-in that keeps the language only.
inline int& ParamLanguageRef() { static int lan = 0; return lan; }
inline int ParamLanguage() { return ParamLanguageRef(); }
inline void SetParamLanguage(int lan) { ParamLanguageRef() = lan; }
inline QString ParamLanText(int row) { return QString("#%1").arg(row); }
#endif
