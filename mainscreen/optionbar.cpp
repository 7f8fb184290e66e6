#include "mainscreen/optionbar.h"

#include "widgets/finetuningdialog.h"

OptionBar::OptionBar(QWidget* parent) : BWidget(parent), finetuning_(new FinetuningDialog)
{
    setFixedWidth(175);
    finetuning_->hide();
}

void OptionBar::SetTLast()
{
    last_ = BTN_NONE;
}
