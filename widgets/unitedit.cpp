#include "widgets/unitedit.h"

#include <QHBoxLayout>
#include <QLabel>

UnitEdit::UnitEdit(int flags, QString unit, QWidget* parent) : Edit(flags, parent, 1)
{
    if (!unit.isEmpty()) {
        unitLabel_ = new QLabel(unit, this);
        unitLabel_->setFixedSize(unit.size() * unitFontSize_ + 10, 50);
        QFont f("wqy-microhei");
        f.setPointSize(unitFontSize_);
        unitLabel_->setFont(f);
        unitLabel_->setAlignment(Qt::AlignCenter);
        setTextMargins(0, 0, unitLabel_->width(), 0);
        connect(this, &QLineEdit::textChanged, this, &UnitEdit::ChangeLabelP);
        auto* row = new QHBoxLayout(this);
        row->setSpacing(0);
        row->setContentsMargins(0, 0, 0, 0);
        row->addStretch();
        row->addWidget(unitLabel_, 0, Qt::AlignRight);
    }
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
}

void UnitEdit::ChangeLabelP(QString text)
{
    if (!unitLabel_)
        return;
    unitX_ = (width() - unitLabel_->width() + static_cast<int>(text.size() * 13.5)) / 2;
    unitLabel_->move(unitX_, 1);
}

void UnitEdit::focusOutEvent(QFocusEvent* e)
{
    emit focusOut();
    Edit::focusOutEvent(e);
}
