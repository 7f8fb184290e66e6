#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include "core/uitexttable.h"

namespace {

QString text(int row, int lan)
{
    return gaLanStr[row * LAN_COUNT + lan];
}

// UTF-8 bytes of a row's text, for exact comparisons.
QByteArray bytes(int row, int lan)
{
    return text(row, lan).toUtf8();
}

class UiTextTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Data_Init(); }
};

}  // namespace

TEST_F(UiTextTable, LanguageStartsAsSimplifiedChinese)
{
    EXPECT_EQ(gLan, 0);
    EXPECT_EQ(text(317, 0), QString::fromUtf8("简体中文"));
    EXPECT_EQ(text(317, 1), QString("English"));
    EXPECT_EQ(text(317, 2), QString::fromUtf8("繁體中文"));
}

TEST_F(UiTextTable, RowsKeepTheirExactBytes)
{
    EXPECT_EQ(bytes(0, 0), QByteArray("\xE7\x9B\xB8\xE6\x9C\xBA\xE5\x8F\x82\xE6\x95\xB0\xE6\x96\x87\xE4\xBB\xB6"
                                      "\xE6\x89\x93\xE5\xBC\x80\xE9\x94\x99\xE8\xAF\xAF\xEF\xBC\x81"));
    EXPECT_EQ(bytes(1, 1), QByteArray("Regional parameter file error, \r\n please restore the Parameter Group \r\n"
                                      " or contact the supplier!"));
    EXPECT_EQ(bytes(2, 1), QByteArray("Func"));
    EXPECT_EQ(bytes(2, 0), QByteArray("\xE5\x8A\x9F\xE8\x83\xBD\xEF\xBC\x9A"));  // 功能：
    EXPECT_EQ(bytes(2, 2), bytes(2, 0));
    EXPECT_EQ(bytes(68, 1), QByteArray("If you want to delete the first \r\ntemplate, please click \"Resample\"!"));
    EXPECT_EQ(bytes(86, 1), QByteArray("\xEF\xBC\x8C" "Changing the maximum gradation from %1 to %2"));
    EXPECT_EQ(bytes(94, 1), QByteArray(", Changing the sensitivity  from %1 to %2"));
    EXPECT_EQ(bytes(110, 1), QByteArray("%1  Cycle %2S"));
    EXPECT_EQ(bytes(133, 1), QByteArray("The system is initializing, \r\n please wait.."));
    EXPECT_EQ(bytes(133, 0), QString::fromUtf8("系统正在初始化，请稍后......").toUtf8());
    EXPECT_EQ(bytes(190, 1), QByteArray("Ejector pulse when NG in prod, don't' alarm"));
    EXPECT_EQ(bytes(212, 1), QByteArray("Live\xE2\x86\x94Temp"));
    EXPECT_EQ(bytes(218, 1), QByteArray("camera %1 detection %2 %3  %5 / %4    %6"));
    EXPECT_EQ(bytes(296, 1), QByteArray("Please click on \"OK\" to exit!"));
    EXPECT_EQ(bytes(345, 1), QByteArray("delay\xE2\x80\x9D setting"));
    EXPECT_EQ(bytes(458, 1), QByteArray("calibrate \n touch screen"));
    EXPECT_EQ(bytes(495, 1), QByteArray("   Input %1"));
    EXPECT_EQ(bytes(540, 0), QByteArray("\xE7\xA7\x92"));
    EXPECT_EQ(bytes(540, 1), QByteArray("S"));
    EXPECT_EQ(bytes(568, 0), QByteArray("\xE8\xAD\xA6\xE5\x91\x8A!"));  // 警告! with an ASCII mark
    EXPECT_EQ(bytes(568, 2), bytes(568, 0));
    EXPECT_EQ(bytes(591, 1), QByteArray("please exit system setup!"));

    const QList<std::tuple<int, const char*, const char*, const char*>> given = {
        {154, "高级用户", "Advanced", "高級用戶"}, {155, "初级用户", "Primary", "初級用戶"},
        {156, "未登录", "Unlogged", "未登錄"}, {310, "取样中", "resampling", "取樣中"},
        {311, "停止中", "stopping", "停止中"}, {312, "检测中", "detecting", "檢測中"},
        {566, "确认提示", "Confirmation prompt", "確認提示"},
        {0, "相机参数文件打开错误！", "Camera parameter file error!", "相機參數檔打開錯誤！"},
        {549, "早班 / 晚班", "Morning / Night", "早班 / 晚班"}, {554, "启用结果统计", "Enable result statistics", "啟用結果統計"},
        {555, "温度报警控制合模", "Temperature alarm controls mould close", "溫度報警控制合模"}, {557, "参数组", "Parameter group", "參數組"},
        {561, "方向识别", "Direction recognition", "方向識別"}, {552, "统计文件不存在，需要重启来生成它", "The statistics file does not exist, restart to create it",
         "統計檔不存在，需要重啟來生成它"}, {551, "重置参数", "restore factory set", "重置參數"},
        {553, "冲压", "Stamping", "沖壓"}};
    for (const auto& [row, zh, en, tw] : given) {
        EXPECT_EQ(bytes(row, 0), QByteArray(zh)) << row;
        EXPECT_EQ(bytes(row, 1), QByteArray(en)) << row;
        EXPECT_EQ(bytes(row, 2), QByteArray(tw)) << row;
    }
    EXPECT_EQ(bytes(551, 1), QByteArray("restore factory set"));
}

