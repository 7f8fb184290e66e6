#pragma once
// Loading and storing the choice controls of the settings pages. A stored value that no button
// or item stands for shows no choice and is stored back unchanged unless the operator picks one,
// so opening and accepting a page never rewrites a legal value it cannot show (procedure 5,
// cavity position 3) nor keeps a button checked from an earlier opening.
class CheckBox;
class QButtonGroup;
class QComboBox;

// Checks the button whose id is `value`, or none.
void showChoice(QButtonGroup* group, int value);
// field := the checked id, when one is checked.
void storeChoice(const QButtonGroup* group, int& field);
// Selects item `value`, or none.
void showChoice(QComboBox* combo, int value);
void storeChoice(const QComboBox* combo, int& field);
// A switch shows any non-zero value as on; the field is written only when the switch differs.
void showSwitch(CheckBox* box, int value);
void storeSwitch(const CheckBox* box, int& field);
