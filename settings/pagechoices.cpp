#include "settings/pagechoices.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>

#include "widgets/checkbox.h"

void showChoice(QButtonGroup* group, int value)
{
    if (QAbstractButton* b = group->button(value)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied button by button.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

void storeChoice(const QButtonGroup* group, int& field)
{
    const int id = group->checkedId();
    if (id != -1)
        field = id;
}

void showChoice(QComboBox* combo, int value)
{
    combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

void storeChoice(const QComboBox* combo, int& field)
{
    if (combo->currentIndex() != -1)
        field = combo->currentIndex();
}

void showSwitch(CheckBox* box, int value)
{
    box->setValue(value);
}

void storeSwitch(const CheckBox* box, int& field)
{
    if (box->value() != (field != 0 ? 1 : 0))
        field = box->value();
}
