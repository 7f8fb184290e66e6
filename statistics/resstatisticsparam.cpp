#include "statistics/resstatisticsparam.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUuid>
#include <QVariant>
#include <QVector>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/existingdb.h"
#include "core/uitexttable.h"
#include "statistics/statisticsday.h"
#include "vision/controller/damagenotices.h"
#include "vision/controller/databaseguard.h"

ResStatisticsParam* gpResStatisticsParam = nullptr;
const char* const ResStatisticsParam::kConnection = "dbResStatistics";

namespace {
const QString kFile = QStringLiteral("ResStatistics.db");
const QString kTemplate = QStringLiteral("ResStatisticsNULL.db");
constexpr int kRowFileError = 544;
constexpr int kRowNoFile = 552;
constexpr int kRowDamaged = 671;

QString TextRow(int row, int lan)
{
    return gaLanStr[row * LAN_COUNT + lan];
}

QList<int> Zeros()
{
    QList<int> z;
    for (int i = 0; i < ResStatisticsParam::kSlots; ++i)
        z << 0;
    return z;
}

// The indices an argument selects: 0-7 itself, 8 all (when allowed), anything else none.
QVector<int> Selected(int v, bool eightIsAll = true)
{
    QVector<int> out;
    if (v >= 0 && v < 8)
        out << v;
    else if (v == 8 && eightIsAll)
        for (int i = 0; i < 8; ++i)
            out << i;
    return out;
}

bool InRange(int v, int end) { return v >= 0 && v < end; }

QString RowInsert(const QString& name, const QList<int>& okList, const QList<int>& ngList)
{
    return "insert into resstatistics values('" + name + "', '" + JoinCounts(okList) + "', '" + JoinCounts(ngList) + "')";
}

QString RowUpdate(const QString& name, const QList<int>& okList, const QList<int>& ngList)
{
    return "update resstatistics set value1 = '" + JoinCounts(okList) + "', value2 = '" + JoinCounts(ngList) +
           "' where name = '" + name + "'";
}

// Sets a row whether the file has it or not.
QString RowSet(const QString& name, const QList<int>& okList, const QList<int>& ngList)
{
    return "insert or replace into resstatistics values('" + name + "', '" + JoinCounts(okList) + "', '" +
           JoinCounts(ngList) + "')";
}

QString CameraRow(int c, int d) { return QString("C%1_D%2").arg(c).arg(d); }
QString StageRow(int d) { return QString("Detect%1").arg(d); }

const QString kCreateTable = QString::fromLatin1(DayArchive::kCreateTable);

QSqlDatabase Db()
{
    return QSqlDatabase::database(QString::fromLatin1(ResStatisticsParam::kConnection), false);
}
}  // namespace

QString JoinCounts(const QList<int>& counts)
{
    QStringList parts;
    for (int v : counts)
        parts << QString::number(v);
    return parts.join(QLatin1Char(' '));
}

QList<int> ParseCounts(const QString& text)
{
    QList<int> out;
    const QStringList tokens = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& t : tokens) {
        if (out.size() == ResStatisticsParam::kSlots)
            break;
        bool good = false;
        const int v = t.toInt(&good);
        out << (good ? v : 0);
    }
    while (out.size() < ResStatisticsParam::kSlots)
        out << 0;
    return out;
}

