#include "widgets/editdatetime.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QTimeEdit>

#include "core/commandrunner.h"
#include "widgets/toolkitclock.h"
#include "widgets/toolkitglobals.h"

EditDateTime::EditDateTime(const QString& title, QWidget* parent) : QWidget(parent)
{
    InitWidgetResources();
    setFixedHeight(80);
    QFont f("wenquanyi");
    f.setPixelSize(35);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::yellow);
    pal.setColor(QPalette::Text, Qt::yellow);
    setPalette(pal);
    title_ = new QLabel(title, this);
    title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title_->hide();
    built_ = QDateTime::currentDateTime();

    date_ = new QDateEdit(this);
    date_->setDisplayFormat("yyyy - MM - dd");
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat("HH : mm : ss");
    for (QAbstractSpinBox* e : {static_cast<QAbstractSpinBox*>(date_), static_cast<QAbstractSpinBox*>(time_)}) {
        e->setFont(f);
        e->setFixedSize(330, 160);
        e->setAlignment(Qt::AlignCenter);
    }
    const int arrow = 60;
    date_->setStyleSheet(QString("QDateEdit::up-button{subcontrol-origin:border;subcontrol-position:left top;"
                                 "image: url(:/img/icons/left.png);width: %1px;height: %1px;}"
                                 "QDateEdit::down-button {subcontrol-origin:border;subcontrol-position:left bottom;"
                                 "image: url(:/img/icons/right.png);width: %1px;height: %1px;}")
                             .arg(arrow));
    time_->setStyleSheet(QString("QTimeEdit::up-button{subcontrol-origin:border;subcontrol-position:right top;"
                                 "image: url(:/img/icons/left.png);width: %1px;height: %1px;}"
                                 "QTimeEdit::down-button {subcontrol-origin:border;subcontrol-position:right bottom;"
                                 "image: url(:/img/icons/right.png);width: %1px;height: %1px;}")
                             .arg(arrow));

    auto* grid = new QGridLayout(this);
    grid->addWidget(date_, 0, 1);
    grid->addWidget(time_, 0, 2);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(10);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    setStyleSheet("background-color:#f5f5f5;");
}

void EditDateTime::ShowDateTime()
{
    const QDateTime now = toolkitNow();
    date_->setDate(now.date());
    time_->setTime(now.time());
}

QString EditDateTime::editedText() const
{
    return QDateTime(date_->date(), time_->time()).toString("yyyy-MM-dd hh:mm:ss");
}

bool EditDateTime::setSysDateTime()
{
    const CommandResult date = runCommand("date", {"-s", editedText()}, 3000);
    if (!date.ok()) {
        qWarning("setting the clock failed (exit %d)", date.exitCode);
        return false;
    }
    const CommandResult hw = runCommand("hwclock", {"--systohc"}, 3000);
    if (!hw.ok()) {
        qWarning("writing the hardware clock failed (exit %d)", hw.exitCode);
        return false;
    }
    return true;
}
