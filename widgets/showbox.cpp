#include "widgets/showbox.h"

#include "widgets/choosebox.h"
#include "widgets/modalhook.h"
#include "widgets/textrow.h"
#include "widgets/warnbox.h"

void showWarnBox(QString text)
{
    WarnBox box(textRow(568), nullptr);
    box.setTitleRow(568);
    box.setText(text);
    execModal(box);
}

bool showChooseBox(QString text)
{
    ChooseBox box(textRow(566), nullptr);
    box.setTitleRow(566);
    box.setText(text);
    return execModal(box) == QDialog::Accepted;
}
