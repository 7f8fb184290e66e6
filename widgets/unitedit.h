#pragma once
// An Edit whose unit label follows the centred number; the value field of the edit boxes.
#include "widgets/edit.h"

class QLabel;

class UnitEdit : public Edit {
    Q_OBJECT
public:
    UnitEdit(int flags, QString unit, QWidget* parent);

signals:
    void focusOut();

public slots:
    void ChangeLabelP(QString text);

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    QLabel* unitLabel_ = nullptr;
    int unitFontSize_ = 27;
    int unitX_ = 0;
};
