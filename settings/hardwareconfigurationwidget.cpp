#include "settings/hardwareconfigurationwidget.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "settings/systemsettingwidget.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/controller/mainwindow.h"
#include "widgets/colorbutton.h"
#include "widgets/textrow.h"

QList<QPair<QString, QString>> ParseHardwareConfiguration(const QByteArray& text)
{
    QList<QPair<QString, QString>> pairs;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split('\t');
        QString key = QString::fromUtf8(parts.at(0)).replace('_', ' ');
        QString value = parts.size() > 1 ? QString::fromUtf8(parts.at(1)).replace('_', ' ') : QString();
        pairs.append({key, value});
    }
    return pairs;
}

void HardwareConfigurationWidget::loadConfiguration(QList<QPair<QString, QString>>& pairs)
{
    QFile file("conf.txt");
    if (!file.open(QIODevice::ReadOnly))
        return;
    pairs += ParseHardwareConfiguration(file.readAll());
}

void HardwareConfigurationWidget::loadConfiguration(QMap<QString, QString>& pairs)
{
    QList<QPair<QString, QString>> list;
    loadConfiguration(list);
    for (const auto& p : list)
        pairs.insert(p.first, p.second);
}

HardwareConfigurationWidget::HardwareConfigurationWidget(MainWindow* win)
    : QWidget(win, Qt::Window | Qt::CustomizeWindowHint)
{
    setGeometry(gShowW / 2 - 750, gShowH / 2 - 400, 1500, 800);
    QFont f("wqy-microhei");
    f.setPointSize(30);
    setFont(f);

    QList<QPair<QString, QString>> pairs;
    loadConfiguration(pairs);
    grid_ = new QGridLayout(this);
    int row = 0;
    for (const auto& p : pairs) {
        const QString colour = p.second.isEmpty() ? "color:cyan;" : "color:yellow;";
        auto* key = new QLabel(p.first, this);
        key->setStyleSheet(colour);
        QLabel* value;
        if (p.first == "Count") {
            value = new QLabel(this);
            countLabel = value;
        } else {
            value = new QLabel(p.second, this);
        }
        value->setStyleSheet(colour);
        grid_->addWidget(key, row, 0);
        grid_->addWidget(value, row, 1);
        ++row;
    }
    confirmButton = new ColorButton(textRow(121), this, 3);
    confirmButton->setFixedSize(150, 50);
    connect(confirmButton, &QPushButton::clicked, this, &HardwareConfigurationWidget::slotConfirm);
    grid_->addWidget(confirmButton, row, 0, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
    grid_->setSpacing(10);
    grid_->setContentsMargins(50, 50, 50, 50);
}

void HardwareConfigurationWidget::slotConfirm()
{
    hide();
    if (gpWin && gpWin->settingWidget)
        gpWin->settingWidget->show();
}

void HardwareConfigurationWidget::showEvent(QShowEvent* event)
{
    if (countLabel)
        countLabel->setText(gCameraID == 0 ? QString("0") : QString::number(numCamera, 10));
    QWidget::showEvent(event);
}

void HardwareConfigurationWidget::paintEvent(QPaintEvent* event)
{
    if (gpPixmapBG) {
        QPainter painter(this);
        painter.drawPixmap(rect(), *gpPixmapBG);
    }
    QWidget::paintEvent(event);
}
