#pragma once
// The maintenance tests' start: a program directory with the region folders, PARAM.db and the
// default group; the text table in English; questions answered by the modal hook in order; a
// host and a command runner that write every step into one log, the runner still running what
// a dry run allows (copies and removals inside the program directory).
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "common/programdir.h"
#include "core/wizardpara.h"
#include "settings/maintenanceactions.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

struct StepHost : MaintenanceHost {
    QStringList& log;
    explicit StepHost(QStringList& steps) : log(steps) {}
    void acceptSettings() override { log << "accept"; }
    void saveParameters() override { log << "save"; }
    void record(const QString& text) override { log << "record:" + text; }
    void flushAll() override { log << "flush"; }
    void stopWatchdog() override { log << "stopwtd"; }
    void pause(int) override {}
    // Logged instead of ending the process when set.
    bool fakeExit = false;
    void exitProcess(int code) override
    {
        if (!fakeExit)
            MaintenanceHost::exitProcess(code);
        log << QString("exit:%1").arg(code);
    }
    QString findStick() override { return sticks.isEmpty() ? QString() : sticks.takeFirst(); }
    QString chooseUpdateFile() override { return updateFile; }
    bool runClockDialog() override { return clockConfirmed; }
    bool setClock() override;
    bool checkRoot() override { return true; }
    void clearRecord() override { log << "clear"; }
    QString groupNameText() const override { return name; }
    QStringList groupItems() const override { return items; }
    int groupIndex() const override { return index; }
    void setGroupItems(const QStringList& list) override { items = list; log << "list:" + list.join(','); }
    void setGroupIndex(int i) override { index = i; }
    void removeGroupItem(int i) override { items.removeAt(i); }

    QStringList sticks;
    QString updateFile;
    bool clockConfirmed = true;
    QString name;
    QStringList items;
    int index = -1;
};

class MaintenanceTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<RecordingRunner> runner;
    WizardPara para;
    QStringList log;
    QList<bool> answers;  // taken in order; "No" once used up
    std::unique_ptr<StepHost> host;

    void SetUp() override;
    void TearDown() override;
    // A folder with one file holding `content`.
    void folder(const QString& rel, const QByteArray& content = "x");
    // The steps from the first one starting with `from`.
    QStringList stepsFrom(const QString& from) const;
};
