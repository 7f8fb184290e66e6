#include "core/defaultdatabases.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "core/parameterstore.h"
#include "core/wizardpara.h"

namespace {

QAtomicInt connectionSerial;

// Runs `statements` (each with its bound values) on a new database file `path`.
bool writeDatabase(const QString& path, const QList<QPair<QString, QVariantList>>& statements, QString* error)
{
    const QString tmp = path + ".new";
    QFile::remove(tmp);
    const QString name = QString("defaultdb%1").arg(connectionSerial.fetchAndAddRelaxed(1));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(tmp);
        if (!db.open()) {
            *error = QString("cannot create %1: %2").arg(tmp, db.lastError().text());
        } else {
            ok = db.transaction();
            for (const auto& st : statements) {
                if (!ok)
                    break;
                QSqlQuery q(db);
                q.prepare(st.first);
                for (const QVariant& v : st.second)
                    q.addBindValue(v);
                if (!q.exec()) {
                    *error = QString("%1: %2").arg(st.first, q.lastError().text());
                    ok = false;
                }
            }
            if (ok && !db.commit()) {
                *error = QString("commit of %1 failed: %2").arg(tmp, db.lastError().text());
                ok = false;
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (ok) {
        QFile::remove(path);
        ok = QFile::rename(tmp, path);
        if (!ok)
            *error = QString("cannot rename %1 to %2").arg(tmp, path);
    }
    if (!ok)
        QFile::remove(tmp);
    return ok;
}

} // namespace

WizardPara DefaultParameterRecord()
{
    WizardPara p;
    int language = 0;
    ApplyLoadRangeChecks(p, language);
    // A camera at zero exposure and gain shows nothing; start from the load's own defaults.
    for (int c = 0; c < 8; ++c) {
        p.exposure[c] = 30;
        p.gain[c] = 32;
    }
    p.output_polarity[2] = 1;   // alarm output, as the store inserts system7
    p.enable_defect_detect = 1;
    p.enable_spot_detect = 1;
    // The camera functions page shows all the parameters whenever spot detection is on: stored so,
    // leaving the settings untouched changes nothing.
    p.enable_display_detail = 1;
    p.log_switch = 1;
    return p;
}

namespace {

QList<QPair<QString, QVariantList>> ParamStatements()
{
    QList<QPair<QString, QVariantList>> param;
    param.append({"create table sysparam(name text, value text)", QVariantList()});
    for (const ParamRow& row : ParamRows(DefaultParameterRecord(), 0))
        param.append({"insert into sysparam values(?, ?)", {row.key, row.value}});
    // Region tables of the camera views; their rows are made when regions are saved.
    for (int c = 0; c < 8; ++c) {
        const QString table = QString("cammer%1").arg(c);
        param.append({QString("create table %1(name text, value text)").arg(table), QVariantList()});
        for (int s = 0; s < 8; ++s)
            param.append({QString("insert into %1 values(?, ?)").arg(table),
                          {QString("detect%1").arg(s), QString("0 0 0 0 0 0 0 0 0")}});
    }
    return param;
}

QList<QPair<QString, QVariantList>> SerialStatements()
{
    QList<QPair<QString, QVariantList>> serials;
    serials.append({"create table sysparam(name text, value text)", QVariantList()});
    for (int i = 0; i < 8; ++i)
        serials.append({"insert into sysparam values(?, ?)", {QString("serialNB%1").arg(i), QString("0")}});
    return serials;
}

bool WriteOne(const QString& path, const QList<QPair<QString, QVariantList>>& statements, QString* error)
{
    QString err;
    const bool ok = writeDatabase(path, statements, &err);
    if (!ok && error)
        *error = err;
    return ok;
}

}  // namespace

bool WriteDefaultParamDb(const QString& path, QString* error)
{
    return WriteOne(path, ParamStatements(), error);
}

bool WriteDefaultSerialDb(const QString& path, QString* error)
{
    return WriteOne(path, SerialStatements(), error);
}

bool WriteEmptyRecordDb(const QString& path, QString* error)
{
    return WriteOne(path, {{"CREATE TABLE RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT)", QVariantList()}},
                    error);
}

bool CreateDefaultDatabases(const QString& dir, QString* error)
{
    QString err;
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QString("cannot create directory %1").arg(dir);
        return false;
    }
    const QDir d(dir);
    if (!WriteDefaultParamDb(d.filePath("PARAM.db"), &err) || !WriteDefaultSerialDb(d.filePath("SN.db"), &err)) {
        if (error)
            *error = err;
        return false;
    }
    return true;
}
