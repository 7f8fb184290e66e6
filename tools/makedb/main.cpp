// makedb DIR...: writes the default PARAM.db and SN.db into each DIR (created when missing), and
// the empty statistics files ResStatistics.db and ResStatisticsNULL.db into the first DIR, the
// program directory (a parameter group must not carry them: restoring it would wipe the day).
#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "core/defaultdatabases.h"
#include "statistics/resstatisticsparam.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList dirs = app.arguments().mid(1);
    if (dirs.isEmpty()) {
        std::fprintf(stderr, "usage: makedb DIR...\n");
        return 2;
    }
    for (const QString& dir : dirs) {
        QString error;
        if (!CreateDefaultDatabases(dir, &error) ||
            (dir == dirs.first() && !ResStatisticsParam::WriteEmptyFiles(dir, &error))) {
            std::fprintf(stderr, "makedb: %s\n", qPrintable(error));
            return 1;
        }
    }
    return 0;
}
