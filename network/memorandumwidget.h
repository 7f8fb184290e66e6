#pragma once
// The reminders page of the settings screen. Its controls come with the page's own work.
#include "widgets/bwidget.h"

class MemorandumWidget : public BWidget {
    Q_OBJECT
public:
    explicit MemorandumWidget(QWidget* parent = nullptr);
};
