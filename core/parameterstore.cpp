#include "core/parameterstore.h"

#include <cctype>
#include <cstring>

#include <QDebug>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include "core/globals.h"
#include "core/uitexttable.h"
#include "core/runmodederivation.h"
#include "core/wizardpara.h"

const char* const PARAM_DB_CONNECTION = "dbIn";
const char* const SERIAL_DB_CONNECTION = "dbT";

char gSerialNB[8][100];
ParamStoreHooks gParamStoreHooks;

namespace {

const char* const kTextKeys[] = {"CntNet_UseName", "CntNet_MsgTechName", "CntNet_MsgTechNum",
                                 "CntNet_ProName", "CntNet_Operator"};

// Integer rows in the order saving writes them.
const char* const kSaveOrder[] = {"trigInDelay", "exposeTime", "sharp",   "contrast", "adjustPlus",
                                  "numFailDetect", "numAllDetect", "isPswUsed", "system1", "system2",
                                  "system3",  "system4",    "system5", "system6",  "system7",
                                  "system8",  "system9",    "system10", "system11"};

// Every row in the order loading reads it (texts included).
const char* const kLoadOrder[] = {"trigInDelay", "exposeTime", "adjustPlus", "numFailDetect",
                                  "numAllDetect", "isPswUsed", "password", "system1", "system2",
                                  "system3", "system4", "sharp", "contrast", "system5", "system6",
                                  "system7", "system8", "system9", "system10", "system11", "CntNet",
                                  "CntNet_UseName", "CntNet_MsgTechName", "CntNet_MsgTechNum",
                                  "CntNet_ProName", "CntNet_Operator"};

// The fields behind each position of an integer row. numFailDetect position 1 is io_mode_chosen
// when saving and io_mode when loading; system2 position 13 is the UI language.
QVector<int*> rowFields(WizardPara& p, const QString& key, bool loading, int* language)
{
    QVector<int*> f;
    auto arr = [&f](int* a, int from, int n) {
        for (int i = 0; i < n; ++i)
            f.append(a + from + i);
    };
    if (key == "trigInDelay") {
        arr(p.stage_delay, 0, 8);
    } else if (key == "exposeTime") {
        arr(p.exposure, 0, 4);
    } else if (key == "sharp") {
        arr(p.sharpness, 0, 4);
    } else if (key == "contrast") {
        arr(p.contrast, 0, 4);
    } else if (key == "adjustPlus") {
        arr(p.gain, 0, 4);
    } else if (key == "numFailDetect") {
        f = {loading ? &p.io_mode : &p.io_mode_chosen, &p.io_sub_mode, &p.auto_exposure, &p.auto_wdr,
             &p.ng_option, &p.enable_black_area_detect, &p.enable_white_area_detect,
             &p.enable_similarity_detect};
    } else if (key == "numAllDetect") {
        arr(p.gamma, 0, 8);
    } else if (key == "isPswUsed") {
        f = {&p.is_psw_used};
    } else if (key == "system1") {
        f = {&p.semi_auto, &p.first_stage_on, &p.enabe_two_test, &p.enable_correct,
             &p.enable_stop_mold, &p.enable_screen_alert, &p.pre_cut, &p.front_auto_check_time,
             &p.ok_record_max_num, &p.auto_region_prompt};
    } else if (key == "system2") {
        f = {&p.mold_cutoff, &p.max_mold_num, &p.min_spot, &p.ng_max_num, &p.thimble_pulse,
             &p.mold_pulse, &p.enable_stop_not_alarm, &p.is_cut_ontime, &p.enable_cutoff_ontime,
             &p.enable_pass_protect, &p.template_add_option, &p.ignore_point_option, language,
             &p.enable_mold_backup, &p.location_adge, &p.location_level, &p.capture_speed,
             &p.input_timeout_len};
    } else if (key == "system3") {
        f = {&p.enable_output_thimble_pulse, &p.enable_disarm_before_open, &p.difference_multiplier,
             &p.enable_defect_detect, &p.enable_spot_detect, &p.enable_ignore_area,
             &p.enable_manual_edit, &p.enable_display_detail, &p.auto_cancel_timelen,
             &p.enable_one_not_mold, &p.enable_trigger_safety};
    } else if (key == "system4") {
        f = {&p.template_auto_update, &p.local_addr_1, &p.local_addr_2, &p.local_addr_3,
             &p.local_addr_4, &p.mask_1, &p.mask_2, &p.mask_3, &p.mask_4, &p.gateway_1,
             &p.gateway_2, &p.gateway_3, &p.gateway_4, &p.minimum_size, &p.minimum_area};
    } else if (key == "system5" || key == "system6") {
        const int c = key == "system5" ? 4 : 6;
        f = {&p.exposure[c], &p.exposure[c + 1], &p.gain[c], &p.gain[c + 1], &p.sharpness[c],
             &p.sharpness[c + 1], &p.contrast[c], &p.contrast[c + 1]};
        if (c == 4)
            f += {&p.ng_pulse_mode, &p.shape_angle_limit, &p.release_ejector_at_start, &p.image_trigger};
        else
            f += {&p.input_debounce, &p.spare_system6_10, &p.spare_system6_11, &p.spare_system6_12};
    } else if (key == "system7") {
        f = {&p.serial_port, &p.enable_color_camera, &p.enable_gray_channel, &p.snap_shot,
             &p.output_polarity[0], &p.output_polarity[1], &p.output_polarity[2],
             &p.prohibit_optimize, &p.output_polarity[3], &p.factory_param,
             &p.defect_rule_reversed, &p.spare_system7_12, &p.paint_option, &p.cavity_check_on,
             &p.output_polarity[4], &p.output_polarity[5], &p.output_polarity[6],
             &p.output_polarity[7], &p.output_polarity[8], &p.enable_white_count_detect};
    } else if (key == "system8") {
        f = {&p.stage_count};
        arr(p.stage_input_choice, 0, 8);
        arr(p.stage_link, 0, 8);
        f += {&p.is_cut_ontime_thimble, &p.log_switch, &p.enable_direction_detect};
    } else if (key == "system9") {
        arr(p.stage_source, 0, 8);
        f.append(&p.no_close_inhibit_at_start);
        for (int i = 0; i < 11; ++i)
            f.append(&p.row_filler);
    } else if (key == "system10" || key == "system11") {
        arr(key == "system10" ? p.input_name_choice : p.temp_min, 0, 8);
        arr(key == "system10" ? p.output_name_choice : p.temp_max, 0, 8);
        for (int i = 0; i < 4; ++i)
            f.append(&p.row_filler);
    } else if (key == "CntNet") {
        f = {&p.cnt_net_enabled, &p.video_share, &p.video_fps_index, &p.ng_video_record,
             &p.alarm_sms, &p.cavity, &p.expected_capacity, &p.product_batch};
    }
    return f;
}

using TextField = char (*)[100];

TextField textField(WizardPara& p, const QString& key)
{
    if (key == "password")
        return &p.password;
    if (key == "CntNet_UseName")
        return &p.CntNet_UseName;
    if (key == "CntNet_MsgTechName")
        return &p.CntNet_MsgTechName;
    if (key == "CntNet_MsgTechNum")
        return &p.CntNet_MsgTechNum;
    if (key == "CntNet_ProName")
        return &p.CntNet_ProName;
    if (key == "CntNet_Operator")
        return &p.CntNet_Operator;
    return nullptr;
}

QString joinValues(const QVector<int*>& fields)
{
    QStringList parts;
    parts.reserve(fields.size());
    for (const int* v : fields)
        parts.append(QString::number(*v));
    return parts.join(' ');
}

// Length of the longest prefix of `s` (n bytes) that is whole UTF-8 characters.
int validUtf8Prefix(const char* s, int n)
{
    int i = 0;
    int good = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > n)
            break;
        bool ok = true;
        for (int k = 1; k < len; ++k)
            ok = ok && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (!ok)
            break;
        i += len;
        good = i;
    }
    return good;
}

