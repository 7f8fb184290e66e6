#include "widgets/boxframe.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/globals.h"
#include "widgets/splitline.h"

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

void centreBox(QDialog* box)
{
    box->setGeometry(gShowW / 2 - 340, gShowH / 2 - 125, 680, 250);
}
