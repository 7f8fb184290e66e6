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
