#include "settings/customionamewidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/iowidget.h"
#include "settings/systemsettingwidget.h"
#include "vision/controller/mainwindow.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/textrow.h"

namespace {

QFont pageFont()
{
    QFont f("wqy-microhei");
    f.setPixelSize(30);
    return f;
}

int language()
{
    return (gLan >= 0 && gLan < LAN_COUNT) ? gLan : 0;
}

QLabel* slotCaption(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFixedSize(180, 60);
    l->setFont(pageFont());
    l->setAlignment(Qt::AlignCenter);
    // Its own size: the program's label rule (18 px) would win over the font.
    l->setStyleSheet("color:yellow;font-size:30px;");
    return l;
}

ComboBox* nameCombo(int rows, QString (*name)(int), QWidget* parent)
{
    auto* c = new ComboBox(parent);
    c->setFixedSize(180, 60);
    c->setFont(pageFont());
    for (int r = 0; r < rows; ++r)
        c->addItem(name(r));
    c->fitTexts(30);
    return c;
}

}  // namespace

CustomIONameWidget::CustomIONameWidget(MainWindow* win) : BWidget(win), win_(win)
{
    layout_ = new QGridLayout(this);
    layout_->setSpacing(10);
    layout_->setSizeConstraint(QLayout::SetFixedSize);
    for (int j = 0; j < 8; ++j) {
        inCaptions_[j] = slotCaption(gCustomInputName[j * 3 + language()], this);
        outCaptions_[j] = slotCaption(gCustomOutputName[j * 3 + language()], this);
        inputs_[j] = nameCombo(IN_NAME_ROWS, InputSignalName, this);
        outputs_[j] = nameCombo(OUT_NAME_ROWS, OutputSignalName, this);
        layout_->addWidget(inCaptions_[j], 0, j);
        layout_->addWidget(inputs_[j], 1, j);
        layout_->addWidget(outCaptions_[j], 2, j);
        layout_->addWidget(outputs_[j], 3, j);
    }
    confirm_ = new ColorButton(textRow(121), this, 3);
    confirm_->setFixedSize(180, 70);
    layout_->addWidget(confirm_, 4, 7);
    connect(confirm_, &QPushButton::clicked, this, &CustomIONameWidget::accept);
    if (win && win->settingWidget)
        attach(win->settingWidget, win->settingWidget->ioWidget);
}

void CustomIONameWidget::attach(SystemSettingWidget* screen, IOWidget* grid)
{
    screen_ = screen;
    grid_ = grid;
}

void CustomIONameWidget::init()
{
    if (!grid_)
        return;
    // A choice outside the lists selects no name and is kept until the operator picks one.
    for (int j = 0; j < 8; ++j) {
        const int in = grid_->model().inNameChoice(j);
        const int out = grid_->model().outNameChoice(j);
        inputs_[j]->setCurrentIndex(in >= 0 && in < IN_NAME_ROWS ? in : -1);
        outputs_[j]->setCurrentIndex(out >= 0 && out < OUT_NAME_ROWS ? out : -1);
    }
}

void CustomIONameWidget::accept()
{
    int in[8], out[8];
    for (int j = 0; j < 8; ++j) {
        in[j] = inputs_[j]->currentIndex() != -1 ? inputs_[j]->currentIndex()
                                                 : (grid_ ? grid_->model().inNameChoice(j) : -1);
        out[j] = outputs_[j]->currentIndex() != -1 ? outputs_[j]->currentIndex()
                                                   : (grid_ ? grid_->model().outNameChoice(j) : -1);
        if (gpWParaBak) {
            gpWParaBak->input_name_choice[j] = in[j];
            gpWParaBak->output_name_choice[j] = out[j];
        }
    }
    hide();
    if (grid_) {
        grid_->setNameChoices(in, out);
        grid_->ResetIOName();
    }
    if (screen_)
        screen_->show();
}

void CustomIONameWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    BWidget::paintEvent(event);
}

void CustomIONameWidget::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget())
        move((main->width() - width()) / 2, (main->height() - height()) / 2);
    BWidget::showEvent(event);
}
