#pragma once
// Production statistics of one statistics day (08:00 to 07:59): OK and NG counts per camera and
// detect stage and per stage as a whole, in 24 hourly slots (slot s counts clock hour (s + 8) mod 24),
// and the planned output. Kept in memory and in "ResStatistics.db"; a new day moves the file into
// the archive directory (dayarchive.h). The file is stamped with the day it holds (statisticsday.h), so a start
// finds a day that closed while the program was stopped (getCurDate() then names that day).
// A plain class with no widgets: the screen is reached through the host.
// GUI thread only; the day change's file work may run elsewhere (DayArchive, on values handed over).
#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QPair>
#include <functional>
#include <memory>

#include "statistics/dayarchive.h"

// Count text of a row: decimal counts joined by single blanks.
QString JoinCounts(const QList<int>& counts);
// Reads the whitespace-separated counts of a row; a token that is not a decimal integer reads as 0,
// and the list is cut or zero-filled to 24 entries.
QList<int> ParseCounts(const QString& text);

// What the store needs of the program around it.
struct ResStatisticsHost {
    std::function<unsigned int()> statisticsDay;  // seconds since 1970 whose local date names the day
    QString archiveDir = QStringLiteral("./ResStatistics");
    std::function<void(const QString&)> warn;     // a warning box
    std::function<void(const QString&)> notice;   // damage told once on screen and recorded
    std::function<bool()> showsToday;             // the statistics screen shows today
    std::function<void()> updateScreen;           // the screen's refresh
    std::function<void(int ms)> pause;            // default: sleep
    // When set, the day change's file work (the fresh file and the renames; the move into the
    // archive and the pause after it too while `archive` is unset) is handed here to run on
    // another thread, behind the commits handed over before it; `done` is to be called on this
    // thread with its outcome. Unset: done here.
    std::function<void(std::function<bool()> work, std::function<void(bool moved)> done)> roll;
    // When set, the archive step (the copy of the closed days into the archive directory, which
    // may sit on a slow disk) is handed here, to run where no count waits behind it; `done` as
    // for roll. Unset: it runs with the move.
    std::function<void(std::function<bool()> work, std::function<void(bool moved)> done)> archive;
    // When set, each group of writes (one verdict's counts) is handed here as one commit of the
    // file's statements, to be run on a writer thread; `drain` waits, bounded, until the handed
    // commits are written and the file is let go (false: not yet). Unset: written here at once.
    std::function<void(const QString& file, const QStringList& statements)> commit;
    std::function<bool()> drain;
};

class ResStatisticsParam {
public:
    static constexpr int kCameras = 8;
    static constexpr int kStages = 8;
    static constexpr int kSlots = 24;
    static const char* const kConnection;  // "dbResStatistics"

    // Writes dir/ResStatistics.db and dir/ResStatisticsNULL.db: the table, 72 count rows of zeros
    // and plan 0 (what a fresh program directory ships with).
    static bool WriteEmptyFiles(const QString& dir, QString* error = nullptr);

    explicit ResStatisticsParam(ResStatisticsHost host);
    ~ResStatisticsParam();
    ResStatisticsParam(const ResStatisticsParam&) = delete;
    ResStatisticsParam& operator=(const ResStatisticsParam&) = delete;

    int createDatabase();
    int createTable();
    int load(int d, int c);
    int loadTotal(int d);
    int loadPlan();
    int save(int d, int c);
    int saveTotal(int d);
    bool savePlan();
    int insert(int d, int c);
    int insertTotal(int d);
    bool insertPlan();

    int add(int slot, bool isOk, int d, int c);
    int addTotal(int slot, bool isOk, int d);
    void reset(int mask, int d, int c);
    void resetTotal(int mask, int d);

    void setFindResAll(int d);
    void setFindRes(int d, int c);
    void setFindRes(const QList<int>& okList, const QList<int>& ngList);
    void clcCount();
    int getCount(int shift, bool isOk) const;
    QList<int> getRes(int shift, bool isOk) const;

    QString getCurDate() const { return curDate; }
    void setPlan(int v) { plan = v; }
    void setPlan() { plan = curPlan; }
    int getPlan() const { return plan; }
    void setCurPlan(int v);

