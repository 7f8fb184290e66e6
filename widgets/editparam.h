#pragma once
// The value field of a EditBox: an Edit with a unit label that follows the centred number.
#include "widgets/edit.h"

class QLabel;
class EditBox;

class EditParam : public Edit {
    Q_OBJECT
public:
    EditParam(int flags, QString unit, EditBox* box);

    EditBox* box() const { return box_; }

signals:
    void focusOut();

public slots:
    void ChangeLabelP(QString text);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    EditBox* box_;
    QLabel* unitLabel_ = nullptr;
    int unitFontSize_ = 27;
    int unitX_ = 0;
};
