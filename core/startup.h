#pragma once
// End of the process and the pieces of the start-up order that main shares with the tests.
#include <functional>
#include <QString>

// Clears the watchdog run flag, then waits one second (always, also when it was clear).
void StopWTD();
// Writes what the writers hold (bounded, OrderlyStop::FlushBeforeEnd), StopWTD, then ends the
// process with `code`. The log is line-flushed already; the process ends with _exit so no static
// destructor runs while the camera, board and writer threads still live.
[[noreturn]] void Exit(int code);

// Ends the process with `code` at once: standard output and error flushed, no exit handler and no
// static destructor (the camera, board and writer threads run to the very end).
[[noreturn]] void EndProcess(int code);
// From now on exit(), wherever it is called (a library's), ends the process as EndProcess with
// its status. Exit handlers run last registered first, so this one, registered once start-up is
// done, comes before the destructors of everything start-up made.
void EndProcessOnExit();
// The warning with which the display library announces a broken display connection, right before
// it calls exit(1).
bool IsLostDisplayMessage(const QString& message);

// The pause of StopWTD (sleep(1) on the machine); tests shorten it. Empty restores sleep(1).
void SetStopWTDPause(std::function<void()> pause);

// The application style sheet: 27 rules, one string, no separators between rules.
QString ApplicationStyleSheet();

// Registers the compiled-in application font and makes it the application font (weight 50).
// False when the font cannot be registered or names no family; the default font then stays.
bool InstallApplicationFont();

class WizardPara;
class CNT_Net;
// Start-up step 12: with reporting switched on in the loaded record and the report server set up,
// starts the report server's video share and send timer, then the local report client. True when
// it did.
bool StartReportClient(const WizardPara& record, CNT_Net* server);
