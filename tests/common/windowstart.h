#pragma once
// The start every test of the whole main window shares.
class MainWindow;
class ProgramDir;

// Fills the working directory `dir` as the program finds it on a machine: default databases here
// and in paraGroup/default, an empty RECORD.db (copied from an empty RECORDNULL.db when
// `recordNull`), no board on the serial link and no simulated cameras.
void PrepareWindowDir(ProgramDir& dir, bool recordNull = true);
// The parameter records (made once a process), the global mutexes and the text table, then the
// window itself, not shown.
MainWindow* StartMainWindow();
