#pragma once
// Password entry that sets the access level: the maintenance code gives level 2, the stored
// password level 1, anything else level 0 and keeps the box open.
#include <QDialog>

class QLabel;
class QPushButton;
class BLineEdit;

class PasswordBox : public QDialog {
    Q_OBJECT
public:
    PasswordBox(QString title, QWidget* parent = nullptr);

    int state() const { return state_; }
    BLineEdit* passwordField() const { return password_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* cancelButton() const { return cancel_; }
    void setTitleRow(int row) { titleRow_ = row; }

public slots:
    void accept() override;
    void SlotTextChanged(const QString& text);
    // The numeric keypad's Confirm: submits only when this box is the one on the screen.
    void SlotChkPassword();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent*) override {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPushButton* yes_;
    QPushButton* cancel_;
    BLineEdit* password_;
    QLabel* message_;
    QLabel* title_;
    int state_ = 0;
    int titleRow_ = -1;
};
