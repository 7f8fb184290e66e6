#pragma once
// The start every test of the whole main window shares.
#include <QList>
#include <QStringList>

class MainWindow;
class ProgramDir;

// Answers the modal dialogs: records each one's text (question, warning, else its class name) and
// answers from `answers` in order, Rejected once they are used up. Installs itself.
struct ModalAnswers {
    QStringList texts;
    QList<int> answers;
    ModalAnswers() { install(); }
    void install();
};

// Registers (once a program) an environment that stops the main window's camera threads and the
// picture writer at the end, before the process's statics go.
void StopWindowThreadsAtExit();

// Fills the working directory `dir` as the program finds it on a machine: default databases here
// and in paraGroup/default, an empty RECORD.db (copied from an empty RECORDNULL.db when
// `recordNull`), no board on the serial link and no simulated cameras.
void PrepareWindowDir(ProgramDir& dir, bool recordNull = true);
// Serves `found` simulated cameras (one grey 320 x 240 scene) and stores the serials of the first
// `stored` of them in SN.db of the program directory `dir`.
void ServeSimulatedCameras(const ProgramDir& dir, int found, int stored);
// The parameter records (made once a process), the global mutexes and the text table, then the
// window itself, not shown (the threads of the windows before it are stopped first).
MainWindow* StartMainWindow();
