#pragma once
// Process-wide objects created once at start-up and kept for the whole run.
#include <QString>

class QMutex;
class WizardPara;
class CNT_Net;
class MainWindow;

constexpr int MAX_CAMERA = 8;   // camera slots
constexpr int MAX_DETECT = 8;   // detect stages per camera
constexpr int MAX_ROI = 50;     // regions per stage

extern QMutex* pMutex[MAX_CAMERA];  // guards camera v's grab buffer and isImageFill[v]
extern QMutex* pMutexIO;            // guards the I/O board's output and input words
extern QMutex* pMutexSaveFail;      // guards the in-memory NG pictures and their flags
extern bool isImageFill[MAX_CAMERA];

extern WizardPara* gpWPara;     // parameter record in force
extern WizardPara* gpWParaBak;  // parameter record being edited
extern CNT_Net* gpNet;
extern MainWindow* gpWin;

// Frame and display geometry: the camera probe sets the working picture size, the controller's
// initialisation the view area and its scale (display pixels per image pixel).
extern int gImageW;
extern int gImageH;
extern int gShowW;
extern int gShowH;
extern float gShowAW;
extern float gShowAH;
// Bytes of one grey frame (gImageW x gImageH) and of one frame buffer (four times that while
// colour processing is on); colour processing and its reduction (set: grey, clear: hue); template
// slots per stage. The controller's initialisation sets them from the parameter record.
extern int gImageLen;
extern int gColorLen;
extern bool gisColor;
extern bool gisGrayHue;
extern int gTempNum;

extern QString gAppDirPath;
extern bool gisRunWTD;

// Creates the mutexes (idempotent); main calls it in its start-up order, tests may call it early.
void CreateGlobalMutexes();