ResStatisticsParam::ResStatisticsParam(ResStatisticsHost host) : host_(std::move(host))
{
    // Every list holds 24 entries from the start, so nothing indexes an empty one.
    for (int d = 0; d < kStages; ++d) {
        okTotal[d] = ngTotal[d] = Zeros();
        for (int c = 0; c < kCameras; ++c)
            ok[c][d] = ng[c][d] = Zeros();
    }
    shownOk = shownNg = Zeros();

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(kConnection));
    db.setDatabaseName(kFile);
    noteSetAside(DayArchive::FinishInterrupted(QFileInfo(kFile).absoluteFilePath()));
    // Days set aside before a stop go into the archive with the first check.
    waiting_ = !DayArchive::Waiting(QFileInfo(kFile).absoluteFilePath()).isEmpty();
    leftAtStart_ = waiting_;  // their archive is told as well

    QFileInfo file(kFile);
    // Taken before anything writes to it: a file without a day stamp is dated by its last change.
    const QDateTime changed = file.exists() ? file.lastModified() : QDateTime();
    if (file.exists() && file.size() != 0) {
        setAsideIfDamaged();
        file.refresh();
    }
    if (file.exists() && file.size() != 0) {
        if (!db.open() && host_.warn)
            host_.warn(TextRow(kRowFileError, 1));
        load(8, 8);
        loadTotal(8);
        // The day the file holds, which may have closed while the program was stopped: the
        // controller then archives it under its own date before today's first count.
        const QDate today = QDate::fromString(closingDay(), QStringLiteral("yyyy-MM-dd"));
        const int stamp = readStamp();
        curDate = DayText(StatisticsDay::Held(StatisticsDay::FromStamp(stamp), changed, holdsCounts(), today));
        if (stamp == 0)
            writeStamp(curDate);
        setFindResAll(1);
        clcCount();
        loaded_ = true;
        direct_ = false;
        // From now on a write never makes the file: one moved away is not made again empty.
        db.close();
        NameExistingDb(db, QFileInfo(kFile).absoluteFilePath());
        return;
    }

    qWarning("statistics: %s missing or empty; making it and asking for a restart", qPrintable(kFile));
    if (host_.warn)
        host_.warn(TextRow(kRowNoFile, 0));
    if (QFile::exists(kTemplate)) {
        QFile::remove(kFile);
        QFile::copy(kTemplate, kFile);
    } else {
        createDatabase();
        createTable();
        load(8, 8);
        loadTotal(8);
        Db().close();
        QFile::copy(kFile, kTemplate);
    }
    // A reboot only helps when it will find a usable file: an empty template or a folder that
    // cannot be written would otherwise reboot the machine at every start.
    if (fileUsable()) {
        pause(100);
        runCommand(QStringLiteral("reboot"), {});
    } else {
        qCritical("statistics: no usable %s could be made; running without statistics", qPrintable(kFile));
        if (host_.warn)
            host_.warn(TextRow(kRowFileError, 1));
    }
    for (int d = 0; d < kStages; ++d) {
        okTotal[d] = ngTotal[d] = Zeros();
        for (int c = 0; c < kCameras; ++c)
            ok[c][d] = ng[c][d] = Zeros();
    }
}

void ResStatisticsParam::setAsideIfDamaged()
{
    QString why;
    if (QFileInfo(kFile).isFile()
        && DatabaseGuard::check(kFile, QStringLiteral("resstatistics"), &why) != DatabaseGuard::Health::Damaged)
        return;
    // Opened as it is, every verdict's write would fail unseen: the day starts again in a sound
    // file and the damaged one is kept for whoever can still read it.
    qCritical("statistics: %s damaged (%s); kept aside", qPrintable(kFile), qPrintable(why));
    Db().close();
    const QString aside = DamageNotices::SetAside(kFile);
    // Its journal belongs to it, never to the fresh file.
    for (const char* c : {"-journal", "-wal", "-shm"}) {
        if (QFileInfo::exists(kFile + c) && (aside.isEmpty() || !QFile::rename(kFile + c, aside + c)))
            QFile::remove(kFile + c);
    }
    // The fresh file of a day change stopped before its end takes the damaged file's place.
    if (!aside.isEmpty())
        noteSetAside(DayArchive::FinishInterrupted(QFileInfo(kFile).absoluteFilePath()));
    if (!aside.isEmpty() && !QFileInfo::exists(kFile) && makeFreshFile(closingDay())) {
        // Rows a template without them lacks; a row already there stays as it is.
        insert(8, 8);
        insertTotal(8);
    }
    if (host_.notice)
        host_.notice(TextRow(kRowDamaged, gLan).arg(kFile, aside.isEmpty() ? QStringLiteral("-") : aside));
}

