#include "widgets/messagedialog.h"

#include "widgets/fittext.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MessageDialog::MessageDialog(QString title, QString message, int mode, QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
{
    setFixedSize(500, 400);
    setStyleSheet("background-color:gray;");

    auto* bar = new QWidget(this);
    bar->setFixedSize(500, 60);
    bar->setStyleSheet("color:white;background-color:rgb(80,80,80);font-size:32px");
    auto* barRow = new QHBoxLayout(bar);
    barRow->setContentsMargins(8, 0, 8, 0);
    auto* titleLabel = new QLabel(title, bar);
    titleLabel->setFixedHeight(60);
    barRow->addWidget(titleLabel);
    barRow->addStretch();

    struct Choice {
        int bit;
        const char* caption;
        const char* style;
        int action;  // 0 close, 1 reject, 2 accept
    };
    static const Choice choices[] = {
        {0x1, QT_TR_NOOP("OK"), "outline:0px;border:none;font-size:32px;color:white;background-color:#8BC34A;", 0},
        {0x100, QT_TR_NOOP("No"), "outline:0px;border:none;font-size:32px;color:white;background-color:#E91E63;", 1},
        {0x1000, QT_TR_NOOP("Cancel"), "font-size:32px;color:white;background-color:#9C27B0;", 0},
        {0x10, QT_TR_NOOP("Yes"), "outline:0px;border:none;font-size:32px;color:white;background-color:#8BC34A;", 2},
    };
    for (const Choice& c : choices) {
        if (!(mode & c.bit))
            continue;
        auto* b = new QPushButton(tr(c.caption), bar);
        b->setFixedSize(100, 50);
        // Captions longer than the 100 px button ("Cancel" at 32 px) are set smaller, not cut.
        QString style = QString::fromLatin1(c.style);
        const int px = FittingPixelSize(b->font(), {b->text()}, 84, 32);
        if (px != 32)
            style.replace("font-size:32px", QString("font-size:%1px").arg(px));
        b->setStyleSheet(style);
        if (c.action == 0)
            connect(b, &QPushButton::pressed, this, &QWidget::close);
        else if (c.action == 1)
            connect(b, &QPushButton::pressed, this, &QDialog::reject);
        else
            connect(b, &QPushButton::pressed, this, &QDialog::accept);
        barRow->addWidget(b);
    }

    auto* msg = new QLabel(message, this);
    msg->setObjectName("message");
    msg->setWordWrap(true);
    msg->setMargin(10);
    msg->setStyleSheet("font-size:28px;color:white;");
    msg->setAlignment(Qt::AlignCenter);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 5);
    col->addWidget(bar);
    col->addWidget(msg, 1);
}

void MessageDialog::resetMessage(const QString& message)
{
    if (auto* label = findChild<QLabel*>("message"))
        label->setText(message);
    update();
}
