#include "mainscreen/regioption.h"

RegiOption::RegiOption(QWidget* parent) : BWidget(parent) {}

void RegiOption::CheckSource(int source)
{
    ChangeSourceSlot(source);
}

void RegiOption::ChangeDetectSlot(int) {}

void RegiOption::ChangeSourceSlot(int source)
{
    source_ = source;
}