bool exec(QSqlQuery& q, const QString& what)
{
    if (q.exec())
        return true;
    qCritical().noquote() << "parameter store:" << what << "failed:" << q.lastError().text();
    return false;
}

enum class Lookup { Found, Missing, Failed };

// Value of row `key`. A failed query is not a missing row: nothing is inserted for it.
Lookup selectValue(QSqlDatabase& db, const QString& key, QString* value)
{
    QSqlQuery q(db);
    q.prepare("select value from sysparam where name=?");
    q.addBindValue(key);
    if (!exec(q, "select " + key))
        return Lookup::Failed;
    if (!q.next())
        return Lookup::Missing;
    *value = q.value(0).toString();
    return Lookup::Found;
}

bool insertRow(QSqlDatabase& db, const QString& key, const QString& value)
{
    QSqlQuery q(db);
    q.prepare("insert into sysparam values(?, ?)");
    q.addBindValue(key);
    q.addBindValue(value);
    return exec(q, "insert " + key);
}

bool updateRow(QSqlDatabase& db, const QString& key, const QString& value)
{
    QSqlQuery q(db);
    q.prepare("update sysparam set value=? where name=?");
    q.addBindValue(value);
    q.addBindValue(key);
    return exec(q, "update " + key);
}

QSqlDatabase openConnection(const char* name)
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(name), false);
    if (!db.isOpen())
        qCritical().noquote() << "parameter store: database connection" << name << "is not open";
    return db;
}