ResStatisticsParam::~ResStatisticsParam()
{
    if (movePending() && freshKept_ && apart_.isEmpty()) {
        qWarning("statistics: the day change to %s is not done before the end; %s.new keeps its counts written so "
                 "far and the next start puts it in place", qPrintable(curDate), qPrintable(kFile));
    } else if (movePending()) {
        QStringList days;
        for (const auto& day : apart_)
            days << day.first;
        days << curDate;
        qCritical("statistics: the counts of %s were kept apart and are not stored: no fresh %s could be made "
                  "before the end", qPrintable(days.join(", ")), qPrintable(kFile));
    }
    const QString conn = QString::fromLatin1(kConnection);
    Db().close();
    QSqlDatabase::removeDatabase(conn);
}

bool ResStatisticsParam::open()
{
    // Writes handed over or kept apart need no connection here (the file may be moving).
    if (movePending() || handsOver())
        return true;
    QSqlDatabase db = Db();
    return db.isOpen() || db.open();
}

bool ResStatisticsParam::exec(const QString& sql)
{
    // The file holds an earlier day: today's rows wait in memory for the fresh file. While the
    // day change runs on the writer they are handed over behind it as well, to be written only
    // into a file of today: a stop before its outcome comes back here keeps them.
    if (movePending()) {
        if (moveRunning_ && handsOver() && sql.startsWith(QLatin1String("update ")) &&
            sql.contains(QLatin1String(" where "))) {
            const int stamp = StatisticsDay::Stamp(QDate::fromString(curDate, QStringLiteral("yyyy-MM-dd")));
            batch_ << sql + QString(" and (select user_version from pragma_user_version) = %1").arg(stamp);
            if (writeDepth_ == 0)
                handOver();
        }
        return true;
    }
    if (handsOver()) {
        batch_ << sql;
        if (writeDepth_ == 0)
            handOver();
        return true;
    }
    QSqlQuery q(Db());
    return q.exec(sql);
}

QString ResStatisticsParam::closingDay() const
{
    return DayText(StatisticsDay::DateOf(host_.statisticsDay ? host_.statisticsDay() : 0));
}

QString ResStatisticsParam::DayText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

bool ResStatisticsParam::holdsCounts() const
{
    auto any = [](const QList<int>& l) { return std::any_of(l.begin(), l.end(), [](int v) { return v != 0; }); };
    for (int d = 0; d < kStages; ++d) {
        if (any(okTotal[d]) || any(ngTotal[d]))
            return true;
        for (int c = 0; c < kCameras; ++c)
            if (any(ok[c][d]) || any(ng[c][d]))
                return true;
    }
    return false;
}

int ResStatisticsParam::readStamp()
{
    if (!open())
        return 0;
    QSqlQuery q(Db());
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : 0;
}

bool ResStatisticsParam::writeStamp(const QString& day)
{
    const int stamp = StatisticsDay::Stamp(QDate::fromString(day, QStringLiteral("yyyy-MM-dd")));
    if (stamp == 0 || !open())
        return false;
    // Always on this thread's connection: the day is stamped at start-up and at the day change.
    QSqlQuery q(Db());
    if (q.exec(QStringLiteral("PRAGMA user_version = %1").arg(stamp)))
        return true;
    qWarning("statistics: %s not stamped with its day %s: %s", qPrintable(kFile), qPrintable(day),
             qPrintable(q.lastError().text()));
    return false;
}

void ResStatisticsParam::pause(int ms)
{
    if (host_.pause)
        host_.pause(ms);
    else
        QThread::msleep(ulong(ms));
}

bool ResStatisticsParam::fileUsable()
{
    if (QFileInfo(kFile).size() == 0)
        return false;
    QSqlDatabase db = Db();
    const bool usable = open() && db.tables().contains(QStringLiteral("resstatistics"));
    db.close();
    return usable;
}

