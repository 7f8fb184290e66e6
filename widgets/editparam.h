#pragma once
// The value field of an EditBox: a UnitEdit that knows its box.
#include "widgets/unitedit.h"

class EditBox;

class EditParam : public UnitEdit {
    Q_OBJECT
public:
    EditParam(int flags, QString unit, EditBox* box);

    EditBox* box() const { return box_; }

private:
    EditBox* box_;
};
