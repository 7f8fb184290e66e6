#pragma once
// Modal numeric keyboard: built on the stack, run through execModal, read with getText().
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class DigitalKeyboard : public QDialog {
    Q_OBJECT
public:
    DigitalKeyboard(QString title, QString hint, QString text, QWidget* parent = nullptr);

    QString getText() const;

public slots:
    void btnPressed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* closeBtn_;
    QPushButton* cancelBtn_;
    QPushButton* confirmBtn_;
    QPushButton* backBtn_;
    QLineEdit* entry_;
};