int ResStatisticsParam::createDatabase()
{
    if (!open() && host_.warn)
        host_.warn(TextRow(kRowFileError, 1));
    exec(QStringLiteral("CREATE DATABASE ResStatistics"));
    return 0;
}

int ResStatisticsParam::createTable()
{
    if (!open() && host_.warn)
        host_.warn(TextRow(kRowFileError, 1));
    exec(kCreateTable);
    return 0;
}

int ResStatisticsParam::load(int d, int c)
{
    if (!open())
        return 0;
    beginWrites();
    for (int cc : Selected(c)) {
        for (int dd : Selected(d)) {
            ok[cc][dd].clear();
            ng[cc][dd].clear();
            QSqlQuery q(Db());
            if (q.exec("select value1 ,value2 from resstatistics where name='" + CameraRow(cc, dd) + "'") &&
                q.next()) {
                ok[cc][dd] = ParseCounts(q.value(0).toString());
                ng[cc][dd] = ParseCounts(q.value(1).toString());
            } else {
                ok[cc][dd] = ng[cc][dd] = Zeros();
                insert(dd, cc);
            }
        }
    }
    loadPlan();
    endWrites();
    return 0;
}

int ResStatisticsParam::loadTotal(int d)
{
    if (!open())
        return 0;
    beginWrites();
    for (int dd : Selected(d)) {
        okTotal[dd].clear();
        ngTotal[dd].clear();
        QSqlQuery q(Db());
        if (q.exec("select value1 ,value2 from resstatistics where name='" + StageRow(dd) + "'") && q.next()) {
            okTotal[dd] = ParseCounts(q.value(0).toString());
            ngTotal[dd] = ParseCounts(q.value(1).toString());
        } else {
            okTotal[dd] = ngTotal[dd] = Zeros();
            insertTotal(dd);
        }
    }
    endWrites();
    return 0;
}

int ResStatisticsParam::loadPlan()
{
    if (!open())
        return 0;
    QSqlQuery q(Db());
    if (q.exec(QStringLiteral("select value1 from resstatistics where name = 'plan'")) && q.next()) {
        curPlan = q.value(0).toString().trimmed().toInt();
    } else {
        curPlan = 0;
        plan = curPlan;
        insertPlan();
    }
    return 0;
}

int ResStatisticsParam::save(int d, int c)
{
    if (!open())
        return 0;
    beginWrites();
    for (int cc : Selected(c))
        for (int dd : Selected(d))
            exec(RowUpdate(CameraRow(cc, dd), ok[cc][dd], ng[cc][dd]));
    endWrites();
    return 0;
}

int ResStatisticsParam::saveTotal(int d)
{
    if (!open())
        return 0;
    beginWrites();
    for (int dd : Selected(d))
        exec(RowUpdate(StageRow(dd), okTotal[dd], ngTotal[dd]));
    endWrites();
    return 0;
}

bool ResStatisticsParam::savePlan()
{
    planPending_ = planPending_ || movePending();
    if (!open())
        return false;
    return exec(QString("update resstatistics set value1 = '%1' where name = 'plan'").arg(curPlan));
}

int ResStatisticsParam::insert(int d, int c)
{
    if (!open())
        return 0;
    beginWrites();
    for (int cc : Selected(c))
        for (int dd : Selected(d))
            exec(RowInsert(CameraRow(cc, dd), ok[cc][dd], ng[cc][dd]));
    endWrites();
    return 0;
}

int ResStatisticsParam::insertTotal(int d)
{
    if (!open())
        return 0;
    beginWrites();
    for (int dd : Selected(d))
        exec(RowInsert(StageRow(dd), okTotal[dd], ngTotal[dd]));
    endWrites();
    return 0;
}

bool ResStatisticsParam::insertPlan()
{
    if (!open())
        return false;
    return exec(QString("insert into resstatistics values('plan', '%1', '')").arg(plan));
}

