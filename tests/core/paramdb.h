#pragma once
// A program directory holding the default PARAM.db and SN.db, opened on the connections the
// parameter store uses, with helpers that read and write rows behind the store's back.
#include <string>

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "common/programdir.h"

class ParamDb {
public:
    ParamDb();
    ~ParamDb();
    ProgramDir dir;
    bool ok = false;

    // Value of `name` in PARAM.db ("dbIn"), or a null string when the row is missing.
    QString row(const QString& name) const;
    void setRow(const QString& name, const QString& value);
    void dropRow(const QString& name);
    QStringList keysInRowOrder() const;
    int rowCount() const;
    // Same on SN.db ("dbT").
    QString serialRow(const QString& name) const;
    void setSerialRow(const QString& name, const QString& value);
    void dropSerialRow(const QString& name);
    void exec(const QString& sql);
};

// Rows as one text per line, for comparisons that print readably.
inline std::string lines(const QStringList& l) { return l.join('\n').toStdString(); }

