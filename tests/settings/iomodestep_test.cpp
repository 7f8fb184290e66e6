// The grid's Confirm through the I/O mode step of the settings accept, against the load of the
// same record at the next start.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QTest>

#include "common/programdir.h"
#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/iocheckcombo.h"
#include "settings/iowidget.h"
#include "settings/settingschange.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"

namespace {

class CountingEngine : public SettingsEngine {
public:
    int cameraCount() const override { return 0; }
    void createShape(int, int) override {}
    void varTrain(int, int) override {}
    void copyPara(int) override {}
    void changeDetectNum(int count) override { counts << count; }
    void resetStages(int, const WizardPara&) override {}
    void setSide(int) override {}
    QList<int> counts;
};

struct Derived {
    int enabled[8];
    int input[8];
    QString names[18];
    explicit Derived(const WizardPara& p)
    {
        for (int i = 0; i < 8; ++i) {
            enabled[i] = p.stage_enabled[i];
            input[i] = p.stage_trigger_input[i];
        }
        for (int i = 0; i < 18; ++i)
            names[i] = gaName[i];
    }
};

TEST(IOGridThroughAccept, AThreeStageGridDerivesAsTheLoadOfItsRecord)
{
    ProgramDir dir;
    static bool tableLoaded = false;
    if (!tableLoaded) {
        Data_Init();
        tableLoaded = true;
    }
    const int savedLan = gLan, savedDNum = gDNum;
    ASSERT_TRUE(CreateDefaultDatabases("."));
    {
        QSqlDatabase in = QSqlDatabase::addDatabase("QSQLITE", PARAM_DB_CONNECTION);
        in.setDatabaseName("PARAM.db");
        QSqlDatabase sn = QSqlDatabase::addDatabase("QSQLITE", SERIAL_DB_CONNECTION);
        sn.setDatabaseName("SN.db");
        ASSERT_TRUE(in.open() && sn.open());

        WizardPara inForce;
        inForce.LoadDatafromFile();
        gLan = 1;
        inForce.io_mode = inForce.io_mode_chosen = 4;
        inForce.first_stage_on = 1;
        inForce.stage_count = 5;
        for (int i = 0; i < 8; ++i) {
            inForce.stage_source[i] = i < 5 ? i : -1;
            inForce.stage_input_choice[i] = i;
            inForce.input_name_choice[i] = 15 - i;
            inForce.output_name_choice[i] = 13 - i;
        }
        DeriveRunMode(inForce);
        WizardPara edit = inForce;
        gpWPara = &inForce;
        gpWParaBak = &edit;

        IOWidget grid(nullptr);
        grid.show();
        grid.countCombo()->setCurrentIndex(1);   // N = 3: stages 3 and 4 released
        QTest::mouseClick(grid.rowWidget(1)->box(1), Qt::LeftButton);   // row 1 lets go of column 1
        QTest::mouseClick(grid.rowWidget(2)->box(1), Qt::LeftButton);   // row 2 takes columns 1, 2
        grid.rowWidget(1)->triggerCombo()->activated(2);   // row 1 on input slot 2: row 2 follows
        QTest::mouseClick(grid.confirmButton(), Qt::LeftButton);
        ASSERT_EQ(edit.stage_count, 3);

        CountingEngine engine;
        EXPECT_FALSE(IoModeStep(edit, inForce.io_mode, engine));
        EXPECT_EQ(engine.counts, QList<int>{3});
        EXPECT_EQ(gDNum, 3);
        const Derived accepted(edit);
        EXPECT_EQ(accepted.enabled[1], 1);
        EXPECT_EQ(accepted.input[1], TriginNo[2] - 1);
        EXPECT_EQ(accepted.enabled[3], 0);

        ASSERT_TRUE(edit.SaveDatatoFile());
        QFile::remove("name.txt");
        WizardPara loaded;
        loaded.LoadDatafromFile();
        const Derived atStart(loaded);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(accepted.enabled[i], atStart.enabled[i]) << "stage " << i;
            EXPECT_EQ(accepted.input[i], atStart.input[i]) << "stage " << i;
        }
        for (int i = 0; i < 18; ++i)
            EXPECT_EQ(accepted.names[i], atStart.names[i]) << "name " << i;
        gpWPara = nullptr;
        gpWParaBak = nullptr;
        in.close();
        sn.close();
    }
    QSqlDatabase::removeDatabase(PARAM_DB_CONNECTION);
    QSqlDatabase::removeDatabase(SERIAL_DB_CONNECTION);
    gLan = savedLan;
    gDNum = savedDNum;
}

// The paired modes through the accept's I/O mode step: whatever stage table the record held, a
// side whose input starts cycles has its mould stage on, so no side's prod OK can leave the
// mould held for a mould stage that is off.
TEST(IOGridThroughAccept, EverySideThatStartsCyclesHasItsMouldStageOn)
{
    const int savedDNum = gDNum;
    for (int mode : {1, 2})
        for (int inForce : {0, 1, 2, 3, 5})
            for (int sub = 0; sub <= 4; ++sub)
                for (int first : {0, 1})
                    for (int semi : {0, 1}) {
                        WizardPara edit;
                        edit.io_mode = inForce;
                        edit.io_mode_chosen = mode;
                        edit.io_sub_mode = sub;
                        edit.first_stage_on = first;
                        edit.semi_auto = semi;
                        const int junk[8] = {1, 1, 1, 0, 0, 0, 0, 0};  // the second side's mould stage off
                        for (int d = 0; d < 8; ++d)
                            edit.stage_enabled[d] = junk[d];
                        CountingEngine engine;
                        ASSERT_FALSE(IoModeStep(edit, inForce, engine));
                        const std::string at = "mode " + std::to_string(mode) + " from " + std::to_string(inForce) +
                                               ", cavity " + std::to_string(sub) + ", first " + std::to_string(first) +
                                               ", semi " + std::to_string(semi);
                        // Side 1 (stages 0, 1) starts unless the cavity is 1; side 0 (2, 3) unless it is 0.
                        const bool side1 = edit.io_sub_mode != 1, side0 = edit.io_sub_mode != 0;
                        EXPECT_TRUE(side1 || side0) << at;
                        if (side1)
                            EXPECT_EQ(edit.stage_enabled[1], 1) << at;
                        if (side0)
                            EXPECT_EQ(edit.stage_enabled[3], 1) << at;
                    }
    gDNum = savedDNum;
}

}  // namespace
