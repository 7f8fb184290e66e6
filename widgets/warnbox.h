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
