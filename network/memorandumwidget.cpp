#include "network/memorandumwidget.h"

MemorandumWidget::MemorandumWidget(QWidget* parent) : BWidget(parent) {}
