#pragma once
// The date and time dialog: an EditDateTime with Confirm and Cancel, 680 x 400 centred in the
// display area.
#include <QDialog>

class QLabel;
class QPushButton;
class EditDateTime;

class ModifyTimeWidget : public QDialog {
public:
    ModifyTimeWidget(QString title, QWidget* parent = nullptr);

    EditDateTime* entry() const { return entry_; }
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void paintEvent(QPaintEvent*) override {}
    void showEvent(QShowEvent* event) override;

private:
    EditDateTime* entry_;
    QPushButton* confirm_;
    QPushButton* cancel_;
    QLabel* title_;
};
