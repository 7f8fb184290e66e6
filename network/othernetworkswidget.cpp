#include "network/othernetworkswidget.h"

OtherNetworksWidget::OtherNetworksWidget(QWidget* parent) : BWidget(parent) {}
