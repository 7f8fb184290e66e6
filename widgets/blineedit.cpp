#include "widgets/blineedit.h"

#include <QMouseEvent>

#include "widgets/digitalkeyboard.h"
#include "widgets/fullkeyboard.h"
#include "widgets/modalhook.h"

QString runKeyboard(KeyboardType type, const QString& title, const QString& hint, bool* accepted)
{
    QString text;
    int result = 0;
    // Always opened on an empty entry, whatever the field held.
    if (type == KeyboardDigital) {
        DigitalKeyboard kb(title, hint, QString(), nullptr);
        result = execModal(kb);
        text = kb.getText();
    } else {
        FullKeyboard kb(title, hint, QString(), nullptr);
        result = execModal(kb);
        text = kb.getText();
    }
    const bool ok = result == QDialog::Accepted && !text.isEmpty();
    if (accepted)
        *accepted = ok;
    return ok ? text : QString();
}

BLineEdit::BLineEdit(QWidget* parent, QString title, QString hint, KeyboardType type)
    : QLineEdit(parent), title_(std::move(title)), hint_(std::move(hint)), type_(type)
{
    installEventFilter(this);
}

bool BLineEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        kept_ = text();
        setText(QString());
        bool accepted = false;
        const QString typed = runKeyboard(type_, title_, hint_, &accepted);
        setText(accepted ? typed : kept_);
    }
    return QLineEdit::eventFilter(watched, event);
}
