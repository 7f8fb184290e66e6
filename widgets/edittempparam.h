#pragma once
// The value field of an EditTempBox: a UnitEdit that knows its box.
#include "widgets/unitedit.h"

class EditTempBox;

class EditTempParam : public UnitEdit {
    Q_OBJECT
public:
    EditTempParam(int flags, QString unit, EditTempBox* box);

    EditTempBox* box() const { return box_; }

private:
    EditTempBox* box_;
};
