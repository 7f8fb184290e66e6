#pragma once
// A small confirmation dialog with a title and OK / Cancel. Nothing on the main screen opens it.
#include <QDialog>

class QLabel;
class QPushButton;

class lightsettingdialog : public QDialog {
    Q_OBJECT
public:
    explicit lightsettingdialog(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QLabel* title_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
