#pragma once
// Shared start of the page tests: a program directory, the text table, records in force and in
// edit with distinct values, and no main window.
#include <gtest/gtest.h>

#include <cstring>

#include <QDialog>

#include "common/programtest.h"
#include "core/globals.h"
#include "settings/systemsettingwidget.h"
#include "widgets/modalhook.h"

class PageTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        gpWin = nullptr;
        gpNet = nullptr;
        gCameraID = 0;
        SystemSettingWidget::outSet = 0;
        UseParameters();
    }
    void TearDown() override
    {
        setModalHook({});
        SystemSettingWidget::outSet = 0;
        gCameraID = 0;
        ProgramTest::TearDown();
    }
    // The record fields the pages own equal in the two records (byte for byte).
    static bool SameRecord(const WizardPara& a, const WizardPara& b)
    {
        return std::memcmp(&a, &b, sizeof(WizardPara)) == 0;
    }
};
