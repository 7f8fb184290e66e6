#pragma once
// A frameless question box with a free choice of buttons (flags OR-ed: 1 Confirm, 2 Cancel,
// 4 YES, 8 NO, 16 close). Confirm and YES accept; Cancel, NO and close reject.
#include <QDialog>

// 1 to 4 show the warning picture; any other value none.
enum BMessageBoxIcon { BMessageBoxNoIcon = 0, BMessageBoxInfo = 1, BMessageBoxQuestion = 2, BMessageBoxWarning = 3,
                       BMessageBoxCritical = 4 };

class BMessageBox : public QDialog {
    Q_OBJECT
public:
    BMessageBox(QString title, QString text, int buttons, BMessageBoxIcon icon, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    class QLabel* text_;
    int buttonRowTop() const;
};
