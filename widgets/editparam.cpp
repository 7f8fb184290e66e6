#include "widgets/editparam.h"

#include "widgets/editbox.h"

EditParam::EditParam(int flags, QString unit, EditBox* box) : UnitEdit(flags, unit, box), box_(box) {}
