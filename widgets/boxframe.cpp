#include "widgets/boxframe.h"

#include "widgets/fittext.h"

#include <algorithm>

#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVariant>
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
    // Fixed, so no text grows it over the option bar beside the display area.
    const QRect r = BoxInArea(QSize(680, 250), QRect(0, 0, gShowW, gShowH));
    box->setFixedSize(r.size());
    box->setGeometry(r);
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

QString messageText(const QLabel* message)
{
    const QVariant whole = message->property("wholeText");
    return whole.isValid() && message->text() == message->property("wrappedText").toString() ? whole.toString()
                                                                                              : message->text();
}

void fitMessage(QDialog* box, QLabel* message, int buttonTop)
{
    // The text as the caller set it: a box shown again wraps it anew.
    const QString text = messageText(message);
    message->setProperty("wholeText", text);
    // The room the box leaves the message, whatever the text would ask for.
    message->setStyleSheet(QString());
    message->setMinimumHeight(0);
    message->clear();
    if (box->layout())
        box->layout()->activate();
    const int top = message->mapTo(box, QPoint(0, 0)).y();
    const int available = buttonTop - top - 12;
    // A pixel short of the room: the label's own wrapping rounds the other way now and then.
    const int width = message->width() - 2;
    if (available <= 0 || width <= 0) {
        message->setText(text);
        return;
    }
    // Broken by what the glyphs take, so a long name without spaces stays in the box too.
    const WrappedText fit = FitWrapped(message->font(), text, width, available);
    if (fit.px != 30)
        message->setStyleSheet(QString("font-size:%1px;").arg(fit.px));
    message->setText(fit.text);
    message->setProperty("wrappedText", fit.text);
    // The lines get their height in the box's layout, not what its stretch leaves them.
    message->setMinimumHeight(std::min(fit.height, available));
}