// Reads one integer with prefix detection from s at pos; false when none is there.
bool readInteger(const QString& s, int& pos, int* out)
{
    const int n = s.size();
    while (pos < n && s.at(pos).isSpace())
        ++pos;
    int i = pos;
    bool negative = false;
    if (i < n && (s.at(i) == '-' || s.at(i) == '+')) {
        negative = s.at(i) == '-';
        ++i;
    }
    if (i >= n || !s.at(i).isDigit())
        return false;
    int base = 10;
    if (s.at(i) == '0' && i + 1 < n) {
        const QChar x = s.at(i + 1).toLower();
        if (x == 'x' && i + 2 < n && isxdigit(s.at(i + 2).toLatin1())) {
            base = 16;
            i += 2;
        } else if (x == 'b' && i + 2 < n && (s.at(i + 2) == '0' || s.at(i + 2) == '1')) {
            base = 2;
            i += 2;
        } else {
            base = 8;
        }
    }
    qint64 v = 0;
    int digits = 0;
    for (; i < n; ++i) {
        const int c = s.at(i).toLatin1();
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= base)
            break;
        v = v * base + d;
        if (v > 0x80000000LL)
            return false;   // does not fit a 32-bit field: not a number
        ++digits;
    }
    if (base == 8 && digits == 0)
        digits = 1;   // the lone 0
    if (negative)
        v = -v;
    if (v > 0x7FFFFFFFLL || v < -0x80000000LL)
        return false;
    pos = i;
    *out = static_cast<int>(v);
    return digits > 0;
}

unsigned u(int v) { return static_cast<unsigned>(v); }

void checkRange(int& v, unsigned lo, unsigned hi, int replacement)
{
    if (u(v) < lo || u(v) > hi)
        v = replacement;
}

} // namespace

QVector<int> ParseParamValues(const QString& value, int count)
{
    QVector<int> out(count, 0);
    int pos = 0;
    for (int i = 0; i < count; ++i) {
        int v = 0;
        if (!readInteger(value, pos, &v))
            break;
        out[i] = v;
    }
    return out;
}

void SetParamText(char (&field)[100], const QString& text)
{
    const QByteArray b = text.toUtf8();
    const int n = validUtf8Prefix(b.constData(), qMin(b.size(), 99));
    std::memcpy(field, b.constData(), n);
    field[n] = '\0';
}

QString ParamText(const char (&field)[100])
{
    const int n = static_cast<int>(strnlen(field, sizeof field));
    return QString::fromUtf8(field, validUtf8Prefix(field, n));
}

QList<ParamRow> ParamRows(const WizardPara& rec, int language)
{
    WizardPara& p = const_cast<WizardPara&>(rec);   // read only
    QList<ParamRow> rows;
    for (const char* key : kSaveOrder) {
        rows.append({key, joinValues(rowFields(p, key, false, &language))});
        if (QLatin1String(key) == QLatin1String("isPswUsed"))
            rows.append({"password", ParamText(rec.password)});
    }
    rows.append({"CntNet", joinValues(rowFields(p, "CntNet", false, &language))});
    for (const char* key : kTextKeys)
        rows.append({key, ParamText(*textField(p, key))});
    return rows;
}

