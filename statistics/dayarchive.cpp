#include "statistics/dayarchive.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtDebug>

#include "core/existingdb.h"
#include "core/fileops.h"
#include "statistics/statisticsday.h"

const char* const DayArchive::kCreateTable =
    "CREATE TABLE resstatistics ( 'name' TEXT NOT NULL, 'value1' varchar(255), 'value2' varchar(255), PRIMARY KEY('name') )";

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QString Errno(const QString& what)
{
    return what + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

// A rename is kept over a power cut once its directory is synced.
void SyncDir(const QString& dir)
{
    const int fd = ::open(Native(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        FileOps::instance()->fsync(fd, Native(dir).constData());
        ::close(fd);
    }
}

bool Rename(const QString& from, const QString& to, QString* error)
{
    if (FileOps::instance()->rename(Native(from).constData(), Native(to).constData()) == 0)
        return true;
    *error = Errno(from + " -> " + to);
    return false;
}

// Runs `statements` and stamps `day` (when given) on `path` in one transaction, on a connection
// of its own. `existing`: the file must be there already (it is never made).
bool RunOn(const QString& path, const QStringList& statements, const QString& day, QString* error,
           bool existing = false)
{
    const QString name = "statisticsMove-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (existing)
            NameExistingDb(db, path);
        else
            db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        for (const QString& sql : statements)
            ok = ok && q.exec(sql);
        const int stamp = StatisticsDay::Stamp(QDate::fromString(day, QStringLiteral("yyyy-MM-dd")));
        ok = ok && (stamp == 0 || q.exec(QStringLiteral("PRAGMA user_version = %1").arg(stamp)));
        q.finish();
        ok = ok && db.commit();
        if (!ok) {
            *error = path + ": " + q.lastError().text() + " " + db.lastError().text();
            db.rollback();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A whole file of `day` at `path`: the template's copy, or made anew without one, with `rows`.
// Nothing is left at `path` when it fails.
bool MakeDayFile(const QString& path, const QString& templ, const QString& day, const QStringList& rows,
                 QString* error)
{
    QFile::remove(path);
    if (QFileInfo(templ).size() > 0 && QFile::copy(templ, path) && RunOn(path, rows, day, error))
        return true;
    QFile::remove(path);
    if (RunOn(path, QStringList{QString::fromLatin1(DayArchive::kCreateTable)} + rows, day, error))
        return true;
    QFile::remove(path);
    return false;
}

// A name beside `file` for its day `day`, not taken yet.
QString AsidePrefix(const QString& file)
{
    const QFileInfo f(file);
    return f.absolutePath() + "/" + f.completeBaseName() + "-";
}

QString AsideName(const QString& file, const QString& day)
{
    QString name = AsidePrefix(file) + day + ".db";
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = AsidePrefix(file) + day + QString("_%1.db").arg(n);
    return name;
}

QString DayText(int stamp)
{
    return StatisticsDay::FromStamp(stamp).toString(QStringLiteral("yyyy-MM-dd"));
}

// A fresh file left beside `file` that holds counts of another day than the one it is made for
// now goes with the closed days, never away.
bool SetFreshAside(const QString& file, int stamp, QString* error)
{
    const QString fresh = file + ".new";
    if (!Rename(fresh, AsideName(file, DayText(stamp)), error))
        return false;
    SyncDir(QFileInfo(file).absolutePath());
    qWarning("statistics: %s held the counts of %s; set aside with the closed days", qPrintable(fresh),
             qPrintable(DayText(stamp)));
    return true;
}

// A fresh file SQLite cannot read (damaged, or no database at all) goes under a name of its own
// beside the file, with its journal: what it holds may still be read by hand, and the day change
// goes on. Only the latest few are kept; the oldest going is logged. The name taken, or empty.
QString SetUnreadableAside(const QString& file, QString* error)
{
    const QFileInfo f(file);
    const QString stem = f.fileName() + ".new-unreadable-";
    const QRegularExpression numbered(QRegularExpression::anchoredPattern(QRegularExpression::escape(stem) + R"((\d+))"));
    QList<int> taken;
    for (const QString& name : QDir(f.absolutePath()).entryList({stem + "*"}, QDir::Files)) {
        const QRegularExpressionMatch m = numbered.match(name);
        if (m.hasMatch())
            taken << m.captured(1).toInt();
    }
    std::sort(taken.begin(), taken.end());
    const QString dir = f.absolutePath() + "/";
    const QString to = dir + stem + QString::number(taken.isEmpty() ? 1 : taken.last() + 1);
    const QString fresh = file + ".new";
    if (!Rename(fresh, to, error))
        return QString();
    if (QFileInfo::exists(fresh + "-journal") && !Rename(fresh + "-journal", to + "-journal", error))
        QFile::remove(fresh + "-journal");  // never rolled into the fresh file made next
    SyncDir(f.absolutePath());
    qCritical("statistics: %s cannot be read (damaged or no database); set aside as %s", qPrintable(fresh),
              qPrintable(QFileInfo(to).fileName()));
    taken << taken.value(taken.size() - 1) + 1;
    for (int i = 0; i + DayArchive::kUnreadableKept < taken.size(); ++i) {
        const QString old = dir + stem + QString::number(taken[i]);
        if (QFile::remove(old)) {
            QFile::remove(old + "-journal");
            qWarning("statistics: %s removed: only the latest %d unreadable fresh files are kept", qPrintable(old),
                     DayArchive::kUnreadableKept);
        }
    }
    return to;
}

// Rows of a day kept in memory, set aside as a whole file of their own. The fresh file made for
// that day (it could not take its name before the day closed) holds them already: it goes aside
// with them.
bool WriteAside(const QString& file, const QString& templ, const QString& day, const QStringList& rows,
                QString* error)
{
    const QString fresh = file + ".new";
    const int stamp = StatisticsDay::Stamp(QDate::fromString(day, QStringLiteral("yyyy-MM-dd")));
    if (stamp != 0 && DayArchive::StampOf(fresh) == stamp)
        return RunOn(fresh, rows, QString(), error, true) && SetFreshAside(file, stamp, error);
    const QString to = AsideName(file, day);
    const QString part = to + ".part";
    if (!MakeDayFile(part, templ, day, rows, error))
        return false;
    if (!Rename(part, to, error)) {
        QFile::remove(part);
        return false;
    }
    SyncDir(QFileInfo(file).absolutePath());
    return true;
}

bool SameBytes(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    return fa.readAll() == fb.readAll();
}

// Copies `from` to `to` (a new file) and syncs it; removes `to` when it fails.
bool CopyWhole(const QString& from, const QString& to, QString* error)
{
    const int in = ::open(Native(from).constData(), O_RDONLY);
    if (in < 0) {
        *error = Errno(from);
        return false;
    }
    const int out = ::open(Native(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        *error = Errno(to);
        ::close(in);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            ok = errno == EINTR;
            if (!ok) {
                *error = Errno(from);
                break;
            }
            continue;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buf + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                *error = Errno(to);
                ok = false;
            } else {
                done += w;
            }
        }
        if (!ok)
            break;
    }
    if (ok && FileOps::instance()->fsync(out, Native(to).constData()) != 0) {
        *error = Errno(to);
        ok = false;
    }
    if (::close(out) != 0 && ok) {
        *error = Errno(to);
        ok = false;
    }
    ::close(in);
    if (!ok)
        ::unlink(Native(to).constData());
    return ok;
}

// The archive directory, made when missing. Checked here first: Qt warns at each failing call
// when something else stands where it belongs, and the failure is logged once a minute already.
bool ArchiveDirReady(const QString& dir, QString* error)
{
    const QFileInfo info(dir);
    if (info.isDir())
        return true;
    if (info.exists() || info.isSymLink()) {
        *error = dir + ": not a folder";
        return false;
    }
    if (QDir().mkpath(dir))
        return true;
    *error = dir + ": cannot be made";
    return false;
}

// Empty archives of `day`: leftovers of copies that failed before their contents were written.
void RemoveEmptyArchives(const QString& dir, const QString& day)
{
    const QFileInfoList files = QDir(dir).entryInfoList({day + ".db", day + "_*.db"}, QDir::Files);
    for (const QFileInfo& f : files)
        if (f.size() == 0)
            QFile::remove(f.absoluteFilePath());
}

bool ArchiveOne(const QString& aside, const QString& day, const QString& dir, QString* archived, QString* error)
{
    RemoveEmptyArchives(dir, day);
    // Archived already by a try that stopped before the set-aside file was removed.
    const QFileInfoList same = QDir(dir).entryInfoList({day + ".db", day + "_*.db"}, QDir::Files);
    for (const QFileInfo& f : same) {
        if (SameBytes(aside, f.absoluteFilePath())) {
            QFile::remove(aside);
            *archived = f.absoluteFilePath();
            return true;
        }
    }
    const QString target = DayArchive::ArchiveTarget(dir, day);
    if (FileOps::instance()->rename(Native(aside).constData(), Native(target).constData()) == 0) {
        SyncDir(dir);
        SyncDir(QFileInfo(aside).absolutePath());
        *archived = target;
        return true;
    }
    if (errno != EXDEV) {
        *error = Errno(aside + " -> " + target);
        return false;
    }
    // Another file system: whole under a temporary name first, so a full one keeps no part of it.
    const QString part = target + ".part";
    if (!CopyWhole(aside, part, error))
        return false;
    if (!Rename(part, target, error)) {
        QFile::remove(part);
        return false;
    }
    SyncDir(dir);
    QFile::remove(aside);
    SyncDir(QFileInfo(aside).absolutePath());
    *archived = target;
    return true;
}

}  // namespace

QString DayArchive::ArchiveTarget(const QString& dir, const QString& day)
{
    QString target = QString("%1/%2.db").arg(dir, day);
    for (int n = 2; QFileInfo(target).exists() && QFileInfo(target).size() > 0; ++n)
        target = QString("%1/%2_%3.db").arg(dir, day).arg(n);
    return target;
}

QStringList DayArchive::Waiting(const QString& file)
{
    const QFileInfo f(file);
    QStringList out;
    const QStringList names =
        QDir(f.absolutePath()).entryList({f.completeBaseName() + "-*.db"}, QDir::Files, QDir::Name);
    // Only the names given here: another file of a like name is none of this.
    const QRegularExpression set(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(f.completeBaseName()) + R"(-\d{4}-\d\d-\d\d(_\d+)?\.db)"));
    for (const QString& name : names)
        if (set.match(name).hasMatch())
            out << f.absolutePath() + "/" + name;
    return out;
}

bool DayArchive::Unreadable(const QString& path)
{
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        return false;
    const QString name = "statisticsRead-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool unreadable = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        NameExistingDb(db, path);
        if (db.open()) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("select count(*) from sqlite_master"))) {
                const int code = q.lastError().nativeErrorCode().toInt() & 0xff;
                unreadable = code == 11 || code == 26;  // SQLITE_CORRUPT, SQLITE_NOTADB
            }
            q.finish();
        } else {
            const int code = db.lastError().nativeErrorCode().toInt() & 0xff;
            unreadable = code == 11 || code == 26;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return unreadable;
}

