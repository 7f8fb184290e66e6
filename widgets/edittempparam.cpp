#include "widgets/edittempparam.h"

#include "widgets/edittempbox.h"

EditTempParam::EditTempParam(int flags, QString unit, EditTempBox* box) : UnitEdit(flags, unit, box), box_(box) {}
