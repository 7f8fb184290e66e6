#include "widgets/boxframe.h"

#include "widgets/fittext.h"

#include <algorithm>

#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "widgets/splitline.h"
#include "widgets/textrow.h"

const char* const kBoxStyleSheet =
    "BMessageBox{border-width:1px;border-style:solid;border-color:#656263;background-color:#ffffff;}"
    "QLabel{font-size:30px;color:#656263;}"
    "QPushButton{background-color:#d3d3d3;border-style:none;color:#656263;font-size:22px;}"
    "QPushButton:pressed{color:#656263;background-color:#83636e;}";

void buildBoxFrame(QDialog* box, QLabel* title, int titleWidth, QLayout* iconRow, QLayout* buttonRow)
{
    auto* outer = new QHBoxLayout(box);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setSpacing(16);

    auto* left = new QVBoxLayout;
    left->addSpacing(12);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setFixedWidth(titleWidth);
    left->addWidget(title);
    left->addStretch();
    outer->addLayout(left);
    outer->addWidget(createVerticalSplitLine(box, "#656263"));

    auto* right = new QVBoxLayout;
    right->addLayout(iconRow);
    right->addStretch();
    right->addLayout(buttonRow);
    outer->addLayout(right, 1);
}

QHBoxLayout* buildIconRow(QDialog* box, QLabel* message, QLabel** icon)
{
    message->setWordWrap(true);
    auto* iconLabel = new QLabel(box);
    iconLabel->setFixedSize(70, 70);
    iconLabel->setPixmap(QPixmap(":/img/icons/56.png"));
    if (icon)
        *icon = iconLabel;

    auto* iconRow = new QHBoxLayout;
    iconRow->setContentsMargins(0, 0, 0, 0);
    iconRow->addWidget(iconLabel, 0, Qt::AlignTop);
    auto* textCol = new QVBoxLayout;
    textCol->addSpacing(12);
    textCol->addWidget(message);
    textCol->addStretch();
    iconRow->addLayout(textCol, 1);
    return iconRow;
}

QHBoxLayout* buildButtonPair(QPushButton* first, QPushButton* second)
{
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(30, 30, 30, 30);
    buttonRow->setSpacing(30);
    for (QPushButton* b : {first, second}) {
        b->setFixedHeight(72);
        buttonRow->addWidget(b);
    }
    return buttonRow;
}

void showTitle(QLabel* title, int row)
{
    if (row >= 0)
        title->setText(textRow(row));
    fitTitle(title);
}

void centreBox(QDialog* box)
{
    box->setGeometry(gShowW / 2 - 340, gShowH / 2 - 125, 680, 250);
}

void fitTitle(QLabel* title)
{
    const QStringList words = title->text().split(QRegExp("\\s+"), Qt::SkipEmptyParts);
    // Chinese wraps between characters: only words of other scripts must fit whole.
    QStringList whole;
    for (const QString& w : words)
        if (std::none_of(w.begin(), w.end(), [](QChar c) { return c.script() == QChar::Script_Han; }))
            whole << w;
    const int px = FittingPixelSize(title->font(), whole, title->maximumWidth(), 30);
    title->setStyleSheet(px == 30 ? QString() : QString("font-size:%1px;").arg(px));
}

void fitMessage(QDialog* box, QLabel* message, int buttonTop)
{
    message->setStyleSheet(QString());
    if (box->layout())
        box->layout()->activate();
    const int top = message->mapTo(box, QPoint(0, 0)).y();
    const int available = buttonTop - top - 12;
    const int width = message->width();
    if (available <= 0 || width <= 0)
        return;
    int px = 30;
    int high = 0;
    for (; px >= kMinCaptionPixels; --px) {
        QFont f = message->font();
        f.setPixelSize(px);
        high = QFontMetrics(f).boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, message->text()).height();
        if (high <= available || px == kMinCaptionPixels)
            break;
    }
    if (px != 30)
        message->setStyleSheet(QString("font-size:%1px;").arg(px));
    // The lines get their height in the box's layout, not what its stretch leaves them.
    message->setMinimumHeight(std::min(high, available));
}
