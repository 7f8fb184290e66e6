#pragma once
// A date editor and a time editor side by side that can set the computer's clock.
#include <QDateTime>
#include <QWidget>

class QDateEdit;
class QLabel;
class QTimeEdit;

class EditDateTime : public QWidget {
    Q_OBJECT
public:
    EditDateTime(const QString& title, QWidget* parent = nullptr);

    // Loads the current date and time into the editors.
    void ShowDateTime();
    // Sets the system clock and the hardware clock to the edited date and time. True only when
    // both commands succeeded; the caller records and restarts only then.
    bool setSysDateTime();
    // The text the clock is set to: "yyyy-MM-dd hh:mm:ss".
    QString editedText() const;

    QDateEdit* dateEditor() const { return date_; }
    QTimeEdit* timeEditor() const { return time_; }

private:
    QDateEdit* date_;
    QTimeEdit* time_;
    QLabel* title_;
    QDateTime built_;
};