int ResStatisticsParam::add(int slot, bool isOk, int d, int c)
{
    // An unloaded store or an index outside the lists counts nothing.
    if (!loaded_ || !InRange(slot, kSlots) || !InRange(d, kStages) || !InRange(c, kCameras))
        return 0;
    ++(isOk ? ok : ng)[c][d][slot];
    save(d, 8);
    return 1;
}

int ResStatisticsParam::addTotal(int slot, bool isOk, int d)
{
    if (!loaded_ || !InRange(slot, kSlots) || !InRange(d, kStages))
        return 0;
    ++(isOk ? okTotal : ngTotal)[d][slot];
    saveTotal(d);
    if (host_.showsToday && host_.showsToday()) {
        setFindResAll(1);
        clcCount();
        if (host_.updateScreen)
            host_.updateScreen();
    }
    return 1;
}

void ResStatisticsParam::reset(int mask, int d, int c)
{
    for (int cc : Selected(c))
        for (int dd : Selected(d)) {
            if (mask & 1)
                ok[cc][dd] = Zeros();
            if (mask & 2)
                ng[cc][dd] = Zeros();
        }
}

void ResStatisticsParam::resetTotal(int mask, int d)
{
    for (int dd : Selected(d)) {
        if (mask & 1)
            okTotal[dd] = Zeros();
        if (mask & 2)
            ngTotal[dd] = Zeros();
    }
}

void ResStatisticsParam::setFindResAll(int d)
{
    if (!InRange(d, kStages))
        return;
    setFindRes(okTotal[d], ngTotal[d]);
}

void ResStatisticsParam::setFindRes(int d, int c)
{
    if (!InRange(d, kStages) || !InRange(c, kCameras))
        return;
    setFindRes(ok[c][d], ng[c][d]);
}

void ResStatisticsParam::setFindRes(const QList<int>& okList, const QList<int>& ngList)
{
    shownOk = okList;
    shownNg = ngList;
    clcCount();
}

void ResStatisticsParam::clcCount()
{
    for (int& v : count)
        v = 0;
    for (int i = 0; i < shownOk.size(); ++i)
        count[i < 12 ? 0 : 2] += shownOk[i];
    for (int i = 0; i < shownNg.size(); ++i)
        count[i < 12 ? 1 : 3] += shownNg[i];
    count[4] = count[0] + count[2];
    count[5] = count[1] + count[3];
}

int ResStatisticsParam::getCount(int shift, bool isOk) const
{
    if (!InRange(shift, 3))
        return 0;
    return count[shift * 2 + (isOk ? 0 : 1)];
}

QList<int> ResStatisticsParam::getRes(int shift, bool isOk) const
{
    const QList<int>& list = isOk ? shownOk : shownNg;
    switch (shift) {
    case 0: return list.mid(0, 12);
    case 1: return list.mid(12, 12);
    case 2: return list;
    default: return {};
    }
}

void ResStatisticsParam::setCurPlan(int v)
{
    curPlan = v;
    savePlan();
}

void ResStatisticsParam::beginWrites()
{
    if (writeDepth_++ == 0 && !handsOver() && open())
        Db().transaction();
}

void ResStatisticsParam::handOver()
{
    // While the file still holds the closed day, today's writes (made on the condition of today's
    // stamp) belong in the fresh file beside it; the writer takes the file itself once the fresh
    // one has its name.
    const QString file = QFileInfo(kFile).absoluteFilePath();
    if (!batch_.isEmpty())
        host_.commit(movePending() && !fileDay_.isEmpty() ? file + ".new" : file, batch_);
    batch_.clear();
}

void ResStatisticsParam::endWrites()
{
    if (writeDepth_ > 0 && --writeDepth_ == 0) {
        if (handsOver()) {
            handOver();
            return;
        }
        QSqlDatabase db = Db();
        if (db.isOpen())
            db.commit();
    }
}

