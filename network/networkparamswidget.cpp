#include "network/networkparamswidget.h"

NetworkParamsWidget::NetworkParamsWidget(QWidget* parent) : BWidget(parent) {}
