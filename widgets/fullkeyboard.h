#pragma once
// Modal QWERTY keyboard for names and other texts: built on the stack, run through execModal,
// read with getText().
#include <QDialog>
#include <QVector>

class QLineEdit;
class QPushButton;

class FullKeyboard : public QDialog {
    Q_OBJECT
public:
    FullKeyboard(QString title, QString hint, QString text, QWidget* parent = nullptr);

    QString getText() const;

public slots:
    void btnPressed();

private:
    void setLetterPage(bool symbols);

    QPushButton* closeBtn_;
    QPushButton* capsBtn_;
    QPushButton* symbolBtn_;
    QPushButton* cancelBtn_;
    QPushButton* confirmBtn_;
    QPushButton* backBtn_;
    QLineEdit* entry_;
    QVector<QPushButton*> letterKeys_;  // the three letter rows, for the symbol page
    bool symbols_ = false;
};
