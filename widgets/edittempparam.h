#pragma once
// The value field of a EditTempBox: an Edit with a unit label that follows the centred number.
#include "widgets/edit.h"

class QLabel;
class EditTempBox;

class EditTempParam : public Edit {
    Q_OBJECT
public:
    EditTempParam(int flags, QString unit, EditTempBox* box);

    EditTempBox* box() const { return box_; }

signals:
    void focusOut();

public slots:
    void ChangeLabelP(QString text);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    EditTempBox* box_;
    QLabel* unitLabel_ = nullptr;
    int unitFontSize_ = 27;
    int unitX_ = 0;
};
