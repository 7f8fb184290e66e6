#include "widgets/entrykeys.h"

#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QtGlobal>

#include "widgets/keyboardstyle.h"

QPushButton* makeCloseButton(QWidget* parent)
{
    auto* close = new QPushButton(parent);
    close->setIcon(QIcon(":/img/icons/close.png"));
    close->setStyleSheet(kCloseButtonStyle);
    return close;
}

bool pressEntryKey(QDialog* keyboard, QLineEdit* entry, const EntryKeys& keys, QPushButton* btn)
{
    if (btn == keys.close || btn == keys.cancel) {
        keyboard->reject();
    } else if (btn == keys.confirm) {
        if (!entry->text().trimmed().isEmpty())
            keyboard->accept();
    } else if (btn == keys.back) {
        if (!entry->text().isEmpty())
            entry->setText(entry->text().left(entry->text().size() - 1));
    } else {
        return false;
    }
    return true;
}

void eraseLastChar(QLineEdit* target)
{
    QString t = target->text();
    t.chop(1);
    target->setText(t);
    target->setCursorPosition(qMax(0, t.size() - 1));
}
