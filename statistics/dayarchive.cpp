#include "statistics/dayarchive.h"

#include <cerrno>
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
// of its own.
bool RunOn(const QString& path, const QStringList& statements, const QString& day, QString* error)
{
    const QString name = "statisticsMove-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
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

// Rows of a day kept in memory, set aside as a whole file of their own.
bool WriteAside(const QString& file, const QString& templ, const QString& day, const QStringList& rows,
                QString* error)
{
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

void DayArchive::FinishInterrupted(const QString& file)
{
    const QString fresh = file + ".new";
    if (QFileInfo::exists(file) || QFileInfo(fresh).size() == 0)
        return;
    QString error;
    if (Rename(fresh, file, &error)) {
        SyncDir(QFileInfo(file).absolutePath());
        qWarning("statistics: the day change before the stop is finished: %s put in place", qPrintable(file));
    } else {
        qCritical("statistics: %s", qPrintable(error));
    }
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
    // The rows of days held only in memory go on the disk first. A file taken away is empty
    // rather than missing once a write has reached it (SQLite makes it): no day's file either.
    if (!m.held.isEmpty() && QFileInfo(m.file).size() == 0) {
        if (!m.heldRows.isEmpty() && !WriteAside(m.file, m.templ, m.held, m.heldRows, &m.error))
            return finish(false);
        if (m.heldRows.isEmpty())
            qWarning("statistics: %s of %s is gone; nothing of it to archive", qPrintable(m.file), qPrintable(m.held));
        m.held.clear();
        m.heldRows.clear();
    }
    if (!m.held.isEmpty() && !m.heldRows.isEmpty()) {
        if (!RunOn(m.file, m.heldRows, QString(), &m.error))
            return finish(false);
        m.heldRows.clear();
    }
    for (; m.apartDone < m.apart.size(); ++m.apartDone) {
        const QPair<QString, QStringList>& day = m.apart[m.apartDone];
        if (!WriteAside(m.file, m.templ, day.first, day.second, &m.error))
            return finish(false);
    }
    if (!m.newDay.isEmpty()) {
        // A file not made whole is a day change not done: the closed day stays in the file.
        const QString fresh = m.file + ".new";
        if (!MakeDayFile(fresh, m.templ, m.newDay, m.freshRows, &m.error))
            return finish(false);
        if (!m.held.isEmpty()) {
            if (!Rename(m.file, AsideName(m.file, m.held), &m.error)) {
                QFile::remove(fresh);
                return finish(false);
            }
            m.held.clear();
        }
        if (!Rename(fresh, m.file, &m.error))
            return finish(false);
        SyncDir(QFileInfo(m.file).absolutePath());
    }
    ArchiveWaiting(m.file, m.archiveDir, &m.archived, &m.error);
    return finish(true);
}
