#pragma once
// The production statistics screen: the list of days, the shift and day figures of detect stage 1
// with two hourly charts, the NG rate and the plan, the temperature tab, clock and cycle time,
// export and return. Reads the store through gpResStatisticsParam; refreshes every second.
#include <QString>
#include <QWidget>
#include <functional>

class ColorButton;
class Edit;
class Histogram;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTimer;
class TemperatureStatisticsWidget;

// What the screen needs of the main window.
struct StatisticsScreenHost {
    QString archiveDir = QStringLiteral("./ResStatistics");
    std::function<int()> cycleTime;  // tenths of a second
    // The board's temperatures of channels 0-7 in degrees; none: all 0.
    std::function<void(float* degrees)> temperatures;
};

class StatisticsWidget : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsWidget(QWidget* parent = nullptr, StatisticsScreenHost host = {});
    ~StatisticsWidget() override;

    void updateList();
    void updateData();
    bool isToday() const;

    QListWidget* dayList() const { return dayList_; }
    Edit* planField() const { return planEdit_; }
    Histogram* morningChart() const { return morningChart_; }
    Histogram* nightChart() const { return nightChart_; }
    TemperatureStatisticsWidget* temperatureView() const { return tempView_; }
    QTabWidget* tabs() const { return tabs_; }

public slots:
    void updateRecord(QListWidgetItem* item);
    void slotPlanChange(QString text);
    void slotTimeout();
    void SlotExportData();
    void slotConfirm();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* countLabel(QWidget* parent, const char* name, bool ok, int pt);
    void showTemperatures();

    StatisticsScreenHost host_;
    QLabel* morningOk_ = nullptr;
    QLabel* morningNg_ = nullptr;
    QLabel* nightOk_ = nullptr;
    QLabel* nightNg_ = nullptr;
    QLabel* dayTotal_ = nullptr;
    QLabel* dayNg_ = nullptr;
    QLabel* ngRate_ = nullptr;
    Edit* planEdit_ = nullptr;
    Histogram* morningChart_ = nullptr;
    Histogram* nightChart_ = nullptr;
    TemperatureStatisticsWidget* tempView_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QListWidget* dayList_ = nullptr;
    QLabel* clock_ = nullptr;
    QLabel* cycle_ = nullptr;
    QTimer* timer_ = nullptr;
};
