#pragma once
// The maintenance actions of the settings screen: parameter groups, program update, data export,
// factory reset, clock, touch calibration, shut-down, exit, language and clearing the operation
// record. Each follows the order persistent actions keep: confirm, commit the open settings, save
// the record in force, write the operation record, stop the watchdog, close the databases, then
// the command. Commands go through the command runner with argument lists; what the actions need
// of the screen and the main window comes through MaintenanceHost.
#include <QString>
#include <QStringList>

class MaintenanceHost {
public:
    virtual ~MaintenanceHost() = default;

    // Questions and messages; by default the modal boxes.
    virtual bool ask(const QString& text);
    virtual void warn(const QString& text);
    // Commits the open settings (the screen's accept()).
    virtual void acceptSettings() = 0;
    // Saves the record in force to PARAM.db.
    virtual void saveParameters();
    virtual void record(const QString& text) = 0;
    // Closes the databases so their files may be copied or the computer restarted.
    virtual void flushAll() = 0;
    virtual void stopWatchdog();
    virtual void pause(int ms);
    // Mounts the USB stick; its mount point ("/mnt") or "" when there is none.
    virtual QString findStick();
    // The update archive chosen on the stick, "" when cancelled.
    virtual QString chooseUpdateFile() = 0;
    // The date dialog: true when it was confirmed; then setClock() sets the edited time.
    virtual bool runClockDialog() = 0;
    virtual bool setClock() = 0;
    virtual bool checkRoot() = 0;
    virtual void clearRecord() = 0;
    // Ends the process (by default Exit, which does not return).
    virtual void exitProcess(int code);

    // The group combo of the advanced-parameters page and its group-name field.
    virtual QString groupNameText() const = 0;
    virtual void hideCharPad() {}
    virtual QStringList groupItems() const = 0;
    virtual int groupIndex() const = 0;
    virtual void setGroupItems(const QStringList& items) = 0;
    virtual void setGroupIndex(int index) = 0;
    virtual void removeGroupItem(int index) = 0;
};

// "newupdate.tar.gz", "newupdate.tar.xz" or "newupdate.rar" by the ending of the chosen file's
// name, "" for any other file.
QString UpdateTargetName(const QString& path);

// Copies every file below `from` into `to` (created) and then checks the copy: every file copied
// is there with the size it was read with, and nothing else. False at the first failure.
bool CopyTreeVerified(const QString& from, const QString& to);

class MaintenanceActions {
public:
    explicit MaintenanceActions(MaintenanceHost& host) : host_(host) {}

    void updateGroupList();
    void backupGroup();
    void restoreGroup();
    void deleteGroup();
    void updateApp();
    void exportData();
    void restoreFactorySet();
    void modifyTime();
    void calibration();
    void shutDown();
    void exitProgram();
    void changeLanguage(int language);
    void clearRecord();

private:
    // Asks until a stick is mounted; "" when the operator gives up.
    QString waitForStick();
    // Copies the region folders and PARAM.db into the group `name`, replacing it whole; false,
    // with every group as it was, when any step fails. What an earlier backup left set aside is
    // settled first; the groups it puts back are added to `putBack`.
    bool CopyGroupInPlace(const QString& name, QStringList* putBack);
    // Runs a command, then waits `pauseMs`; true when it ran and succeeded.
    bool run(const QString& program, const QStringList& args, int pauseMs = 0);
    void reboot();

    MaintenanceHost& host_;
};
