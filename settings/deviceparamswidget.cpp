#include "settings/deviceparamswidget.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QStringListModel>
#include <QThreadPool>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/commandrunner.h"
#include "core/globals.h"
#include "core/parameterstore.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "network/othernetworkfiles.h"
#include "settings/devicefields.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/bmessagebox.h"
#include "widgets/modalhook.h"
#include "widgets/textrow.h"

DeviceParamsWidget::DeviceParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet("QLabel{font-size:22px;color:#656263;}QPushButton{color:#656263;}");
    auto field = [this](int row, KeyboardType type) {
        auto* e = new BLineEdit(this, textRow(row), QString(), type);
        e->setFixedSize(300, 50);
        return e;
    };
    productName = new BComboBox(this);
    productModel_ = new QStringListModel(this);
    productName->setModel(productModel_);
    productName->setFixedSize(300, 50);
    getProductButton = new QPushButton(textRow(433), this);
    // At least the sizes of the layout; longer captions (English) widen the buttons.
    getProductButton->setMinimumSize(200, 50);
    operatorName = field(434, KeyboardFull);
    cavity = field(435, KeyboardDigital);
    expectedCapacity = field(436, KeyboardDigital);
    productBatch = field(437, KeyboardFull);
    resetStatisticsButton = new QPushButton(textRow(438), this);
    resetStatisticsButton->setMinimumSize(250, 50);

    auto* grid = new QGridLayout;
    grid->setSpacing(40);
    grid->addWidget(new QLabel(textRow(432), this), 0, 0);
    grid->addWidget(productName, 0, 1);
    grid->addWidget(getProductButton, 0, 2, 1, 2, Qt::AlignLeft);
    grid->addWidget(new QLabel(textRow(434), this), 1, 0);
    grid->addWidget(operatorName, 1, 1);
    grid->addWidget(new QLabel(textRow(435), this), 1, 2);
    grid->addWidget(cavity, 1, 3);
    grid->addWidget(new QLabel(textRow(436), this), 2, 0);
    grid->addWidget(expectedCapacity, 2, 1);
    grid->addWidget(new QLabel(textRow(437), this), 2, 2);
    grid->addWidget(productBatch, 2, 3);
    grid->addWidget(resetStatisticsButton, 3, 0, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(4, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(100, 50, 50, 50);
    column->addLayout(grid);
    column->addStretch();

    connect(getProductButton, &QPushButton::clicked, this, &DeviceParamsWidget::SlotGetProductName);
    if (gpNet) {
        gpNet->setSessionReceiver(CNT_Net::kSessionProduct, this,
                                  [this](const QString& body) { cnt_reset_product_later(body); });
    }
    connect(resetStatisticsButton, &QPushButton::clicked, this, &DeviceParamsWidget::SlotResetStatistics);
}

void DeviceParamsWidget::WizardParaInit()
{
    const WizardPara* p = gpWParaBak;
    if (!p)
        return;
    loadedProduct_ = ParamText(p->CntNet_ProName);
    loadedOperator_ = ParamText(p->CntNet_Operator);
    productName->clear();
    productName->addItem(loadedProduct_);
    operatorName->setText(loadedOperator_);
    cavity->setText(QString::number(p->cavity));
    expectedCapacity->setText(QString::number(p->expected_capacity));
    productBatch->setText(QString::number(p->product_batch));
}

void DeviceParamsWidget::accept()
{
    WizardPara* p = gpWParaBak;
    if (!p)
        return;
    StoreFieldText(p->CntNet_ProName, productName->currentText(), loadedProduct_, false);
    StoreFieldText(p->CntNet_Operator, operatorName->text(), loadedOperator_, true);
    // A number that cannot be stored as typed leaves the edit copy's value; refusedField() says so.
    const std::pair<BLineEdit*, int*> numbers[] = {
        {cavity, &p->cavity}, {expectedCapacity, &p->expected_capacity}, {productBatch, &p->product_batch}};
    for (const auto& [field, value] : numbers)
        if (const std::optional<int> v = DeviceNumber(field->text()))
            *value = *v;
}

int DeviceParamsWidget::refusedField() const
{
    const std::pair<BLineEdit*, int> numbers[] = {{cavity, 435}, {expectedCapacity, 436}, {productBatch, 437}};
    for (const auto& [field, row] : numbers)
        if (!DeviceNumber(field->text()))
            return row;
    return 0;
}

QStringList DeviceParamsWidget::cutNotes() const
{
    QStringList notes;
    for (const QString& note : {CutNote(productName->currentText(), loadedProduct_, false, 432),
                                CutNote(operatorName->text(), loadedOperator_, true, 434)})
        if (!note.isEmpty())
            notes << note;
    return notes;
}

void DeviceParamsWidget::SlotGetProductName()
{
    if (!gpWPara || !gpWPara->cnt_net_enabled || !gpNet || !gpNet->isopen || !gpNet->connected)
        return;
    if (gDeviceReportHooks.sendGetProduct)
        gDeviceReportHooks.sendGetProduct();
}

void DeviceParamsWidget::cnt_reset_product(const QString& body)
{
    const std::optional<QStringList> names = ParseProductReply(body.toUtf8());
    if (names)
        ShowProducts(*names);
}

void DeviceParamsWidget::cnt_reset_product_later(const QString& body)
{
    nextReply_ = body;
    if (!parsing_)
        ParseNext();
}

void DeviceParamsWidget::ParseNext()
{
    if (!nextReply_) {
        parsing_ = false;
        return;
    }
    parsing_ = true;
    const QString body = *nextReply_;
    nextReply_.reset();
    QPointer<DeviceParamsWidget> self(this);
    QThreadPool::globalInstance()->start([self, body] {
        std::optional<QStringList> names = ParseProductReply(body.toUtf8());
        // The parse's many small blocks go back to the system, not into this thread's arena.
        malloc_trim(0);
        // Back on the GUI thread, where the page may be gone by then.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, names = std::move(names)] {
                if (!self)
                    return;
                if (names)
                    self->ShowProducts(*names);
                self->ParseNext();
            },
            Qt::QueuedConnection);
    });
}

void DeviceParamsWidget::ShowProducts(const QStringList& names)
{
    std::optional<QString> current;
    if (productName->count() > 0)
        current = productName->currentText();
    // One model reset: adding 40,000 items one by one holds the GUI thread for many milliseconds.
    productModel_->setStringList(MergeProductList(current, names));
    if (productName->count() > 0)
        productName->setCurrentIndex(0);
    update();
}

void DeviceParamsWidget::SlotResetStatistics()
{
    BMessageBox box("确认提示", textRow(447), 4 | 8, BMessageBoxWarning, this);
    if (execModal(box) != QDialog::Accepted)
        return;
    ResetReportStatistics(gDeviceReportHooks.initStatistics, gDeviceReportHooks.initManualStop);
}
