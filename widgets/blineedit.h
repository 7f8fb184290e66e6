#pragma once
// A text field that opens a modal on-screen keyboard when it is touched.
#include <QLineEdit>

// 0 opens the numeric DigitalKeyboard, any other value the FullKeyboard.
enum KeyboardType { KeyboardDigital = 0, KeyboardFull = 1 };

class QDialog;

// Builds the keyboard for a type (owned by the caller) and returns its text when it was accepted
// with a non-empty entry; `accepted` tells whether it was.
QString runKeyboard(KeyboardType type, const QString& title, const QString& hint, bool* accepted);

class BLineEdit : public QLineEdit {
    Q_OBJECT
public:
    BLineEdit(QWidget* parent, QString title, QString hint, KeyboardType type);
    // Callers may pass the type as a plain number (0 numeric, else full).
    BLineEdit(QWidget* parent, QString title, QString hint, int type)
        : BLineEdit(parent, std::move(title), std::move(hint), type == 0 ? KeyboardDigital : KeyboardFull)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString title_;
    QString hint_;
    KeyboardType type_;
    QString kept_;  // the text when the keyboard was opened
};