void ApplyLoadRangeChecks(WizardPara& p, int& language)
{
    for (int c = 0; c < 8; ++c)
        checkRange(p.exposure[c], 0, 10000, 30);
    for (int c = 0; c < 8; ++c)
        checkRange(p.gain[c], 0, 10000, 32);
    for (int c = 0; c < 8; ++c)
        checkRange(p.sharpness[c], 0, 10000, 0);
    for (int c = 0; c < 8; ++c)
        checkRange(p.contrast[c], 1, 10000, 100);
    for (int c = 0; c < 8; ++c)
        checkRange(p.gamma[c], kGammaRange.min, kGammaRange.max, 100);
    checkRange(p.stage_count, 2, 8, 2);
    checkRange(p.io_mode, 0, 5, 0);
    p.io_mode_chosen = p.io_mode;
    checkRange(p.pre_cut, 0, 10000, 0);
    checkRange(p.front_auto_check_time, 0, 10000, 0);
    checkRange(p.minimum_size, 1, 100, 3);
    checkRange(p.minimum_area, kAlarmAreaRange.min, kAlarmAreaRange.max, 100);
    checkRange(p.max_mold_num, kTemplateCountRange.min, kTemplateCountRange.max, 10);
    checkRange(p.ng_max_num, 0, 10000, 0);
    checkRange(p.ok_record_max_num, 0, 10000, 0);
    checkRange(p.thimble_pulse, 0, 10000, 0);
    checkRange(p.mold_pulse, 0, 10000, 0);
    if (p.enable_correct != 0 && p.enable_correct != -1)
        p.enable_correct = -1;
    checkRange(p.shape_angle_limit, 0, 180, 0);
    checkRange(p.auto_cancel_timelen, 0, 10000, 0);
    checkRange(p.difference_multiplier, 0, 4, 0);
    checkRange(p.location_adge, 1, 8000, 8000);
    if (p.location_level != 0)
        checkRange(p.location_level, 10, 9999, 600);
    checkRange(p.capture_speed, 0, 100, 12);
    checkRange(p.input_timeout_len, 0, 100000000, 60);
    checkRange(language, 0, 2, 0);
    checkRange(p.serial_port, 0, 100, 0);
    checkRange(p.min_spot, 1, 100, 3);
    checkRange(p.row_filler, 0, 100000000, 0);
    // The frame-rate index selects one of five rates; anything else takes the default rate.
    checkRange(p.video_fps_index, 0, 4, 3);
}

void ApplyDetectionMethodFix(WizardPara& p)
{
    if (!p.enable_defect_detect && !p.enable_spot_detect && !p.enable_black_area_detect
        && !p.enable_white_area_detect && !p.enable_similarity_detect
        && !p.enable_white_count_detect && p.enable_direction_detect)
        p.enable_defect_detect = 1;
}

bool WizardPara::SaveChkDBItem(QString const& name)
{
    QSqlDatabase db = openConnection(PARAM_DB_CONNECTION);
    if (!db.isOpen())
        return false;
    QString value;
    switch (selectValue(db, name, &value)) {
    case Lookup::Found:
        return true;
    case Lookup::Missing:
        return insertRow(db, name, "0");
    default:
        return false;
    }
}

bool WizardPara::SaveDatatoFile()
{
    QSqlDatabase db = openConnection(PARAM_DB_CONNECTION);
    bool saved = db.isOpen();
    if (saved && !db.transaction()) {
        qCritical().noquote() << "parameter store: cannot begin a transaction:" << db.lastError().text();
        saved = false;
    }
    if (saved) {
        // Every row is made to exist first: an update of a missing row would silently change nothing.
        for (const ParamRow& row : ParamRows(*this, gLan)) {
            if (!SaveChkDBItem(row.key) || !updateRow(db, row.key, row.value)) {
                saved = false;
                break;
            }
        }
        if (saved && !db.commit()) {
            qCritical().noquote() << "parameter store: commit failed:" << db.lastError().text();
            saved = false;
        }
        if (!saved) {
            db.rollback();
            qCritical() << "parameter store: the parameters were not saved";
        }
    }
    if (gpWPara && gpWPara->cnt_net_enabled && gParamStoreHooks.sendParamReport)
        gParamStoreHooks.sendParamReport();
    return saved;
}

