#include "settings/iocheckcombo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "settings/iowidget.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/textrow.h"

namespace {

QFont rowFont()
{
    QFont f("wqy-microhei");
    f.setPixelSize(28);
    return f;
}

ComboBox* rowCombo(QWidget* parent)
{
    auto* c = new ComboBox(parent);
    c->setFixedSize(200, 50);
    c->setFont(rowFont());
    c->setItemHeight(50);
    return c;
}

// A touch anywhere on the 200 x 50 cell ticks the box, not only on its mark and caption.
class CellBox : public CheckBox {
public:
    explicit CellBox(QWidget* parent) : CheckBox(parent, QString()) {}

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// Through the box's own style sheet: a palette set before the program's style sheet polishes the
// box is replaced by it, and the disabled boxes showed the yellow of enabled ones on first opening.
void paintCaption(CheckBox* b, const QColor& colour)
{
    b->setStyleSheet(QString("QCheckBox{color:%1;}").arg(colour.name()));
}

}  // namespace

IOCheckComBO::IOCheckComBO(IOWidget* parent, QString caption, int boxes)
    : QWidget(parent), grid_(parent)
{
    layout_ = new QHBoxLayout(this);
    layout_->setSpacing(10);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSizeConstraint(QLayout::SetFixedSize);
    if (!caption.isEmpty()) {
        caption_ = new QLabel(caption, this);
        caption_->setFixedSize(200, 50);
        caption_->setFont(rowFont());
        caption_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        caption_->setStyleSheet("color:yellow;font-size:28px;");
        layout_->addWidget(caption_);
    }
    trigger_ = rowCombo(this);
    layout_->addWidget(trigger_);
    for (int k = 0; k < boxes; ++k) {
        auto* b = new CellBox(this);
        b->setFixedSize(200, 50);
        QFont f = rowFont();
        f.setPixelSize(24);
        b->setFont(f);
        boxes_.append(b);
        layout_->addWidget(b);
        connect(b, &QCheckBox::clicked, this, [this, k](bool checked) {
            emit clickeCheckBox(row_, k, checked ? Qt::Checked : Qt::Unchecked);
        });
    }
    cut_ = rowCombo(this);
    for (int r : {474, 475, 523})
        cut_->addItem(textRow(r));
    cut_->fitTexts(28);
    layout_->addWidget(cut_);

    connect(trigger_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int item) { emit changeTrigin(row_, item); });
    connect(cut_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int mode) { emit changeCutMode(row_, mode); });
}

CheckBox* IOCheckComBO::box(int column) const
{
    return column >= 0 && column < boxes_.size() ? boxes_[column] : nullptr;
}

void IOCheckComBO::setTriggerItems(const QStringList& items, int current)
{
    const QSignalBlocker block(trigger_);
    trigger_->clear();
    trigger_->addItems(items);
    trigger_->fitTexts(28);
    trigger_->setCurrentIndex(current >= 0 && current < items.size() ? current : -1);
}

void IOCheckComBO::setCutMode(int mode)
{
    const QSignalBlocker block(cut_);
    // A stored mode without an item shows none and is kept until the operator picks one.
    cut_->setCurrentIndex(mode >= 0 && mode < cut_->count() ? mode : -1);
}

void IOCheckComBO::setColumnCaption(int column, const QString& caption)
{
    if (CheckBox* b = box(column))
        b->setText(caption);
}

void IOCheckComBO::setColumnShown(int column, bool shown)
{
    if (CheckBox* b = box(column))
        b->setVisible(shown);
}

void IOCheckComBO::setCheckdisable(int column, bool enable)
{
    CheckBox* b = box(column);
    if (!b)
        return;
    if (!enable) {
        const QSignalBlocker block(b);
        b->setChecked(false);
    }
    b->setEnabled(enable);
    paintCaption(b, enable ? QColor(Qt::yellow) : QColor(Qt::gray));
}

bool IOCheckComBO::getCheckComboStatus(int column) const
{
    CheckBox* b = box(column);
    return b && b->isChecked();
}

void IOCheckComBO::setCheckComboStatus(int column, bool checked)
{
    if (CheckBox* b = box(column)) {
        const QSignalBlocker block(b);
        b->setChecked(checked);
    }
}

void IOCheckComBO::setBoxWidth(int width)
{
    for (CheckBox* b : boxes_)
        b->setFixedWidth(width);
}
