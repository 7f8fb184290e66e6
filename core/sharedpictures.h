#pragma once
// Pictures several widgets share, created once by Data_Init and kept for the whole run.
// ":/img/icons/..." are compiled in; "./images/..." are files of the program directory and a
// missing one is a null picture (painting a null picture draws nothing).
#include <QString>
#include <QStringList>

class QPixmap;

extern QPixmap* gpPixmapLogo;       // ":/img/icons/2.png", I/O settings page
extern QPixmap* gpPixmapBG;         // ":/img/icons/3-1.png", background of panels and boxes
extern QPixmap* gpPixmapTitle;      // "./images/title.png"
extern QPixmap* gpPixmapLine;       // "./images/line.png"
extern QPixmap* gpPixmapEdit;       // "./images/edit.png", slider value box
extern QPixmap* gpPixmapSlideru;    // slider filled part
extern QPixmap* gpPixmapSliderd;    // slider track
extern QPixmap* gpPixmapSlidert;    // slider knob
extern QPixmap* gpPixmapButton[2];  // ColorButton: 0 up, 1 down
extern QPixmap* gpPixmapOUT[2];     // output lamp: 0 off, 1 on
extern QPixmap* gpPixmapMove[7];    // 0 origin, 1 up, 2 down, 3 left, 4 right, 5 and 6 zoom in
extern QPixmap* gpPixmapUser[6];    // checked/plain admin, operator, limited user

// Creates the shared pictures (first call) or reloads them in place (later calls, so pointers
// already handed out stay valid). Relative paths are read from the working directory.
void LoadSharedPictures();

// The picture files the program directory must hold under "images/" (names only).
QStringList ProgramImageNames();
// Writes the program directory's pictures (from the compiled-in copies) into `programDir`/images.
// Returns false when a file cannot be written. scripts/run and tests use it to set up a program
// directory.
bool InstallProgramImages(const QString& programDir);