    // Closes the day: newDate starts in memory at once; a fresh file takes it and the closing
    // day's file goes into the archive (dayarchive.h), on the writer when one is handed over.
    // Until a fresh file could be made the closed day's file stays as it was and newDate's counts
    // are kept apart in memory. False when the day change was done here and failed:
    // tryMoveAgain().
    bool nextDay(const QString& newDate);
    // Tries a failed day change or archive move again (nothing while none waits or one runs).
    void tryMoveAgain();
    // The file still holds an earlier day than the one counted (today's counts are in memory).
    bool movePending() const { return pending_; }
    // Closed days wait in the program directory for the archive.
    bool archivePending() const { return waiting_; }
    // For the stop's line: the days whose counts are kept only in memory (with how many), and
    // the unreadable fresh files set aside since the start; empty when none.
    QString leftOut() const;

    // Writes between these two run in one transaction (one verdict's counts); they nest.
    void beginWrites();
    void endWrites();

    // False when there was no usable file at construction: nothing is counted this run.
    bool isLoaded() const { return loaded_; }
    const QList<int>& okOf(int d, int c) const { return ok[c][d]; }
    const QList<int>& ngOf(int d, int c) const { return ng[c][d]; }
    const QList<int>& okTotalOf(int d) const { return okTotal[d]; }
    const QList<int>& ngTotalOf(int d) const { return ngTotal[d]; }

private:
    bool open();
    bool exec(const QString& sql);
    QString closingDay() const;
    static QString DayText(const QDate& day);
    // The statistics day stamped in the file (yyyyMMdd; 0 when none), and stamping it.
    int readStamp();
    bool holdsCounts() const;
    bool writeStamp(const QString& day);
    bool fileUsable();
    bool makeFreshFile(const QString& day);
    // A damaged store is set aside and a fresh one made; the operator is told through notice.
    void setAsideIfDamaged();
    void pause(int ms);
    bool handsOver() const { return host_.commit && !direct_; }
    void handOver();
    // Every row of the lists in memory, as statements that set them in any file.
    QStringList rowsInMemory(bool withPlan) const;
    void startMove();
    void startArchive(bool afterChange);
    void moveDone(bool moved, const DayArchive::Move& m);
    bool warnDue();
    void logMove(bool moved, const DayArchive::Move& m);
    void logArchive(const DayArchive::Move& m);
    void noteSetAside(const QString& name);
    int countsInMemory() const;  // of every stage's totals

    ResStatisticsHost host_;
    bool loaded_ = false;
    int writeDepth_ = 0;
    bool direct_ = true;     // writes go through this thread's connection (start-up, day change)
    QStringList batch_;      // statements of the open group, to be handed over

    QList<int> okTotal[kStages];
    QList<int> ok[kCameras][kStages];
    QList<int> ngTotal[kStages];
    QList<int> ng[kCameras][kStages];
    int curPlan = 0;
    QList<int> shownOk;
    QList<int> shownNg;
    int count[6] = {};
    int plan = 0;
    QString curDate;
    // While a move is pending: the day the file holds, the days closed since (kept apart: their
    // rows), whether the move runs elsewhere now (today's writes are then handed over on the
    // condition that the file holds today), and a plan not written meanwhile.
    bool pending_ = false;
    QString fileDay_;       // empty once the file has moved
    QStringList heldRows_;  // rows the file is to take before it moves (a day closed mid-move)
    QList<QPair<QString, QStringList>> apart_;
    QHash<QString, int> apartCounts_;  // the counts of each day kept apart
    QStringList newSetAside_;          // unreadable fresh files set aside since the start
    bool moveRunning_ = false;
    bool planPending_ = false;
    bool waiting_ = false;      // days set aside wait for the archive
    bool archiveRunning_ = false;
    QElapsedTimer moveWarned_;  // a failing move is logged once a minute
    int failedTries_ = 0;       // of the day change, since its last success
    int failedArchives_ = 0;    // of the archive step, since its last success
    bool leftAtStart_ = false;  // days a stop left wait for the archive
    QString setAsideAs_;        // where the closed day went while the change is not done
    bool freshKept_ = false;    // today's counts are in the fresh file not yet in place
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // a late `done` finds the store gone
};

// The one store, made by the main window at start-up (null when there is none).
extern ResStatisticsParam* gpResStatisticsParam;
