#include "statistics/statisticswidget.h"

#include <QDateTime>
#include <QDir>
#include <QFontInfo>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariant>
#include <QtDebug>

#include "core/commandrunner.h"
#include "core/findau.h"
#include "core/globals.h"
#include "core/syspath.h"
#include "core/uitexttable.h"
#include "statistics/histogram.h"
#include "statistics/resstatisticsparam.h"
#include "statistics/statisticsfigures.h"
#include "statistics/temperaturealarm.h"
#include "statistics/temperaturestatisticswidget.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/showbox.h"

namespace {
const char* const kListConnection = "dbListRes";
const char* const kGreen = "color:#00FF00;";
const char* const kRed = "color:#FF0000;";
// The tab (1738 px, its frame) less the page's margins (30 + 30), the shift column (150) and the
// grid's spacing.
constexpr int kChartWidth = 1738 - 4 - 60 - 150 - 4;

QString Row(int row)
{
    return gaLanStr[row * LAN_COUNT + gLan];
}

QFont Font(int pt)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPointSize(pt);
    return f;
}

const char* const kCaptionProperty = "statisticsCaptionStyle";

QLabel* Caption(const QString& text, QWidget* parent, int pt, int w, int h, const char* style = nullptr)
{
    auto* l = new QLabel(text, parent);
    l->setFont(Font(pt));
    l->setFixedSize(w, h);
    if (style)
        l->setStyleSheet(QString::fromLatin1(style));
    // Marks the captions that shrink to their label; keeps the label's own style for that.
    l->setProperty(kCaptionProperty, QString::fromLatin1(style ? style : ""));
    return l;
}

// A caption longer than its label (English titles at their size) is drawn smaller, never cut; one
// that fits keeps the size the screen gives it. Runs after polishing: the application's style sheet
// may have set the size.
void FitCaption(QLabel* l)
{
    l->ensurePolished();
    const int px = FittingPixelSize(l->font(), l->text(), l->contentsRect().width());
    if (px == QFontInfo(l->font()).pixelSize())
        return;
    l->setStyleSheet(l->property(kCaptionProperty).toString() + QStringLiteral("font-size:%1px;").arg(px));
}

// Writes the file and reads it back: only a file that holds what was written counts as exported.
bool WriteChecked(const QString& path, const QByteArray& data)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(data) != data.size() || !out.flush())
        return false;
    out.close();
    QFile back(path);
    return back.open(QIODevice::ReadOnly) && back.readAll() == data;
}
}  // namespace