TEST_F(UiTextTable, EmptyWhereTheTableLeavesTextsOut)
{
    for (int row : {153, 321, 322, 530, 531, 532, 533, 534, 535, 536, 537, 538, 539, 567})
        for (int lan = 0; lan < LAN_COUNT; ++lan)
            EXPECT_TRUE(text(row, lan).isEmpty()) << row << " " << lan;
    for (int row = 594; row < 600; ++row)
        for (int lan = 0; lan < LAN_COUNT; ++lan)
            EXPECT_TRUE(text(row, lan).isEmpty()) << row << " " << lan;
}

TEST_F(UiTextTable, RowTextFollowsTheLanguageInForce)
{
    const int saved = gLan;
    gLan = 1;
    EXPECT_EQ(gaLanStr[46 * 3 + gLan].arg(3), QString("3"));  // English row 46 is the bare argument
    EXPECT_EQ(gaLanStr[555 * 3 + gLan], QString("Temperature alarm controls mould close"));
    gLan = 0;
    EXPECT_EQ(gaLanStr[46 * 3 + gLan].arg(3), QString::fromUtf8("3检测"));
    gLan = 2;
    EXPECT_EQ(gaLanStr[46 * 3 + gLan].arg(3), QString::fromUtf8("3檢測"));
    EXPECT_EQ(gaLanStr[553 * 3 + gLan], QString::fromUtf8("沖壓"));
    gLan = saved;
}

TEST_F(UiTextTable, FillingAgainRestoresEveryText)
{
    const QString before = text(133, 1);
    gaLanStr[133 * 3 + 1] = "changed";
    gaLanStr[595 * 3 + 0] = "stray";
    Data_Init();
    EXPECT_EQ(text(133, 1), before);
    EXPECT_TRUE(text(595, 0).isEmpty());
}

namespace {

// %1..%9 markers of a text, sorted (row 218 orders them differently per language).
QStringList placeholders(const QString& s)
{
    QStringList found;
    auto it = QRegularExpression("%[1-9]").globalMatch(s);
    while (it.hasNext())
        found << it.next().captured(0);
    found.sort();
    return found;
}

// Rows whose Chinese wording the system fixes as one line although the English breaks it.
const QSet<int> kChineseOnOneLine = {133, 232, 234, 278, 280, 282, 283, 284, 285, 287,
                                     297, 320, 447, 448, 454, 458, 512, 527};

}  // namespace

TEST_F(UiTextTable, EveryEnglishRowHasBothChineseTexts)
{
    int rowsWithEnglish = 0;
    for (int row = 0; row < LAN_ROWS; ++row) {
        if (text(row, 1).isEmpty())
            continue;
        if (row < 600)  // rows after the original table are added by area
            ++rowsWithEnglish;
        EXPECT_FALSE(text(row, 0).isEmpty()) << "row " << row << " lacks Simplified Chinese";
        EXPECT_FALSE(text(row, 2).isEmpty()) << "row " << row << " lacks Traditional Chinese";
    }
    EXPECT_EQ(rowsWithEnglish, 594 - 14);  // 580 listed rows, every one with English
}

