#pragma once
// The start the camera and camera view tests share: a fresh program directory as the working
// directory, the text table (read once a process) in Chinese, the global mutexes, and a parameter
// record with its backup put in force by UseParameters(); no camera counted while it runs; the
// records and camera count in force before are put back at the end.
#include <gtest/gtest.h>

#include <memory>

#include "common/programdir.h"
#include "common/windowworld.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/camera/cameradiscovery.h"

class ProgramTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramDir> dir;
    WizardPara para;
    WizardPara paraBak;
    WizardPara* outerPara = nullptr;
    WizardPara* outerParaBak = nullptr;
    int outerNumCamera = 0;

    void SetUp() override
    {
        QuietWindows();  // their threads follow the camera globals these tests set
        outerPara = gpWPara;
        outerParaBak = gpWParaBak;
        outerNumCamera = numCamera;
        numCamera = 0;
        dir.reset(new ProgramDir);
        static bool texts = false;
        if (!texts) {
            Data_Init();
            texts = true;
        }
        gLan = 1;
        CreateGlobalMutexes();
    }

    // The backup takes para as it is now; both become the records in force.
    void UseParameters()
    {
        paraBak = para;
        gpWPara = &para;
        gpWParaBak = &paraBak;
    }

    void TearDown() override
    {
        gpWPara = outerPara;
        gpWParaBak = outerParaBak;
        numCamera = outerNumCamera;
        dir.reset();
    }
};
