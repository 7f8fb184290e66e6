#include "widgets/warnbox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "core/wizardpara.h"
#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/textrow.h"
#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

WarnBox::WarnBox(QString title, QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint)
{
    InitWidgetResources();
    setStyleSheet(kBoxStyleSheet);
    title_ = new QLabel(title, this);
    message_ = new QLabel(this);
    QHBoxLayout* iconRow = buildIconRow(this, message_);

    confirm_ = new QPushButton(textRow(121), this);
    confirm_->setFixedSize(200, 72);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch();
    buttonRow->addWidget(confirm_);
    buttonRow->addStretch();
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);

    buildBoxFrame(this, title_, 100, iconRow, buttonRow);
    centreBox(this);
}

void WarnBox::setText(const QString& text)
{
    message_->setText(text);
}

QString WarnBox::text() const
{
    return messageText(message_);
}

void WarnBox::showReachable()
{
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality want = modal && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != want) {
        // The modality is read when the window is shown.
        hide();
        setWindowModality(want);
    }
    show();
    raise();
}

void WarnBox::showEvent(QShowEvent* event)
{
    centreBox(this);
    confirm_->setText(textRow(121));
    showTitle(title_, titleRow_);
    ToolkitHost* host = toolkitHost();
    if (host->screenOff()) {
        host->switchScreenOn();
        const int delay = gpWPara ? gpWPara->location_level : 0;
        if (delay > 0)
            host->restartScreenOffTimer(delay * 1000);
    }
    QDialog::showEvent(event);
    fitMessage(this, message_, confirm_->mapTo(this, QPoint(0, 0)).y());
}
