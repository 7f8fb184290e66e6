#pragma once
// A small dark box with a title, a message and buttons chosen by bits of `mode`:
// 0x1 "OK", 0x100 "No", 0x1000 "Cancel", 0x10 "Yes" (added in that order).
#include <QDialog>

class MessageDialog : public QDialog {
    Q_OBJECT
public:
    MessageDialog(QString title, QString message, int mode, QWidget* parent = nullptr);

    void resetMessage(const QString& message);
};
