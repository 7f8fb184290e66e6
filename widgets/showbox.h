#pragma once
// One-line modal messages: a warning with Confirm, and a yes/no question. Each builds its own box
// with a fixed title from the text table and runs it through execModal.
#include <QString>

void showWarnBox(QString text);
// True exactly when the operator answered YES.
bool showChooseBox(QString text);