int DayArchive::StampOf(const QString& path)
{
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        return 0;
    const QString name = "statisticsStamp-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int stamp = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        NameExistingDb(db, path);
        stamp = -1;
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from sqlite_master where name = 'resstatistics'")) && q.next())
                stamp = q.value(0).toInt() == 0 ? 0
                        : q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt()
                                                                                     : -1;
            q.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return stamp;
}

namespace {

// `fresh` takes the place of `file`, which is not there: renamed, or else copied whole.
bool PutInPlace(const QString& fresh, const QString& file, QString* error)
{
    // The journal of a file that left belongs to no other: SQLite would roll the fresh file back
    // with it.
    for (const char* c : {"-journal", "-wal", "-shm"})
        QFile::remove(file + c);
    if (Rename(fresh, file, error)) {
        SyncDir(QFileInfo(file).absolutePath());
        return true;
    }
    QString why;
    if (!CopyWhole(fresh, file, &why)) {
        *error += "; " + why;
        return false;
    }
    SyncDir(QFileInfo(file).absolutePath());
    QFile::remove(fresh);
    return true;
}

}  // namespace

QString DayArchive::FinishInterrupted(const QString& file)
{
    const QString fresh = file + ".new";
    if (!QFileInfo::exists(fresh))
        return QString();
    const int freshDay = StampOf(fresh);
    if (freshDay < 0) {
        QString error;
        if (Unreadable(fresh)) {
            const QString aside = SetUnreadableAside(file, &error);
            if (!aside.isEmpty())
                return aside;
            qCritical("statistics: %s cannot be read and not set aside: %s", qPrintable(fresh), qPrintable(error));
            return QString();
        }
        qCritical("statistics: %s cannot be read; kept as it is", qPrintable(fresh));
        return QString();
    }
    if (freshDay == 0) {
        // Stopped while it was made: it holds no day yet (rows and stamp go in one transaction).
        QFile::remove(fresh);
        QFile::remove(fresh + "-journal");
        return QString();
    }
    QString error;
    const QFileInfo info(file);
    if (info.exists() && info.size() > 0) {
        const int fileDay = StampOf(file);
        if (fileDay < 0) {
            // Damaged or held by another: the start's check of the file decides first.
            qWarning("statistics: %s cannot be read; %s waits beside it", qPrintable(file), qPrintable(fresh));
            return QString();
        }
        if (fileDay == 0 || fileDay >= freshDay) {
            // The file holds a later day (the fresh one is a leftover), or which of the two holds
            // the day cannot be told: the fresh one goes with the closed days, so its counts reach
            // the archive.
            if (!SetFreshAside(file, freshDay, &error))
                qCritical("statistics: %s", qPrintable(error));
            return QString();
        }
        // Stopped before the closed day was set aside: it is now.
        const QString aside = AsideName(file, DayText(fileDay));
        if (!Rename(file, aside, &error)) {
            qCritical("statistics: the day change to %s stopped before its end cannot be finished: %s; tried again "
                      "at the next start", qPrintable(DayText(freshDay)), qPrintable(error));
            return QString();
        }
        SyncDir(info.absolutePath());
    } else if (info.exists()) {
        // Empty: what a write made after the file had been set aside (earlier versions).
        QFile::remove(file);
    }
    if (PutInPlace(fresh, file, &error))
        qWarning("statistics: the day change to %s stopped before its end is finished: %s put in place",
                 qPrintable(DayText(freshDay)), qPrintable(fresh));
    else
        qCritical("statistics: the day change to %s stopped before its end cannot be finished: %s; %s keeps its "
                  "counts", qPrintable(DayText(freshDay)), qPrintable(error), qPrintable(fresh));
    return QString();
}

