#include "widgets/passwordbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "widgets/blineedit.h"
#include "widgets/boxframe.h"
#include "widgets/maintenancecode.h"
#include "widgets/numberinput.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

PasswordBox::PasswordBox(QString title, QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint)
{
    InitWidgetResources();
    setStyleSheet(kBoxStyleSheet);
    title_ = new QLabel(title, this);
    message_ = new QLabel(this);
    message_->hide();
    password_ = new BLineEdit(this, QString(), QString(), KeyboardDigital);
    password_->setEchoMode(QLineEdit::Password);
    QFont f("wqy-microhei");
    f.setPixelSize(27);
    password_->setFont(f);
    password_->setFixedSize(350, 50);
    auto* icon = new QLabel(this);
    icon->setFixedSize(70, 70);
    icon->setPixmap(QPixmap(":/img/icons/password.png")
                        .scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    auto* iconRow = new QHBoxLayout;
    iconRow->setContentsMargins(0, 0, 0, 0);
    iconRow->setSpacing(0);
    iconRow->addSpacing(20);
    iconRow->addWidget(icon);
    iconRow->addSpacing(10);
    iconRow->addWidget(password_);
    iconRow->addStretch();

    yes_ = new QPushButton(textRow(122), this);
    cancel_ = new QPushButton(textRow(124), this);
    QHBoxLayout* buttonRow = buildButtonPair(yes_, cancel_);
    connect(yes_, &QPushButton::clicked, this, &PasswordBox::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(password_, &QLineEdit::textChanged, this, &PasswordBox::SlotTextChanged);
    if (gpNumPad)
        connect(gpNumPad, &NumberInput::chkpassword, this, &PasswordBox::SlotChkPassword);

    buildBoxFrame(this, title_, 120, iconRow, buttonRow);
    centreBox(this);
    hide();
}

void PasswordBox::showEvent(QShowEvent* event)
{
    centreBox(this);
    yes_->setText(textRow(122));
    cancel_->setText(textRow(124));
    showTitle(title_, titleRow_);
    message_->setText(textRow(356));
    password_->clear();
    password_->setPlaceholderText(textRow(125));
    QDialog::showEvent(event);
}

void PasswordBox::SlotTextChanged(const QString& text)
{
    if (!text.isEmpty()) {
        password_->setPlaceholderText(QString());
    } else if (state_ == 2) {
        password_->setPlaceholderText(textRow(357));
        state_ = 0;
    } else {
        password_->setPlaceholderText(textRow(125));
    }
}

void PasswordBox::SlotChkPassword()
{
    // A hidden box must not judge: a refusal would reset the access level.
    if (isVisible())
        accept();
}

void PasswordBox::accept()
{
    const QString text = password_->text();
    const QString stored = gpWPara ? QString::fromUtf8(gpWPara->password) : QString();
    const bool protectionOn = gpWPara && gpWPara->is_psw_used != 0;
    ToolkitHost* host = toolkitHost();
    if (MaintenanceCode::matches(text, protectionOn)) {
        host->setUserLevel(2);
    } else if (text == stored) {
        host->setUserLevel(1);
    } else {
        state_ = 2;
        host->setUserLevel(0);
        password_->clear();
        password_->setPlaceholderText(textRow(357));
        return;
    }
    state_ = 0;
    password_->setPlaceholderText(textRow(125));
    QDialog::accept();
}

void PasswordBox::hideEvent(QHideEvent* event)
{
    ToolkitHost* host = toolkitHost();
    if (QLineEdit* target = host->keypadTarget()) {
        target->clearFocus();
        host->setKeypadTarget(nullptr);
    }
    if (gpNumPad)
        gpNumPad->HideUpdate();
    QDialog::hideEvent(event);
}

void PasswordBox::mouseReleaseEvent(QMouseEvent*)
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
}