bool ResStatisticsParam::makeFreshFile(const QString& day)
{
    if (QFileInfo(kTemplate).size() > 0 && QFile::copy(kTemplate, kFile) && fileUsable()) {
        writeStamp(day);
        return true;
    }
    // No usable template: a file with the table; the day's rows follow, the plan starts at 0.
    QFile::remove(kFile);
    createTable();
    exec(QStringLiteral("insert into resstatistics values('plan', '0', '')"));
    writeStamp(day);
    return Db().tables().contains(QStringLiteral("resstatistics"));
}

QStringList ResStatisticsParam::rowsInMemory(bool withPlan) const
{
    QStringList out;
    for (int d = 0; d < kStages; ++d) {
        out << RowSet(StageRow(d), okTotal[d], ngTotal[d]);
        for (int c = 0; c < kCameras; ++c)
            out << RowSet(CameraRow(c, d), ok[c][d], ng[c][d]);
    }
    if (withPlan)
        out << QString("insert or replace into resstatistics values('plan', '%1', '')").arg(curPlan);
    return out;
}

bool ResStatisticsParam::nextDay(const QString& newDate)
{
    if (!loaded_) {
        curDate = newDate;
        return true;
    }
    if (movePending()) {
        // No fresh file yet: the day closing now has only its counts in memory, which go into
        // an archive of their own with the move.
        apart_ << qMakePair(curDate, rowsInMemory(true));
        apartCounts_[curDate] = countsInMemory();
    } else {
        // Step 1: the closing day's last writes go into its file before it moves.
        beginWrites();
        save(8, 8);
        saveTotal(8);
        endWrites();
        fileDay_ = closingDay();
        // Those writes may fail (a full disk) or be left out by the writer: the move writes the
        // day's rows again before the file leaves, as memory is cleared below.
        heldRows_ = rowsInMemory(true);
        pending_ = true;
    }
    curDate = newDate;
    reset(3, 8, 8);
    resetTotal(3, 8);
    tryMoveAgain();
    return moveRunning_ || !movePending();
}

void ResStatisticsParam::tryMoveAgain()
{
    if (!host_.archive) {
        // The archive step runs with the move.
        if ((movePending() || waiting_) && !moveRunning_)
            startMove();
        return;
    }
    if (movePending() && !moveRunning_)
        startMove();
    if (waiting_ && !archiveRunning_)
        startArchive(false);
}

void ResStatisticsParam::startMove()
{
    auto m = std::make_shared<DayArchive::Move>();
    m->file = QFileInfo(kFile).absoluteFilePath();
    m->templ = QFileInfo(kTemplate).absoluteFilePath();
    m->archiveDir = QDir(host_.archiveDir).absolutePath();
    const bool fresh = movePending();
    if (fresh) {
        m->held = fileDay_;
        m->heldRows = heldRows_;
        m->apart = apart_;
        m->newDay = curDate;
        // The fresh file starts with what today counted so far; the template's plan stays unless
        // it was changed meanwhile, and a file made anew starts at 0.
        m->freshRows = rowsInMemory(planPending_);
        m->freshRows << QStringLiteral("insert or ignore into resstatistics values('plan', '0', '')");
        // The archive copy runs apart when it can: no count waits behind it.
        m->archive = !host_.archive;
        Db().close();  // this thread lets go of the file before it moves
    }
    const std::function<void(int)> pauseFor = host_.pause;
    // Runs elsewhere: it reads and writes only the move handed over.
    auto work = [m, pauseFor, fresh] {
        const bool moved = DayArchive::Run(*m);
        if (moved && fresh && m->archive) {
            if (pauseFor)
                pauseFor(300);
            else
                QThread::msleep(300);
        }
        return moved;
    };
    if (!host_.roll) {
        // Written here: the commits handed over go first.
        const bool drained = !fresh || !host_.commit || !host_.drain || host_.drain();
        if (!drained) {
            m->error = QStringLiteral("counts still being written");
            m->waiting = DayArchive::Waiting(m->file).size();
        }
        moveDone(drained && work(), *m);
        return;
    }
    moveRunning_ = true;
    const std::weak_ptr<int> alive = alive_;
    host_.roll(work, [this, alive, m](bool moved) {
        if (!alive.expired())
            moveDone(moved, *m);
    });
}

