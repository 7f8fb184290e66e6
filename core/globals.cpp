#include "core/globals.h"

#include <QMutex>

QMutex* pMutex[MAX_CAMERA] = {};
QMutex* pMutexIO = nullptr;
QMutex* pMutexSaveFail = nullptr;
bool isImageFill[MAX_CAMERA] = {};

WizardPara* gpWPara = nullptr;
WizardPara* gpWParaBak = nullptr;
CNT_Net* gpNet = nullptr;
MainWindow* gpWin = nullptr;

int gImageW = 1920;
int gImageH = 1080;
int gShowW = 1725;
int gShowH = 982;
float gShowAW = 1725.0f / 1920.0f;
float gShowAH = 982.0f / 1080.0f;
int gImageLen = 1920 * 1080;
int gColorLen = 1920 * 1080;
bool gisColor = false;
bool gisGrayHue = true;
int gTempNum = 10;

QString gAppDirPath;
bool gisRunWTD = false;

void CreateGlobalMutexes()
{
    if (!pMutexIO)
        pMutexIO = new QMutex;
    if (!pMutexSaveFail)
        pMutexSaveFail = new QMutex;
    for (auto& m : pMutex) {
        if (!m)
            m = new QMutex;
    }
}
