#pragma once
// The long-lived dialogs and keypads, created once by the monitoring controller's initialisation
// and kept for the whole run; null until then.
class WarnBox;
class ChooseBox;
class PasswordBox;
class NumberInput;
class NumCharInput;

extern WarnBox* gpWarnBox;
extern ChooseBox* gpChooseBox;
extern PasswordBox* gpPasswordBox;
extern NumberInput* gpNumPad;
extern NumCharInput* gpNumCharPad;

// Makes the toolkit's compiled-in icons available (resources of a static library need it once).
void InitWidgetResources();