TEST_F(UiTextTable, PlaceholdersAndLineBreaksMatchAcrossLanguages)
{
    for (int row = 0; row < LAN_ROWS; ++row) {
        const QString en = text(row, 1);
        for (int lan : {0, 2}) {
            const QString t = text(row, lan);
            if (t.isEmpty() || en.isEmpty())
                continue;
            EXPECT_EQ(placeholders(t), placeholders(en)) << "row " << row << " lan " << lan;
            if (!kChineseOnOneLine.contains(row)) {
                EXPECT_EQ(t.count("\r\n"), en.count("\r\n")) << "row " << row << " lan " << lan;
                EXPECT_EQ(t.count('\n'), en.count('\n')) << "row " << row << " lan " << lan;
            }
            EXPECT_EQ(t.count('\r'), t.count("\r\n")) << "row " << row << " lan " << lan;
        }
        // Both Chinese texts of a row say the same: same markers and breaks.
        if (!text(row, 0).isEmpty() && !text(row, 2).isEmpty()) {
            EXPECT_EQ(placeholders(text(row, 0)), placeholders(text(row, 2))) << row;
            EXPECT_EQ(text(row, 0).count("\r\n"), text(row, 2).count("\r\n")) << row;
        }
    }
    // English row 218 shows %5 before %4; a caller's arguments still land in each language.
    for (int lan = 0; lan < LAN_COUNT; ++lan) {
        const QString s = text(218, lan).arg(1).arg(QString("P")).arg(QString("T")).arg(9).arg(4).arg(QString("F"));
        EXPECT_TRUE(s.contains("4 / 9")) << s.toStdString();
    }
}

TEST_F(UiTextTable, ChineseWordingsFixedByTheScreensAreKept)
{
    // Texts the screens, records and dialogs rely on word for word.
    const QList<std::pair<int, const char*>> zh = {
        {43, "%1号相机"}, {70, "%1号相机删除第%2张模板"}, {73, "%1号相机%2检测"}, {83, "改为"},
        {99, "修改了%1区域%2，%3%4%5"}, {121, "确定"}, {212, "实时↔模板"}, {236, "，%1延时从%2改为%3"},
        {240, "，%1 改为"}, {241, " 清晰度 "}, {242, " 真实度 "}, {286, "参数组还原为%1"},
        {320, "找不到U盘，是否插入U盘重试？"}, {394, "%1  号"}, {395, "屏幕%1号相机切换成："},
        {499, "多次检测IO设置"}, {511, "%1重检"}, {512, "最后一次检测未选择！"}, {541, "生产统计"},
        {542, "OK总数"}, {551, "重置参数"}, {591, "请退出系统设置!"}};
    for (const auto& [row, s] : zh)
        EXPECT_EQ(bytes(row, 0), QByteArray(s)) << row;
    // Traditional Chinese follows the same wording in its own script.
    EXPECT_EQ(text(73, 2), QString::fromUtf8("%1號相機%2檢測"));
    EXPECT_EQ(text(394, 2), QString::fromUtf8("%1  號"));
    EXPECT_EQ(text(241, 2), QString::fromUtf8(" 清晰度 "));
}

TEST_F(UiTextTable, ChineseTextsAreInTheirOwnScript)
{
    // Characters that exist only in one script betray a text left in the other.
    const QString simplifiedOnly = QString::fromUtf8("检测设参数图报这个们时头门开关选删认为");
    const QString traditionalOnly = QString::fromUtf8("檢測設參數圖報這個們時頭門開關選刪認為");
    for (int row = 0; row < LAN_ROWS; ++row) {
        for (const QChar c : text(row, 2))
            EXPECT_FALSE(simplifiedOnly.contains(c)) << "row " << row << " Traditional has " << QString(c).toStdString();
        for (const QChar c : text(row, 0))
            EXPECT_FALSE(traditionalOnly.contains(c)) << "row " << row << " Simplified has " << QString(c).toStdString();
    }
}
