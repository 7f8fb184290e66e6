#pragma once
// The alarm page (option stack page 2): its buttons come with the region editing screens.
#include "widgets/bwidget.h"

class AlarmOption : public BWidget {
    Q_OBJECT
public:
    enum BTN_TYPE {
        BTN_NONE = 0,
        BTN_LIVE_TEMP = 1,
        BTN_DONT_DETECT = 2,
        BTN_RECHECK = 3,
        BTN_ADD_TEMP = 4,
        BTN_IGNORE_POINT = 5,
        BTN_DELETE_IGNORED = 6,
    };
    Q_ENUM(BTN_TYPE)

    explicit AlarmOption(QWidget* parent = nullptr);

signals:
    void btnsToggled(AlarmOption::BTN_TYPE type, bool checked);
    void AlarmChangeSource(int source);
};
