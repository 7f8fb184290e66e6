#include "mainscreen/alarmoption.h"

AlarmOption::AlarmOption(QWidget* parent) : BWidget(parent) {}
