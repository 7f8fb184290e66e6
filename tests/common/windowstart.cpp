#include "common/windowstart.h"

#include <gtest/gtest.h>

#include <QFile>

#include "common/programdir.h"
#include "common/recorddb.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "vision/controller/mainwindow.h"

void PrepareWindowDir(ProgramDir& dir, bool recordNull)
{
    EXPECT_TRUE(CreateDefaultDatabases("."));
    EXPECT_TRUE(CreateDefaultDatabases("paraGroup/default"));
    if (recordNull) {
        EXPECT_TRUE(MakeRecordDb("RECORDNULL.db"));
        EXPECT_TRUE(QFile::copy("RECORDNULL.db", "RECORD.db"));
    } else {
        EXPECT_TRUE(MakeRecordDb("RECORD.db"));
    }
    qputenv("MOULDMON_SERIAL", dir.file("noboard").toUtf8());
    qunsetenv("MOULDMON_SIMCAM");
}

MainWindow* StartMainWindow()
{
    if (!gpWPara) {
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
    }
    CreateGlobalMutexes();
    Data_Init();
    return new MainWindow;
}
