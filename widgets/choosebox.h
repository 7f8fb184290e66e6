#pragma once
// A yes/no question: exec gives Accepted for YES, Rejected for NO.
#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

class ChooseBox : public QDialog {
public:
    ChooseBox(QString title, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    void setTitleRow(int row) { titleRow_ = row; }
    // The caption ChooseCaliNumWidget draws.
    void setCaption(const QString& caption) { caption_ = caption; update(); }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }
    QLabel* titleLabel() const { return title_; }

protected:
    void paintEvent(QPaintEvent*) override {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override { QWidget::hideEvent(event); }

    QPushButton* yes_;
    QPushButton* no_;
    QString caption_;
    QLabel* message_;
    QLabel* title_;
    QLabel* icon_;
    int titleRow_ = -1;
    QHBoxLayout* buttonRow_;
};