bool WizardPara::SaveAddFile()
{
    QFile f("sysadd.txt");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qCritical().noquote() << "parameter store: cannot write sysadd.txt:" << f.errorString();
        return false;
    }
    const QByteArray text = QByteArray::number(param_group) + "\n";
    const bool ok = f.write(text) == text.size() && f.flush();
    if (!ok)
        qCritical().noquote() << "parameter store: writing sysadd.txt failed:" << f.errorString();
    return ok;
}

void WizardPara::LoadDatafromFile()
{
    // 1. Parameter group.
    param_group = 0;
    {
        QFile f("sysadd.txt");
        if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream in(&f);
            in >> param_group;
            if (in.status() != QTextStream::Ok)
                param_group = 0;
        } else if (f.open(QIODevice::WriteOnly | QIODevice::Text)) {
            f.write(QByteArray::number(param_group));
        } else {
            qCritical().noquote() << "parameter store: cannot create sysadd.txt:" << f.errorString();
        }
    }

    // 2.-3. Rows. A row added here because it was missing does not touch the record: an older
    // PARAM.db keeps behaving as it did until the next start.
    int language = gLan;
    QSqlDatabase db = openConnection(PARAM_DB_CONNECTION);
    if (db.isOpen()) {
        const QString zeros20 = QString("0 ").repeated(19) + "0";
        for (const char* k : kLoadOrder) {
            const QString key = QLatin1String(k);
            QString value;
            const Lookup look = selectValue(db, key, &value);
            const bool found = look == Lookup::Found;
            if (TextField text = textField(*this, key)) {
                const QByteArray b = value.toUtf8();
                if (found && b.size() <= 99) {
                    std::memcpy(*text, b.constData(), b.size());
                    (*text)[b.size()] = '\0';
                }
                continue;
            }
            const QVector<int*> fields = rowFields(*this, key, true, &language);
            if (found) {
                const QVector<int> v = ParseParamValues(value, fields.size());
                for (int i = 0; i < fields.size(); ++i)
                    *fields[i] = v[i];
            } else if (look == Lookup::Failed) {
                continue;
            } else if (key == "system7") {
                insertRow(db, key, "0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0");
            } else if (key == "system8" || key == "system9" || key == "system10" || key == "system11") {
                insertRow(db, key, zeros20);
            }
        }
    }

    // 4.-5. Checks.
    ApplyLoadRangeChecks(*this, language);
    gLan = language;
    ApplyDetectionMethodFix(*this);

    // 6. Run mode.
    DeriveRunMode(*this);

    // 7. Display names.
    QFile names("name.txt");
    if (names.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&names);
        in.setCodec("UTF-8");
        for (int i = 0; i < 8; ++i)
            gaName[i] = in.atEnd() ? QString() : in.readLine();
    } else {
        FillDisplayNamesByMode(*this);
    }

    // 8. Camera serials.
    stored_camera_count = 0;
    QSqlDatabase sn = openConnection(SERIAL_DB_CONNECTION);
    if (!sn.isOpen())
        return;
    for (int i = 0; i < 8; ++i) {
        const QString key = QString("serialNB%1").arg(i);
        QString value;
        const Lookup look = selectValue(sn, key, &value);
        if (look == Lookup::Found) {
            const QByteArray b = value.toLatin1();
            if (b.size() >= 9 && b.size() <= 99) {
                ++stored_camera_count;
                std::memcpy(gSerialNB[i], b.constData(), b.size());
                gSerialNB[i][b.size()] = '\0';
            }
        } else if (look == Lookup::Missing) {
            std::strcpy(gSerialNB[i], "0");
            insertRow(sn, key, "0");
        }
    }
}
