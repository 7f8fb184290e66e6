#pragma once
// A line edit that calls up the global keypads when touched and can hold an integer range.
#include <QLineEdit>

class QIntValidator;

class Edit : public QLineEdit {
    Q_OBJECT
public:
    // flags: 0x2 the alphanumeric pad (else the numeric one); 0x8 the pad is placed in the field's
    // grandparent, offset by the parent; 0x10 in the grandparent, offset by parent and grandparent.
    // style 1: the toolkit's line-edit look.
    Edit(int flags, QWidget* parent, int style);

    int value() const;
    double valueToDouble() const;
    void setValue(int v);
    void setValue(double v);
    // A field with a range never stays empty or out of range.
    void setRange(int min, int max);
    void init();
    int flags() const { return flags_; }

signals:
    void sig_Dot();

public slots:
    void SlotRange(const QString& text);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showPad();

    int flags_;
    QIntValidator* range_;
    int min_ = -1;
    int max_ = -1;
};
