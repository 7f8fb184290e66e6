#include "widgets/toolkitglobals.h"

#include <QtGlobal>

WarnBox* gpWarnBox = nullptr;
ChooseBox* gpChooseBox = nullptr;
PasswordBox* gpPasswordBox = nullptr;
NumberInput* gpNumPad = nullptr;
NumCharInput* gpNumCharPad = nullptr;

static void initWidgetsQrc()
{
    Q_INIT_RESOURCE(widgets);
}

void InitWidgetResources()
{
    static bool done = false;
    if (!done) {
        initWidgetsQrc();
        done = true;
    }
}
