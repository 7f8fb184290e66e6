#pragma once
// The frame of the settings screen: grouped tab buttons in a column on the left, a title and an
// exit button on top, the pages stacked on the right.
#include <QPixmap>
#include <QVector>

#include "widgets/bwidget.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;

class BVerticalTabBar : public BWidget {
    Q_OBJECT
public:
    explicit BVerticalTabBar(QWidget* parent = nullptr);

    // Adds one group: names[i] is the caption of tab i, pages[i] its page. Nothing happens unless
    // both have the same, non-zero length.
    void addWidgetGroup(QPixmap& icon, QVector<QString> names, QVector<QWidget*> pages);

    QStackedLayout* pageStack() const { return stack_; }
    const QVector<QPushButton*>& tabButtons() const { return tabBtns_; }
    QLabel* titleLabel() const { return title_; }
    QPushButton* exitButton() const { return exitBtn_; }

signals:
    void Save_changes();
    void recordshow();
    void Memorandum();
    void DeviPara();
    void Exitsetup();

public slots:
    void tabBtnPressed();
    void systemExit();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStackedLayout* stack_;
    QVector<QString> tabNames_;
    QVector<QPushButton*> tabBtns_;
    QVector<QWidget*> pages_;
    int groupCount_ = 0;
    QWidget* tabColumn_;
    QScrollArea* scroll_;
    QLabel* title_;
    QPushButton* exitBtn_;
    QVBoxLayout* columnLayout_;
};