bool DayArchive::ArchiveWaiting(const QString& file, const QString& archiveDir, QStringList* archived,
                                QString* error)
{
    const QStringList waiting = Waiting(file);
    if (waiting.isEmpty())
        return true;
    if (!ArchiveDirReady(archiveDir, error))
        return false;
    const int dayAt = AsidePrefix(file).size();
    for (const QString& aside : waiting) {
        QString target;
        if (!ArchiveOne(aside, aside.mid(dayAt, 10), archiveDir, &target, error))
            return false;
        *archived << target;
    }
    return true;
}

bool DayArchive::Run(Move& m)
{
    const auto finish = [&m](bool done) {
        m.waiting = Waiting(m.file).size();
        return done;
    };
    // The rows of days held only in memory go on the disk first. A file taken away (missing, or
    // empty as an earlier version's write left it) has no day's file either.
    if (!m.held.isEmpty() && QFileInfo(m.file).size() == 0) {
        if (!m.heldRows.isEmpty() && !WriteAside(m.file, m.templ, m.held, m.heldRows, &m.error))
            return finish(false);
        if (m.heldRows.isEmpty())
            qWarning("statistics: %s of %s is gone; nothing of it to archive", qPrintable(m.file), qPrintable(m.held));
        m.held.clear();
        m.heldRows.clear();
    }
    if (!m.held.isEmpty() && !m.heldRows.isEmpty()) {
        if (!RunOn(m.file, m.heldRows, QString(), &m.error, true))
            return finish(false);
        m.heldRows.clear();
    }
    for (; m.apartDone < m.apart.size(); ++m.apartDone) {
        const QPair<QString, QStringList>& day = m.apart[m.apartDone];
        if (!WriteAside(m.file, m.templ, day.first, day.second, &m.error))
            return finish(false);
    }
    if (!m.newDay.isEmpty()) {
        const QString fresh = m.file + ".new";
        const int want = StatisticsDay::Stamp(QDate::fromString(m.newDay, QStringLiteral("yyyy-MM-dd")));
        int has = StampOf(fresh);
        if (has < 0 && Unreadable(fresh)) {
            m.freshSetAside = SetUnreadableAside(m.file, &m.error);
            if (m.freshSetAside.isEmpty())
                return finish(false);
            has = 0;
        }
        if (has < 0) {
            // What it holds cannot be told: it is neither written over nor removed.
            m.error = fresh + ": cannot be read";
            return finish(false);
        }
        m.freshKept = has != 0 && has == want;
        if (m.freshKept) {
            // Made by an earlier try: it holds the counts handed to it since; today's rows from
            // memory carry them all.
            if (!RunOn(fresh, m.freshRows, QString(), &m.error, true))
                return finish(false);
        } else {
            if (has != 0 && !SetFreshAside(m.file, has, &m.error))
                return finish(false);
            // A file not made whole is a day change not done: the closed day stays in the file.
            if (!MakeDayFile(fresh, m.templ, m.newDay, m.freshRows, &m.error))
                return finish(false);
        }
        // From here on today's counts are on the disk in the fresh file until it takes its name.
        m.freshKept = true;
        if (!m.held.isEmpty()) {
            const QString aside = AsideName(m.file, m.held);
            if (!Rename(m.file, aside, &m.error))
                return finish(false);
            SyncDir(QFileInfo(m.file).absolutePath());
            m.setAside = aside;
            m.held.clear();
        }
        if (!Rename(fresh, m.file, &m.error))
            return finish(false);
        m.freshKept = false;
        SyncDir(QFileInfo(m.file).absolutePath());
    }
    if (m.archive && !ArchiveWaiting(m.file, m.archiveDir, &m.archived, &m.error))
        m.archiveFailed = true;
    return finish(true);
}