StatisticsWidget::StatisticsWidget(QWidget* parent, StatisticsScreenHost host) : QWidget(parent), host_(std::move(host))
{
    // Centred on the display area, but never pushed off the screen: the camera display area is
    // smaller than the screen, and a centred 1920 x 1080 screen would lose its left and top edges.
    setGeometry(qMax(0, gShowW / 2 - 960), qMax(0, gShowH / 2 - 540), 1920, 1080);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(180, 180, 180));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* page = new QWidget;
    page->setPalette(pal);
    page->setAutoFillBackground(true);

    auto shiftGroup = [&](int titleRow, QLabel** okLabel, QLabel** ngLabel, const char* name) {
        auto* box = new QVBoxLayout;
        box->setSpacing(10);
        box->addWidget(Caption(Row(titleRow), page, 35, 150, 50), 132);
        box->addWidget(Caption(Row(542), page, 20, 120, 40), 2);
        *okLabel = countLabel(page, QByteArray(name).append("Ok").constData(), true, 20);
        box->addWidget(*okLabel, 2);
        box->addWidget(Caption(Row(543), page, 20, 120, 40), 2);
        *ngLabel = countLabel(page, QByteArray(name).append("Ng").constData(), false, 20);
        box->addWidget(*ngLabel, 2);
        return box;
    };
    QVBoxLayout* morning = shiftGroup(545, &morningOk_, &morningNg_, "morning");
    QVBoxLayout* night = shiftGroup(546, &nightOk_, &nightNg_, "night");
    // The charts take what the tab leaves beside the shift column (1600 px ran about 70 px past the
    // tab's right edge).
    morningChart_ = new Histogram(page, {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    morningChart_->setFixedSize(kChartWidth, 420);
    nightChart_ = new Histogram(page, {20, 21, 22, 23, 0, 1, 2, 3, 4, 5, 6, 7});
    nightChart_->setFixedSize(kChartWidth, 420);

    auto* day = new QVBoxLayout;
    day->setSpacing(10);
    day->addWidget(Caption(Row(550), page, 25, 150, 50, kGreen), 132);
    planEdit_ = new Edit(1, page, 1);
    planEdit_->setFont(Font(25));
    planEdit_->setFixedSize(130, 40);
    planEdit_->setAlignment(Qt::AlignCenter);
    planEdit_->setRange(0, 9999999);
    day->addWidget(planEdit_, 132);
    day->addWidget(Caption(Row(547), page, 25, 150, 50, kGreen), 132);
    dayTotal_ = countLabel(page, "dayTotal", true, 20);
    dayNg_ = countLabel(page, "dayNg", false, 20);
    ngRate_ = countLabel(page, "ngRate", false, 20);
    day->addWidget(dayTotal_, 132);
    day->addWidget(dayNg_, 132);
    day->addWidget(ngRate_, 132);
    auto* exportButton = new ColorButton(Row(326), page, 3);
    exportButton->setFixedSize(120, 50);
    day->addWidget(exportButton, 132);

    auto* pageGrid = new QGridLayout(page);
    pageGrid->setContentsMargins(30, 10, 30, 10);
    pageGrid->setSpacing(1);
    pageGrid->setRowStretch(17, 1);
    pageGrid->addLayout(morning, 0, 0, 5, 1, Qt::AlignTop);
    pageGrid->addLayout(night, 5, 0, 5, 1, Qt::AlignTop);
    pageGrid->addLayout(day, 10, 0, 6, 1, Qt::AlignTop | Qt::AlignLeft);
    pageGrid->addWidget(morningChart_, 0, 1, 8, 9);
    pageGrid->addWidget(nightChart_, 8, 1, 8, 9);

    tempView_ = new TemperatureStatisticsWidget;
    showTemperatures();

    tabs_ = new QTabWidget(this);
    tabs_->setFixedSize(1738, 950);
    // A caption wider than the tab widens it (the Chinese ones fit 150 px); the bar's own font is the
    // tabs' size, so a tab is as wide as the caption it draws.
    tabs_->setStyleSheet(
        QStringLiteral("QTabBar{font-size: 25px;} QTabBar::tab{min-width: 150px; height: 50px; font-size: 25px;}"));
    tabs_->addTab(page, Row(549));
    tabs_->addTab(tempView_, QStringLiteral("温度"));

    dayList_ = new QListWidget(this);
    dayList_->setFont(Font(20));
    dayList_->setFixedHeight(950);

    clock_ = new QLabel(this);
    cycle_ = new QLabel(this);
    clock_->setObjectName(QStringLiteral("clock"));
    cycle_->setObjectName(QStringLiteral("cycle"));
    for (QLabel* l : {clock_, cycle_}) {
        l->setFont(Font(30));
        l->setFixedHeight(50);
        l->setAlignment(Qt::AlignCenter);
    }
    auto* back = new ColorButton(Row(58), this, 3);
    back->setFixedSize(300, 50);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->addWidget(dayList_, 0, 0, 17, 1, Qt::AlignTop);
    grid->addWidget(tabs_, 0, 1, 17, 10, Qt::AlignTop);
    grid->addWidget(clock_, 17, 0, 1, 3, Qt::AlignCenter);
    grid->addWidget(cycle_, 17, 3, 1, 3, Qt::AlignCenter);
    grid->addWidget(back, 17, 6, 1, 5, Qt::AlignCenter);

    connect(planEdit_, &QLineEdit::textChanged, this, &StatisticsWidget::slotPlanChange);
    connect(exportButton, &QPushButton::clicked, this, &StatisticsWidget::SlotExportData);
    connect(dayList_, &QListWidget::itemClicked, this, &StatisticsWidget::updateRecord);
    connect(back, &QPushButton::clicked, this, &StatisticsWidget::slotConfirm);

    if (!QSqlDatabase::contains(QString::fromLatin1(kListConnection)))
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(kListConnection));
    updateData();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &StatisticsWidget::slotTimeout);
    timer_->start(1000);
}

StatisticsWidget::~StatisticsWidget() = default;

QLabel* StatisticsWidget::countLabel(QWidget* parent, const char* name, bool ok, int pt)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(Font(pt));
    l->setFixedSize(120, 40);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setStyleSheet(QString::fromLatin1(ok ? kGreen : kRed));
    return l;
}

bool StatisticsWidget::isToday() const
{
    return dayList_->currentRow() == 0;
}

void StatisticsWidget::showEvent(QShowEvent* event)
{
    raise();
    for (QLabel* l : findChildren<QLabel*>())
        if (l->property(kCaptionProperty).isValid())
            FitCaption(l);
    updateList();
    QWidget::showEvent(event);
}

