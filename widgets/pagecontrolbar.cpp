#include "widgets/pagecontrolbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "widgets/blineedit.h"
#include "widgets/toolkitglobals.h"

PageControlBar::PageControlBar(QWidget* parent) : BWidget(parent)
{
    InitWidgetResources();
    auto iconButton = [this](const char* icon) {
        auto* b = new QPushButton(this);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(60, 60));
        b->setFixedSize(60, 60);
        return b;
    };
    first_ = iconButton(":/img/icons/72.png");
    previous_ = iconButton(":/img/icons/68.png");
    for (int i = 0; i < 4; ++i) {
        pages_[i] = new QPushButton(QString::number(i + 1), this);
        pages_[i]->setFixedSize(60, 60);
        pages_[i]->setCheckable(true);
        pages_[i]->setAutoExclusive(true);
        pages_[i]->setStyleSheet("QPushButton{color:#625f60;font-size:22px;border-width:1px;border-style:solid;"
                                 "border-color:#625f60;background:#ffffff;border-radius:30px;}"
                                 "QPushButton:pressed{background-color:#656263;color:#ffffff;}"
                                 "QPushButton:checked{background-color:#656263;color:#ffffff;}");
    }
    next_ = iconButton(":/img/icons/69.png");
    last_ = iconButton(":/img/icons/73.png");
    pageField_ = new BLineEdit(this, QString::fromUtf8("页码"), QString::fromUtf8("请输入正数"), KeyboardDigital);
    pageField_->setFixedWidth(80);
    pageField_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* row = new QHBoxLayout(this);
    row->setSpacing(20);
    row->setContentsMargins(5, 5, 5, 5);
    row->addStretch();
    row->addWidget(first_);
    row->addWidget(previous_);
    for (QPushButton* b : pages_)
        row->addWidget(b);
    row->addWidget(pageField_);
    row->addWidget(new QLabel(QString::fromUtf8("页"), this));
    row->addWidget(next_);
    row->addWidget(last_);
    setFixedHeight(70);
    setStyleSheet("PageControlBar{border-width:1px 1px 0px 0px;border-style:solid;border-color:#d6d6d6;}"
                  "QLabel{font-size:22px;color:#656263;}QPushButton{border-radius:30px;border-style:none;}");
}
