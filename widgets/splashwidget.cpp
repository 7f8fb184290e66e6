#include "widgets/splashwidget.h"

#include <QLabel>
#include <QVBoxLayout>

#include "widgets/toolkitglobals.h"

SplashWidget::SplashWidget(int logoWidth, QWidget* parent) : QWidget(parent)
{
    InitWidgetResources();
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(100, 100, 100, 100);
    col->setSpacing(15);
    col->addStretch();
    auto* logo = new QLabel(this);
    const QPixmap pic(":/img/icons/0logo.png");
    if (!pic.isNull() && logoWidth > 0)
        logo->setPixmap(pic.scaledToWidth(logoWidth, Qt::SmoothTransformation));
    col->addWidget(logo, 0, Qt::AlignHCenter);
    col->addStretch();
    for (const char* text : {"模内监控器", "QVT-820", "SN: 0000-0000-0001", "16.0.1.7"})
        col->addWidget(new QLabel(QString::fromUtf8(text), this), 0, Qt::AlignLeft);
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
}
