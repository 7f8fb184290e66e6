#include <gtest/gtest.h>

#include <cstring>

#include <QFile>

#include "core/defaultdatabases.h"
#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/parameterstore.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "paramdb.h"

namespace {

class ParameterStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.ok);
        gLan = 0;
        gpWPara = nullptr;
        gParamStoreHooks = ParamStoreHooks();
        gRunModeHooks = RunModeHooks();
        std::memset(gSerialNB, 0, sizeof gSerialNB);
    }
    void TearDown() override
    {
        gLan = 0;
        gParamStoreHooks = ParamStoreHooks();
    }
    WizardPara loaded()
    {
        WizardPara p;
        p.LoadDatafromFile();
        return p;
    }
    ParamDb db;
};

const QStringList kSaveOrder = {"trigInDelay", "exposeTime", "sharp", "contrast", "adjustPlus",
                                "numFailDetect", "numAllDetect", "isPswUsed", "password", "system1",
                                "system2", "system3", "system4", "system5", "system6", "system7",
                                "system8", "system9", "system10", "system11", "CntNet",
                                "CntNet_UseName", "CntNet_MsgTechName", "CntNet_MsgTechNum",
                                "CntNet_ProName", "CntNet_Operator"};

} // namespace

TEST_F(ParameterStore, SaveWritesEveryRowInItsExactText)
{
    WizardPara p = DefaultParameterRecord();
    for (int i = 0; i < 8; ++i) {
        p.stage_delay[i] = 10 + i;
        p.exposure[i] = 100 + i;
        p.gain[i] = 200 + i;
        p.sharpness[i] = 300 + i;
        p.contrast[i] = 400 + i;
        p.gamma[i] = 240 + i;
        p.stage_source[i] = i - 1;
        p.stage_input_choice[i] = 7 - i;
        p.stage_link[i] = i % 3;
        p.input_name_choice[i] = i + 8;
        p.output_name_choice[i] = 13 - i;
        p.temp_min[i] = -i;
        p.temp_max[i] = 1000 + i;
    }
    for (int o = 0; o < 9; ++o)
        p.output_polarity[o] = o % 2;
    p.io_mode = 2;
    p.io_mode_chosen = 4;   // saving writes the chosen mode
    p.io_sub_mode = 3;
    p.auto_exposure = 1;
    p.ng_option = -5;
    p.enable_similarity_detect = 1;
    p.is_psw_used = 1;
    std::strcpy(p.password, "pw1");
    p.semi_auto = 1;
    p.enable_correct = -1;
    p.pre_cut = 7;
    p.front_auto_check_time = 2;
    p.ok_record_max_num = 50;
    p.auto_region_prompt = 1;
    p.mold_cutoff = 1;
    p.max_mold_num = 20;
    p.min_spot = 4;
    p.ng_max_num = 30;
    p.thimble_pulse = 5;
    p.mold_pulse = 6;
    p.enable_mold_backup = 3;
    p.location_adge = 7999;
    p.location_level = 600;
    p.capture_speed = 12;
    p.input_timeout_len = 60;
    gLan = 2;
    p.difference_multiplier = 4;
    p.auto_cancel_timelen = 120;
    p.enable_trigger_safety = 1;
    p.local_addr_1 = 192;
    p.local_addr_2 = 168;
    p.local_addr_3 = 1;
    p.local_addr_4 = 20;
    p.mask_1 = 255;
    p.gateway_4 = 1;
    p.minimum_size = 5;
    p.minimum_area = 1000;
    p.ng_pulse_mode = 1;
    p.shape_angle_limit = 180;
    p.image_trigger = 1;
    p.input_debounce = 3;
    p.spare_system6_12 = -1;
    p.serial_port = 2;
    p.defect_rule_reversed = 1;
    p.enable_white_count_detect = 1;
    p.stage_count = 5;
    p.log_switch = 1;
    p.enable_direction_detect = 1;
    p.no_close_inhibit_at_start = 1;
    p.row_filler = 0;
    p.cnt_net_enabled = 1;
    p.video_share = 2;
    p.alarm_sms = 1;
    p.product_batch = 12345;

    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(db.row("trigInDelay"), "10 11 12 13 14 15 16 17");
    EXPECT_EQ(db.row("exposeTime"), "100 101 102 103");
    EXPECT_EQ(db.row("sharp"), "300 301 302 303");
    EXPECT_EQ(db.row("contrast"), "400 401 402 403");
    EXPECT_EQ(db.row("adjustPlus"), "200 201 202 203");
    EXPECT_EQ(db.row("numFailDetect"), "4 3 1 0 -5 0 0 1");
    EXPECT_EQ(db.row("numAllDetect"), "240 241 242 243 244 245 246 247");
    EXPECT_EQ(db.row("isPswUsed"), "1");
    EXPECT_EQ(db.row("password"), "pw1");
    EXPECT_EQ(db.row("system1"), "1 0 0 -1 0 0 7 2 50 1");
    EXPECT_EQ(db.row("system2"), "1 20 4 30 5 6 0 0 0 0 0 0 2 3 7999 600 12 60");
    EXPECT_EQ(db.row("system3"), "0 0 4 1 1 0 0 1 120 0 1");  // all parameters shown, as shipped
    EXPECT_EQ(db.row("system4"), "0 192 168 1 20 255 0 0 0 0 0 0 1 5 1000");
    EXPECT_EQ(db.row("system5"), "104 105 204 205 304 305 404 405 1 180 0 1");
    EXPECT_EQ(db.row("system6"), "106 107 206 207 306 307 406 407 3 0 0 -1");
    EXPECT_EQ(db.row("system7"), "2 0 0 0 0 1 0 0 1 0 1 0 0 0 0 1 0 1 0 1");
    EXPECT_EQ(db.row("system8"), "5 7 6 5 4 3 2 1 0 0 1 2 0 1 2 0 1 0 1 1");
    EXPECT_EQ(db.row("system9"), "-1 0 1 2 3 4 5 6 1 0 0 0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(db.row("system10"), "8 9 10 11 12 13 14 15 13 12 11 10 9 8 7 6 0 0 0 0");
    EXPECT_EQ(db.row("system11"), "0 -1 -2 -3 -4 -5 -6 -7 1000 1001 1002 1003 1004 1005 1006 1007 0 0 0 0");
    EXPECT_EQ(db.row("CntNet"), "1 2 3 0 1 6 1 12345");

    // Saving again changes nothing.
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(db.row("system8"), "5 7 6 5 4 3 2 1 0 0 1 2 0 1 2 0 1 0 1 1");
}

TEST_F(ParameterStore, SaveCreatesEveryMissingRowInSaveOrder)
{
    db.exec("delete from sysparam");
    WizardPara p;
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(lines(db.keysInRowOrder()), lines(kSaveOrder));
    EXPECT_EQ(db.row("system7"), "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(db.row("password"), "");
    EXPECT_FALSE(db.row("password").isNull());
}

TEST_F(ParameterStore, SaveChkDBItemInsertsZeroOnlyWhenMissing)
{
    WizardPara p;
    db.dropRow("CntNet");
    EXPECT_TRUE(p.SaveChkDBItem("CntNet"));
    EXPECT_EQ(db.row("CntNet"), "0");
    db.setRow("CntNet", "1 2");
    EXPECT_TRUE(p.SaveChkDBItem("CntNet"));
    EXPECT_EQ(db.row("CntNet"), "1 2");
}

TEST_F(ParameterStore, FailedSaveIsReportedAndChangesNothing)
{
    // A statement failing half way rolls back the rows already written.
    db.exec("create trigger nofive before update on sysparam when new.name='system5' "
            "begin select raise(abort, 'refused'); end");
    WizardPara p = DefaultParameterRecord();
    p.stage_delay[0] = 42;
    EXPECT_FALSE(p.SaveDatatoFile());
    EXPECT_EQ(db.row("trigInDelay"), "0 0 0 0 0 0 0 0");

    // No open connection: nothing saved, and saying so.
    db.exec("drop trigger nofive");
    QSqlDatabase::database("dbIn").close();
    EXPECT_FALSE(p.SaveDatatoFile());
}

TEST_F(ParameterStore, ParameterReportFollowsTheSaveWhenReportingIsOn)
{
    int sent = 0;
    gParamStoreHooks.sendParamReport = [&sent] { ++sent; };
    WizardPara inForce;
    gpWPara = &inForce;
    WizardPara p;
    EXPECT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(sent, 0);
    inForce.cnt_net_enabled = 1;
    EXPECT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(sent, 1);
    gpWPara = nullptr;
}

TEST_F(ParameterStore, LoadReadsEachPositionIntoItsField)
{
    db.setRow("trigInDelay", "1 2 3 4 5 6 7 8");
    db.setRow("numFailDetect", "3 2 1 1 1 1 1 1");
    db.setRow("system1", "1 1 1 0 1 1 7 8 9 1");
    db.setRow("system2", "1 2 3 4 5 6 7 8 9 10 11 12 1 14 15 16 17 18");
    db.setRow("system5", "11 12 13 14 15 16 17 18 19 20 21 22");
    db.setRow("system7", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20");
    db.setRow("system11", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 0 0 0 0");
    db.setRow("CntNet", "1 0 4 1 1 8 2 500");
    const WizardPara p = loaded();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(p.stage_delay[i], i + 1);
    EXPECT_EQ(p.io_mode, 3);
    EXPECT_EQ(p.io_mode_chosen, 3);
    EXPECT_EQ(p.io_sub_mode, 2);
    EXPECT_EQ(p.enable_similarity_detect, 1);
    EXPECT_EQ(p.front_auto_check_time, 8);
    EXPECT_EQ(p.auto_region_prompt, 1);
    EXPECT_EQ(p.mold_cutoff, 1);
    EXPECT_EQ(p.max_mold_num, 2);
    EXPECT_EQ(p.min_spot, 3);
    EXPECT_EQ(p.ignore_point_option, 12);
    EXPECT_EQ(gLan, 1);
    EXPECT_EQ(p.enable_mold_backup, 14);
    EXPECT_EQ(p.location_adge, 15);
    EXPECT_EQ(p.location_level, 16);
    EXPECT_EQ(p.capture_speed, 17);
    EXPECT_EQ(p.input_timeout_len, 18);
    EXPECT_EQ(p.exposure[4], 11);
    EXPECT_EQ(p.exposure[5], 12);
    EXPECT_EQ(p.gain[5], 14);
    EXPECT_EQ(p.contrast[5], 18);
    EXPECT_EQ(p.image_trigger, 22);
    EXPECT_EQ(p.serial_port, 1);
    EXPECT_EQ(p.output_polarity[0], 5);
    EXPECT_EQ(p.output_polarity[2], 7);
    EXPECT_EQ(p.prohibit_optimize, 8);
    EXPECT_EQ(p.output_polarity[3], 9);
    EXPECT_EQ(p.spare_system7_12, 12);
    EXPECT_EQ(p.output_polarity[8], 19);
    EXPECT_EQ(p.enable_white_count_detect, 20);
    EXPECT_EQ(p.temp_min[7], 8);
    EXPECT_EQ(p.temp_max[0], 9);
    EXPECT_EQ(p.video_share, 0);
    EXPECT_EQ(p.video_fps_index, 4);
    EXPECT_EQ(p.cavity, 8);
    EXPECT_EQ(p.expected_capacity, 2);
    EXPECT_EQ(p.product_batch, 500);
}

TEST_F(ParameterStore, ShortAndBrokenRowsReadZeroFromTheFirstBadPosition)
{
    db.setRow("system5", "7 8");
    db.setRow("trigInDelay", "1 x 3 4 5 6 7 8");
    db.setRow("system3", "0x10 010 0b11 -0 +5");
    db.setRow("exposeTime", "");
    const WizardPara p = loaded();
    EXPECT_EQ(p.exposure[4], 7);
    EXPECT_EQ(p.exposure[5], 8);
    EXPECT_EQ(p.gain[4], 0);
    EXPECT_EQ(p.contrast[4], 100);   // read as 0, then out of range
    EXPECT_EQ(p.contrast[5], 100);
    EXPECT_EQ(p.image_trigger, 0);
    EXPECT_EQ(p.stage_delay[0], 1);
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(p.stage_delay[i], 0) << i;
    EXPECT_EQ(p.enable_output_thimble_pulse, 16);
    EXPECT_EQ(p.enable_disarm_before_open, 8);
    EXPECT_EQ(p.difference_multiplier, 3);
    EXPECT_EQ(p.enable_defect_detect, 0);
    EXPECT_EQ(p.enable_spot_detect, 5);
    EXPECT_EQ(p.exposure[0], 0);

    EXPECT_EQ(ParseParamValues("2147483647 -2147483648 2147483648 1", 4), QVector<int>({2147483647, -2147483648, 0, 0}));
    EXPECT_EQ(ParseParamValues("  3\t4\n5 ", 4), QVector<int>({3, 4, 5, 0}));
}

TEST_F(ParameterStore, RangeChecksReplaceOutOfRangeValuesWithTheirDefaults)
{
    struct Case {
        const char* row;
        QString value;
        std::function<int(const WizardPara&)> field;
        int expected;
    };
    const auto pos = [](int n, int at, const QString& v) {
        QStringList l;
        for (int i = 1; i <= n; ++i)
            l << (i == at ? v : QString("1"));
        return l.join(' ');
    };
    const QList<Case> cases = {
        {"exposeTime", pos(4, 1, "-1"), [](const WizardPara& p) { return p.exposure[0]; }, 30},
        {"exposeTime", pos(4, 4, "10000"), [](const WizardPara& p) { return p.exposure[3]; }, 10000},
        {"system6", pos(12, 2, "10001"), [](const WizardPara& p) { return p.exposure[7]; }, 30},
        {"adjustPlus", pos(4, 2, "10001"), [](const WizardPara& p) { return p.gain[1]; }, 32},
        {"sharp", pos(4, 3, "-3"), [](const WizardPara& p) { return p.sharpness[2]; }, 0},
        {"contrast", pos(4, 1, "0"), [](const WizardPara& p) { return p.contrast[0]; }, 100},
        {"numAllDetect", pos(8, 8, "0"), [](const WizardPara& p) { return p.gamma[7]; }, 0},
        {"numAllDetect", pos(8, 8, "250"), [](const WizardPara& p) { return p.gamma[7]; }, 250},
        {"numAllDetect", pos(8, 8, "251"), [](const WizardPara& p) { return p.gamma[7]; }, 100},
        {"system8", pos(20, 1, "9"), [](const WizardPara& p) { return p.stage_count; }, 2},
        {"system8", pos(20, 1, "8"), [](const WizardPara& p) { return p.stage_count; }, 8},
        {"numFailDetect", pos(8, 1, "6"), [](const WizardPara& p) { return p.io_mode; }, 0},
        {"numFailDetect", pos(8, 1, "-1"), [](const WizardPara& p) { return p.io_mode_chosen; }, 0},
        {"system1", pos(10, 7, "10001"), [](const WizardPara& p) { return p.pre_cut; }, 0},
        {"system1", pos(10, 8, "-2"), [](const WizardPara& p) { return p.front_auto_check_time; }, 0},
        {"system4", pos(15, 14, "101"), [](const WizardPara& p) { return p.minimum_size; }, 3},
        // The ranges the pages offer: what a page stores comes back.
        {"system4", pos(15, 15, "1001"), [](const WizardPara& p) { return p.minimum_area; }, 100},
        {"system4", pos(15, 15, "0"), [](const WizardPara& p) { return p.minimum_area; }, 0},
        {"system4", pos(15, 15, "1000"), [](const WizardPara& p) { return p.minimum_area; }, 1000},
        {"system2", pos(18, 2, "0"), [](const WizardPara& p) { return p.max_mold_num; }, 10},
        {"system2", pos(18, 2, "1"), [](const WizardPara& p) { return p.max_mold_num; }, 1},
        {"system2", pos(18, 2, "50"), [](const WizardPara& p) { return p.max_mold_num; }, 50},
        {"system2", pos(18, 2, "51"), [](const WizardPara& p) { return p.max_mold_num; }, 10},
        {"system2", pos(18, 4, "-1"), [](const WizardPara& p) { return p.ng_max_num; }, 0},
        {"system1", pos(10, 9, "10001"), [](const WizardPara& p) { return p.ok_record_max_num; }, 0},
        {"system2", pos(18, 5, "20000"), [](const WizardPara& p) { return p.thimble_pulse; }, 0},
        {"system2", pos(18, 6, "20000"), [](const WizardPara& p) { return p.mold_pulse; }, 0},
        {"system1", pos(10, 4, "5"), [](const WizardPara& p) { return p.enable_correct; }, -1},
        {"system1", pos(10, 4, "0"), [](const WizardPara& p) { return p.enable_correct; }, 0},
        {"system5", pos(12, 10, "181"), [](const WizardPara& p) { return p.shape_angle_limit; }, 0},
        {"system3", pos(11, 9, "10001"), [](const WizardPara& p) { return p.auto_cancel_timelen; }, 0},
        {"system3", pos(11, 3, "5"), [](const WizardPara& p) { return p.difference_multiplier; }, 0},
        {"system2", pos(18, 15, "0"), [](const WizardPara& p) { return p.location_adge; }, 8000},
        {"system2", pos(18, 15, "8001"), [](const WizardPara& p) { return p.location_adge; }, 8000},
        {"system2", pos(18, 16, "5"), [](const WizardPara& p) { return p.location_level; }, 600},
        {"system2", pos(18, 16, "0"), [](const WizardPara& p) { return p.location_level; }, 0},
        {"system2", pos(18, 16, "10"), [](const WizardPara& p) { return p.location_level; }, 10},
        {"system2", pos(18, 16, "10000"), [](const WizardPara& p) { return p.location_level; }, 600},
        {"system2", pos(18, 17, "101"), [](const WizardPara& p) { return p.capture_speed; }, 12},
        {"system2", pos(18, 18, "100000001"), [](const WizardPara& p) { return p.input_timeout_len; }, 60},
        {"system2", pos(18, 13, "3"), [](const WizardPara&) { return gLan; }, 0},
        {"system2", pos(18, 13, "2"), [](const WizardPara&) { return gLan; }, 2},
        {"system7", pos(20, 1, "101"), [](const WizardPara& p) { return p.serial_port; }, 0},
        {"system2", pos(18, 3, "0"), [](const WizardPara& p) { return p.min_spot; }, 3},
        {"system11", pos(20, 20, "-1"), [](const WizardPara& p) { return p.row_filler; }, 0},
        {"system11", pos(20, 20, "100000000"), [](const WizardPara& p) { return p.row_filler; }, 100000000},
        {"CntNet", pos(8, 3, "5"), [](const WizardPara& p) { return p.video_fps_index; }, 3},
        {"CntNet", pos(8, 3, "0"), [](const WizardPara& p) { return p.video_fps_index; }, 0},
    };
    for (const Case& c : cases) {
        const QString before = db.row(c.row);
        db.setRow(c.row, c.value);
        gLan = 1;
        const WizardPara p = loaded();
        EXPECT_EQ(c.field(p), c.expected) << c.row << " = " << c.value.toStdString();
        // A value replaced at load is not written back.
        EXPECT_EQ(db.row(c.row), c.value) << c.row;
        db.setRow(c.row, before);
    }
}

TEST_F(ParameterStore, LoadedIoModeIsInForceAndTheChosenOneFollowsIt)
{
    WizardPara p = loaded();
    p.io_mode_chosen = 4;
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(p.io_mode, 0);   // takes effect only at the next start
    const WizardPara next = loaded();
    EXPECT_EQ(next.io_mode, 4);
    EXPECT_EQ(next.io_mode_chosen, 4);
}

TEST_F(ParameterStore, MissingRowsLeaveFieldsAndOnlyTheLateRowsAreInserted)
{
    db.dropRow("system7");
    db.dropRow("system8");
    db.dropRow("system9");
    db.dropRow("system10");
    db.dropRow("system11");
    db.dropRow("exposeTime");
    db.dropRow("CntNet");
    WizardPara p;
    p.output_polarity[2] = 9;
    p.exposure[0] = 77;
    p.stage_count = 3;
    p.LoadDatafromFile();
    EXPECT_EQ(db.row("system7"), "0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0");
    for (const char* k : {"system8", "system9", "system10", "system11"})
        EXPECT_EQ(db.row(k), "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0") << k;
    EXPECT_TRUE(db.row("exposeTime").isNull());
    EXPECT_TRUE(db.row("CntNet").isNull());
    // The inserted defaults reach the record only at the next start.
    EXPECT_EQ(p.output_polarity[2], 9);
    EXPECT_EQ(p.stage_count, 3);
    EXPECT_EQ(p.exposure[0], 77);
    EXPECT_EQ(p.video_fps_index, 3);
    EXPECT_EQ(loaded().output_polarity[2], 1);
}

TEST_F(ParameterStore, QuotesAndChineseSurviveInEveryTextField)
{
    const QString texts[6] = {"pa'ss\"wd", "用户'名", "技术员 O'Brien", "138'0000", "产品'); drop table sysparam; --",
                              "操作员“张三”"};
    WizardPara p;
    char(*fields[6])[100] = {&p.password, &p.CntNet_UseName, &p.CntNet_MsgTechName,
                             &p.CntNet_MsgTechNum, &p.CntNet_ProName, &p.CntNet_Operator};
    for (int i = 0; i < 6; ++i)
        SetParamText(*fields[i], texts[i]);
    const int rows = db.rowCount();
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(db.rowCount(), rows);
    EXPECT_EQ(db.row("password"), texts[0]);
    EXPECT_EQ(db.row("CntNet_ProName"), texts[4]);
    const WizardPara q = loaded();
    const char* back[6] = {q.password, q.CntNet_UseName, q.CntNet_MsgTechName, q.CntNet_MsgTechNum,
                           q.CntNet_ProName, q.CntNet_Operator};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(QString::fromUtf8(back[i]), texts[i]) << i;
}

TEST_F(ParameterStore, TextLengthRules)
{
    // At load: 99 bytes are taken, 100 bytes leave the field as it was.
    db.setRow("password", QString(99, 'a'));
    db.setRow("CntNet_Operator", QString(33, QChar(0x5F20)));   // 99 bytes of UTF-8
    EXPECT_EQ(QByteArray(loaded().password), QByteArray(99, 'a'));
    EXPECT_EQ(QString::fromUtf8(loaded().CntNet_Operator), QString(33, QChar(0x5F20)));
    db.setRow("password", QString(100, 'b'));
    db.setRow("CntNet_Operator", QString(34, QChar(0x5F20)));
    WizardPara p;
    std::strcpy(p.password, "old");
    std::strcpy(p.CntNet_Operator, "keep");
    p.LoadDatafromFile();
    EXPECT_STREQ(p.password, "old");
    EXPECT_STREQ(p.CntNet_Operator, "keep");

    // Setting cuts on a character boundary, never inside one.
    char field[100];
    SetParamText(field, QString(40, QChar(0x4E2D)));
    EXPECT_EQ(std::strlen(field), 99u);
    EXPECT_EQ(ParamText(field), QString(33, QChar(0x4E2D)));
    SetParamText(field, "a" + QString(40, QChar(0x4E2D)));
    EXPECT_EQ(std::strlen(field), 97u);
    // A field cut inside a character by older code saves without the broken tail.
    std::memcpy(field, "ab\xE4\xB8", 4);
    field[4] = '\0';
    EXPECT_EQ(ParamText(field), "ab");
}

TEST_F(ParameterStore, CameraSerialsCountFromNineCharacters)
{
    db.setSerialRow("serialNB0", "ABCDEFGH");      // 8: neither counted nor copied
    db.setSerialRow("serialNB1", "ABCDEFGHI");     // 9
    db.setSerialRow("serialNB2", QString(99, 'S'));
    db.setSerialRow("serialNB3", QString(100, 'T'));
    db.dropSerialRow("serialNB5");
    std::strcpy(gSerialNB[0], "previous");
    std::strcpy(gSerialNB[5], "stale");
    const WizardPara p = loaded();
    EXPECT_EQ(p.stored_camera_count, 2);
    EXPECT_STREQ(gSerialNB[0], "previous");
    EXPECT_STREQ(gSerialNB[1], "ABCDEFGHI");
    EXPECT_EQ(QByteArray(gSerialNB[2]), QByteArray(99, 'S'));
    EXPECT_STREQ(gSerialNB[5], "0");
    EXPECT_EQ(db.serialRow("serialNB5"), "0");
}

TEST_F(ParameterStore, GroupNumberFile)
{
    WizardPara p;
    p.param_group = 9;
    p.LoadDatafromFile();
    EXPECT_EQ(p.param_group, 0);
    EXPECT_EQ(db.dir.read("sysadd.txt"), "0");   // created without a newline
    p.param_group = 7;
    EXPECT_TRUE(p.SaveAddFile());
    EXPECT_EQ(db.dir.read("sysadd.txt"), "7\n");
    EXPECT_EQ(loaded().param_group, 7);
    db.dir.write("sysadd.txt", "none\n");
    EXPECT_EQ(loaded().param_group, 0);
}

TEST_F(ParameterStore, NameFileReplacesTheFirstEightNames)
{
    ASSERT_TRUE(db.dir.write("name.txt", QString("开模\nSafety'\n\nX\n").toUtf8()));
    for (QString& n : gaName)
        n = "unset";
    loaded();
    EXPECT_EQ(gaName[0], QString("开模"));
    EXPECT_EQ(gaName[1], "Safety'");
    EXPECT_EQ(gaName[2], "");
    EXPECT_EQ(gaName[3], "X");
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(gaName[i], "") << i;
    EXPECT_EQ(gaName[8], "unset");
}

TEST_F(ParameterStore, DetectionMethodFixOnlyWhenDirectionAloneIsOn)
{
    db.setRow("system3", "0 0 0 0 0 0 0 0 0 0 0");
    db.setRow("numFailDetect", "0 0 0 0 0 0 0 0");
    db.setRow("system7", "0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0");
    db.setRow("system8", "2 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1");
    EXPECT_EQ(loaded().enable_defect_detect, 1);
    db.setRow("numFailDetect", "0 0 0 0 0 0 1 0");
    EXPECT_EQ(loaded().enable_defect_detect, 0);
}

TEST_F(ParameterStore, RoundTripKeepsEveryStoredValue)
{
    WizardPara p = DefaultParameterRecord();
    int n = 1;
    // Values inside every range so the load keeps them all.
    for (int i = 0; i < 8; ++i) {
        p.exposure[i] = n++;
        p.gain[i] = n++;
        p.sharpness[i] = n++;
        p.contrast[i] = n++;
        p.gamma[i] = n++;
        p.stage_delay[i] = -n++;
        p.temp_max[i] = n++;
    }
    p.io_mode_chosen = 3;
    for (int o = 4; o <= 7; ++o)
        p.output_polarity[o] = 1;   // what mode 3 derives at load
    p.enable_correct = -1;
    SetParamText(p.CntNet_ProName, "零件'A");
    gLan = 1;
    ASSERT_TRUE(p.SaveDatatoFile());
    const QList<ParamRow> saved = ParamRows(p, 1);
    const WizardPara q = loaded();
    const QList<ParamRow> again = ParamRows(q, gLan);
    ASSERT_EQ(saved.size(), again.size());
    for (int i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].key, again[i].key);
        EXPECT_EQ(saved[i].value, again[i].value) << saved[i].key.toStdString();
    }
}
