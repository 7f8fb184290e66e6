#pragma once
// Storage of the parameter record in PARAM.db (table sysparam, one row per key), the camera
// serials in SN.db, sysadd.txt and name.txt. The WizardPara store operations are defined in
// parameterstore.cpp; the helpers here are shared with the default-database maker and the pages.
#include <functional>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class WizardPara;
class QSqlQuery;

// Connection names of the two databases the store works on (opened by the monitoring controller).
extern const char* const PARAM_DB_CONNECTION;   // "dbIn", PARAM.db
extern const char* const SERIAL_DB_CONNECTION;  // "dbT", SN.db

// Serial number bound to each camera slot, NUL-terminated; "0" when none.
extern char gSerialNB[8][100];

// Calls into later subsystems. Unset hooks do nothing.
struct ParamStoreHooks {
    // After a save, when cnt_net_enabled of gpWPara is set: sends the parameter report if the
    // report server is open and its client connected (CNT_Net::CNT_SendParam).
    std::function<void()> sendParamReport;
};
extern ParamStoreHooks gParamStoreHooks;

// One row of table sysparam.
struct ParamRow {
    QString key;
    QString value;
};
// Every row of the record in save order (password after isPswUsed, CntNet and its five texts last):
// integers in decimal joined by single spaces, texts as they are. `language` goes in system2
// position 13.
QList<ParamRow> ParamRows(const WizardPara& p, int language);

// Reads whitespace-separated integers (0x hex, 0b binary, leading 0 octal) into `count` values;
// from the first missing or non-numeric position on, every value is 0.
QVector<int> ParseParamValues(const QString& value, int count);

// Text fields: set from a QString, cut to at most 99 bytes on a UTF-8 character boundary; read
// back as UTF-8 (an incomplete trailing sequence is dropped).
void SetParamText(char (&field)[100], const QString& text);
QString ParamText(const char (&field)[100]);

// Ranges a page offers and the load keeps, one for both: a value the page stores comes back the
// same after a restart.
struct ParamRange {
    int min;
    int max;
};
// Alarm area: 0 alarms on any defect area; the page is its only writer.
constexpr ParamRange kAlarmAreaRange{0, 1000};
// Templates per stage: a stage needs at least one.
constexpr ParamRange kTemplateCountRange{1, 50};
// Camera gamma on the cameras' scale of 0..250 (0 is a camera at its lowest gamma).
constexpr ParamRange kGammaRange{0, 250};

// The range checks of loading, in their order; `language` is checked with them (0..2).
void ApplyLoadRangeChecks(WizardPara& p, int& language);
// Turns the defect method on when only the direction method is on.
void ApplyDetectionMethodFix(WizardPara& p);