void ResStatisticsParam::startArchive(bool afterChange)
{
    auto m = std::make_shared<DayArchive::Move>();
    m->file = QFileInfo(kFile).absoluteFilePath();
    m->archiveDir = QDir(host_.archiveDir).absolutePath();
    const std::function<void(int)> pauseFor = host_.pause;
    auto work = [m, pauseFor, afterChange] {
        const bool moved = DayArchive::Run(*m);
        if (afterChange) {
            if (pauseFor)
                pauseFor(300);
            else
                QThread::msleep(300);
        }
        return moved;
    };
    archiveRunning_ = true;
    const std::weak_ptr<int> alive = alive_;
    host_.archive(work, [this, alive, m](bool) {
        if (alive.expired())
            return;
        archiveRunning_ = false;
        logArchive(*m);
        // A day set aside by a change that ended meanwhile goes with the next try.
        waiting_ = !DayArchive::Waiting(m->file).isEmpty();
    });
}

void ResStatisticsParam::moveDone(bool moved, const DayArchive::Move& m)
{
    moveRunning_ = false;
    // What the move did stays done, also when a later step failed. A try of the archive alone
    // knows nothing of a day closed while it ran.
    if (!m.newDay.isEmpty() && m.held.isEmpty()) {
        fileDay_.clear();
        heldRows_.clear();
    }
    if (!m.setAside.isEmpty())
        setAsideAs_ = m.setAside;
    noteSetAside(m.freshSetAside);
    if (!m.newDay.isEmpty())
        freshKept_ = m.freshKept;
    // Only the days handed to this try: a day closed meanwhile waits for the next.
    apart_ = apart_.mid(m.apartDone);
    waiting_ = m.waiting > 0;
    if (m.newDay.isEmpty())
        logArchive(m);
    else
        logMove(moved, m);
    if (!moved)
        return;
    if (m.newDay.isEmpty()) {
        // The archive alone was tried; a day closed meanwhile has its change still to come.
        if (movePending())
            startMove();
        return;
    }
    if (!apart_.isEmpty() && apart_.first().first == m.newDay) {
        // The day changed while the fresh file was made: it holds a day closed since.
        fileDay_ = m.newDay;
        heldRows_ = apart_.takeFirst().second;
        startMove();
        return;
    }
    pending_ = false;
    // Today's counts, kept apart while the file held an earlier day, go into the fresh file.
    beginWrites();
    for (const QString& sql : rowsInMemory(planPending_))
        exec(sql);
    endWrites();
    planPending_ = false;
    if (host_.archive && waiting_ && !archiveRunning_)
        startArchive(true);
}

void ResStatisticsParam::noteSetAside(const QString& name)
{
    if (!name.isEmpty())
        newSetAside_ << QFileInfo(name).fileName();
}

int ResStatisticsParam::countsInMemory() const
{
    int n = 0;
    for (int d = 0; d < kStages; ++d)
        for (int s = 0; s < kSlots; ++s)
            n += okTotal[d].value(s) + ngTotal[d].value(s);
    return n;
}

QString ResStatisticsParam::leftOut() const
{
    QStringList parts;
    // The counts of days kept only in memory end with the process (see the destructor's line).
    if (movePending() && !(freshKept_ && apart_.isEmpty())) {
        QStringList days;
        for (const auto& day : apart_)
            days << QString("%1 (%2 counts)").arg(day.first).arg(apartCounts_.value(day.first));
        days << QString("%1 (%2 counts)").arg(curDate).arg(countsInMemory());
        parts << QString("the counts of %1 kept apart and not stored").arg(days.join(", "));
    }
    if (!newSetAside_.isEmpty())
        parts << QString("an unreadable %1.new set aside as %2").arg(kFile, newSetAside_.join(", "));
    return parts.join(", ");
}

