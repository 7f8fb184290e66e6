#pragma once
// The databases of a program directory with reporting switched on, in the current directory.
#include <QSqlDatabase>
#include <QSqlQuery>

#include "core/defaultdatabases.h"

inline void CreateReportingDatabases()
{
    CreateDefaultDatabases(".");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench");
        db.setDatabaseName("PARAM.db");
        db.open();
        QSqlQuery(db).exec("UPDATE sysparam SET value = '1 0 0 0 0 0 0 0' WHERE name = 'CntNet'");
        db.close();
    }
    QSqlDatabase::removeDatabase("bench");
}
