#pragma once
// The "help" page: the operator manual as full-page pictures, stepped through by buttons.
#include <QPixmap>
#include <QVector>
#include <QWidget>

#include "settings/helppages.h"

class QPushButton;

// The manual page shown (0-based); the region page's help button sets 6.
extern int gHelpC;

class HelpWidget : public QWidget {
    Q_OBJECT
public:
    explicit HelpWidget(QWidget* parent = nullptr);

    int pages() const { return pages_.size(); }
    // The page painted for gHelpC.
    int shownPage() const { return stepper_.shown(gHelpC); }
    QPushButton* button(int k) const { return (k >= 0 && k < 4) ? buttons_[k] : nullptr; }

public slots:
    void SlotLast();
    void SlotNext();
    void SlotAlarm();
    void SlotReturn();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QPixmap> pages_;
    HelpStepper stepper_;
    QPushButton* buttons_[4];
};
