#pragma once
// Shared set-up of the toolkit tests: a program directory with the pictures, the text table, a
// parameter record, a fake main window and helpers that answer modal dialogs with real clicks.
#include <functional>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include "common/programdir.h"
#include "core/wizardpara.h"
#include "widgets/modalhook.h"
#include "widgets/toolkithost.h"

class FakeHost : public ToolkitHost {
public:
    QWidget* mainWidget() override { return main; }
    bool screenOff() const override { return dark; }
    void switchScreenOn() override { ++screenOnCalls; dark = false; }
    void restartScreenOffTimer(int ms) override { timerRestarts.append(ms); }
    void SlotMoveT() override { calls.append("T"); }
    void SlotMoveB() override { calls.append("B"); }
    void SlotMoveL() override { calls.append("L"); }
    void SlotMoveR() override { calls.append("R"); }
    void MRecovery() override { calls.append("all"); }

    QWidget* main = nullptr;
    bool dark = false;
    int screenOnCalls = 0;
    QList<int> timerRestarts;
    QStringList calls;
};

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Answers the next modal dialogs: shows each, runs `act` on it (clicks), returns its result.
    void answerDialogs(std::function<void(QDialog&)> act);
    // Clicks the first push button of `parent` whose caption is `caption`.
    static bool clickKey(QWidget* parent, const QString& caption);
    static QPushButton* findKey(QWidget* parent, const QString& caption);
    static void click(QWidget* w, QPoint pos = QPoint());

    ProgramDir dir;
    WizardPara para;
    FakeHost host;
    int savedLan = 0;
    int dialogsRun = 0;
};
