#include "widgets/bcombobox.h"

#include <QListView>

BComboBox::BComboBox(QWidget* parent) : QComboBox(parent)
{
    setView(new QListView(this));
}