bool ResStatisticsParam::warnDue()
{
    // Tried at every count and day check: once a minute is enough to tell it.
    if (moveWarned_.isValid() && moveWarned_.elapsed() < 60000)
        return false;
    moveWarned_.start();
    return true;
}

void ResStatisticsParam::logMove(bool moved, const DayArchive::Move& m)
{
    if (moved) {
        if (failedTries_ > 0)
            qInfo("statistics: the day change to %s is done after failed tries (%d of them); %s is in place",
                  qPrintable(m.newDay), failedTries_, qPrintable(kFile));
        failedTries_ = 0;
        setAsideAs_.clear();
        if (m.archive)
            logArchive(m);
        else if (failedArchives_ == 0 && !leftAtStart_)
            moveWarned_.invalidate();
        return;
    }
    ++failedTries_;
    if (!warnDue())
        return;
    QString state;
    if (!fileDay_.isEmpty())
        state = QString("%1 still holds %2").arg(kFile, fileDay_);
    else if (!setAsideAs_.isEmpty())
        state = QString("the closed day is set aside as %1").arg(QFileInfo(setAsideAs_).fileName());
    else
        state = QStringLiteral("the closed day is set aside");
    const QString where = m.freshKept ? kFile + ".new" : QStringLiteral("memory");
    qCritical("statistics: the day change to %s is not done: %s; %s and the counts of %s are kept in %s until a "
              "try succeeds", qPrintable(m.newDay), qPrintable(m.error), qPrintable(state), qPrintable(curDate),
              qPrintable(where));
}

void ResStatisticsParam::logArchive(const DayArchive::Move& m)
{
    const QString archived = m.archived.isEmpty() ? QStringLiteral("-") : m.archived.join(", ");
    if (!m.archiveFailed) {
        if (failedArchives_ > 0)
            qInfo("statistics: the day change is done after failed tries (%d of them); archived: %s", failedArchives_,
                  qPrintable(archived));
        else if (leftAtStart_)
            qInfo("statistics: the closed day(s) left in the program folder before the start are archived: %s",
                  qPrintable(archived));
        failedArchives_ = 0;
        leftAtStart_ = false;
        if (failedTries_ == 0)
            moveWarned_.invalidate();
        return;
    }
    ++failedArchives_;
    if (!warnDue())
        return;
    qCritical("statistics: %d closed day(s) not moved into %s: %s; they wait in the program folder until a try "
              "succeeds",
              m.waiting, qPrintable(m.archiveDir), qPrintable(m.error));
}

bool ResStatisticsParam::WriteEmptyFiles(const QString& dir, QString* error)
{
    const QString conn = QStringLiteral("dbResStatisticsMake");
    bool ok = QDir().mkpath(dir);
    for (const QString& name : {kFile, kTemplate}) {
        if (!ok)
            break;
        const QString path = QDir(dir).filePath(name);
        QFile::remove(path);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(path);
            ok = db.open() && db.transaction();
            QSqlQuery q(db);
            QStringList statements{kCreateTable, QStringLiteral("insert into resstatistics values('plan', '0', '')")};
            for (int d = 0; d < kStages; ++d) {
                statements << RowInsert(StageRow(d), Zeros(), Zeros());
                for (int c = 0; c < kCameras; ++c)
                    statements << RowInsert(CameraRow(c, d), Zeros(), Zeros());
            }
            for (const QString& sql : statements)
                ok = ok && q.exec(sql);
            ok = ok && db.commit();
            if (!ok && error)
                *error = QString("%1: %2").arg(path, q.lastError().text() + db.lastError().text());
            db.close();
        }
        QSqlDatabase::removeDatabase(conn);
    }
    return ok;
}
