#pragma once
// The operator-visible texts of the whole system: 710 rows, each in three languages.
// The text of row r in the language in force is gaLanStr[r * 3 + gLan]; read it when the text is
// shown, never cache it, so every screen follows gLan.
#include <QString>

#include "core/sharedpictures.h"

constexpr int LAN_ROWS = 710;   // rows of the text table: 600 of the original table, then ours
constexpr int LAN_COUNT = 3;    // 0 Simplified Chinese, 1 English, 2 Traditional Chinese

extern QString gaLanStr[LAN_ROWS * LAN_COUNT];
// Language in force: 0, 1 or 2; 0 until the parameter record is loaded.
extern int gLan;

// Fills the text table (rows in order, each Simplified Chinese, English, Traditional Chinese),
// maps the font families the screens ask for onto installed CJK fonts, then loads the shared
// pictures. Called once by main after the application object exists and before any widget.
void Data_Init();
