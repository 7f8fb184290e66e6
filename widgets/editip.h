#pragma once
// A four-octet IPv4 address entry; each octet is 0 to 255 (above 255 becomes 255, no number 0).
#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class Edit;

class EditIP : public QWidget {
    Q_OBJECT
public:
    EditIP(const QString& title, QWidget* parent = nullptr);

    QString getTextIP();
    void setTextIP(const QString& text);
    void setGeometry(int x, int y, int w, int h);
    void setTitleColor(const QColor& c);
    Edit* octet(int i) const { return (i >= 0 && i < 4) ? fields_[i] : nullptr; }

signals:
    void textchange(const QString& text);

public slots:
    void SlotTextChg_0(QString text);
    void SlotTextChg_1(QString text);
    void SlotTextChg_2(QString text);
    void SlotTextChg_3(QString text);
    void SlotPressDot_0();
    void SlotPressDot_1();
    void SlotPressDot_2();

private:
    void octetChanged(int i, const QString& text);
    void jumpTo(int i);

    QLabel* title_;
    QLabel* dots_[3];
    Edit* fields_[4];
    QHBoxLayout* row_;
    QColor titleColor_ = Qt::yellow;
    QString address_;
};
