#pragma once
// A message with one Confirm button. Shown while the screen is dark, it switches the backlight on
// and re-arms the screen-off timer.
#include <QDialog>

class QLabel;
class QPushButton;

class WarnBox : public QDialog {
public:
    WarnBox(QString title, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // Shows the box without waiting for it. Every box stands in the same place: over a box that
    // waits for an answer it would hide that box's buttons and, that box being modal, take no
    // touch of its own; it is then modal too (on top, answered first), else not modal.
    void showReachable();
    // Makes the title a row of the text table, read in the language in force at every show.
    void setTitleRow(int row) { titleRow_ = row; }
    QPushButton* confirmButton() const { return confirm_; }
    QLabel* titleLabel() const { return title_; }

protected:
    void paintEvent(QPaintEvent*) override {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override { QDialog::hideEvent(event); }

private:
    QPushButton* confirm_;
    QLabel* message_;
    QLabel* title_;
    int titleRow_ = -1;
};