void StatisticsWidget::updateList()
{
    dayList_->clear();
    const QString today = gpResStatisticsParam ? gpResStatisticsParam->getCurDate() : QString();
    dayList_->addItems(ArchiveDays(host_.archiveDir, today));
    dayList_->setCurrentRow(0);
    updateRecord(dayList_->item(0));
}

void StatisticsWidget::updateRecord(QListWidgetItem* item)
{
    ResStatisticsParam* store = gpResStatisticsParam;
    if (!store)
        return;
    if (dayList_->currentRow() == 0) {
        planEdit_->setEnabled(true);
        store->setFindResAll(1);
        store->setPlan();
        updateData();
        return;
    }
    planEdit_->setEnabled(false);
    const QString day = item ? item->text() : dayList_->currentItem()->text();
    QSqlDatabase db = QSqlDatabase::database(QString::fromLatin1(kListConnection), false);
    db.close();
    db.setDatabaseName(QString("%1//%2.db").arg(QDir(host_.archiveDir).absolutePath(), day));
    if (!db.open())
        return;
    QList<int> ok = ParseCounts(QString()), ng = ok;
    {
        QSqlQuery q(db);
        if (q.exec(QString("select value1 ,value2 from resstatistics where name='Detect%1'").arg(1)) && q.next()) {
            ok = ParseCounts(q.value(0).toString());
            ng = ParseCounts(q.value(1).toString());
        }
        store->setFindRes(ok, ng);
        int plan = 0;
        if (q.exec(QStringLiteral("select value1 from resstatistics where name='plan'")) && q.next())
            plan = q.value(0).toString().trimmed().toInt();
        store->setPlan(plan);
    }
    updateData();
}

void StatisticsWidget::updateData()
{
    ResStatisticsParam* store = gpResStatisticsParam;
    auto count = [store](int shift, bool ok) { return store ? store->getCount(shift, ok) : 0; };
    morningOk_->setText(QString::number(count(0, true)));
    morningNg_->setText(QString::number(count(0, false)));
    nightOk_->setText(QString::number(count(1, true)));
    nightNg_->setText(QString::number(count(1, false)));
    const int ng = count(2, false);
    const int total = count(2, true) + ng;
    dayTotal_->setText(QString::number(total));
    dayNg_->setText(QString::number(ng));
    ngRate_->setText(NgRateText(ng, total));
    if (store) {
        morningChart_->modifyDataAxisY(store->getRes(0, true), store->getRes(0, false));
        nightChart_->modifyDataAxisY(store->getRes(1, true), store->getRes(1, false));
    }
    clock_->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    cycle_->setText(CycleText(host_.cycleTime ? host_.cycleTime() : 0));
    const QString plan = QString::number(store ? store->getPlan() : 0);
    if (planEdit_->text() != plan)
        planEdit_->setText(plan);
    showTemperatures();
    gisTempAlarm = tempView_->judgeTemperature() ? 1 : 0;
    update();
}

void StatisticsWidget::showTemperatures()
{
    float degrees[8] = {};
    if (host_.temperatures)
        host_.temperatures(degrees);
    tempView_->updateTemp(degrees);
}

void StatisticsWidget::slotPlanChange(QString text)
{
    if (!isToday() || !gpResStatisticsParam)
        return;
    const int v = text.toInt();
    gpResStatisticsParam->setCurPlan(v);
    gpResStatisticsParam->setPlan(v);
}

void StatisticsWidget::slotTimeout()
{
    updateData();
}

void StatisticsWidget::SlotExportData()
{
    if (!showChooseBox(Row(324)))
        return;
    ShownDay shown;
    shown.day = dayList_->currentItem() ? dayList_->currentItem()->text() : QString();
    if (ResStatisticsParam* store = gpResStatisticsParam) {
        shown.ok = store->getRes(2, true);
        shown.ng = store->getRes(2, false);
        for (int i = 0; i < 6; ++i)
            shown.count[i] = store->getCount(i / 2, i % 2 == 0);
        shown.plan = store->getPlan();
    }
    const QByteArray table = ExportTable(shown);
    // Success only once the file on the stick reads back whole; otherwise ask again.
    for (;;) {
        if (!FindAU().isEmpty()) {
            const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
            const QString path = sysPath(QStringLiteral("/mnt/%1.xls").arg(stamp));
            if (WriteChecked(path, table))
                break;
            qWarning("statistics export: %s could not be written", qPrintable(path));
        }
        if (!showChooseBox(Row(320)))
            return;
    }
    QThread::msleep(300);
    runCommand(QStringLiteral("umount"), {QStringLiteral("/mnt")});
    showWarnBox(Row(147));
}

void StatisticsWidget::slotConfirm()
{
    hide();
}
