#include "network/networkparamswidget.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "network/cnt_net.h"
#include "widgets/bcombobox.h"
#include "widgets/blineedit.h"
#include "widgets/checkbox.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

namespace {
BLineEdit* Field(QWidget* parent, const char* title)
{
    auto* f = new BLineEdit(parent, QString::fromUtf8(title), QString(), KeyboardDigital);
    f->setFixedSize(200, 50);
    return f;
}

QHBoxLayout* Row(QVBoxLayout* column, QWidget* parent, const char* caption, bool margin0 = true)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(50);
    if (margin0)
        row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setMinimumWidth(130);
    row->addWidget(label);
    column->addLayout(row);
    return row;
}
}  // namespace

NetworkParamsWidget::NetworkParamsWidget(QWidget* parent) : BWidget(parent)
{
    setObjectName("NetworkParamsWidget");
    serialPort = new BComboBox(this);
    serialPort->setFixedSize(200, 50);
    serialPort->addItems({"COM1", "COM2", "COM3", "COM4"});
    card = new BComboBox(this);
    card->setFixedSize(200, 50);
    testResult = new QLabel(this);
    testResult->setStyleSheet("QLabel{font-size:22px;color:#DC143C;}");
    mac = new QLabel(this);
    bigData = new CheckBox(this, QString());
    address = Field(this, "192.168.3.5");
    deviceName = Field(this, "Computer");
    mask = Field(this, "255.255.255.0");
    useCard = new CheckBox(this, QString());
    gateway = Field(this, "192.168.3.1");
    testButton = new QPushButton(QString::fromUtf8("测试连接"), this);
    testButton->setFixedSize(200, 50);
    videoType = new QButtonGroup(this);
    const char* videoNames[3] = {"不传输视频", "截屏图像", " 相机图像"};
    for (int i = 0; i < 3; ++i)
        videoType->addButton(new QRadioButton(QString::fromUtf8(videoNames[i]), this), i);
    frameRate = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i)
        frameRate->addButton(new QRadioButton(QString::number((i + 1) * 5), this), i);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(80, 50, 200, 50);
    column->setSpacing(40);
    auto finish = [](QHBoxLayout* row) { row->addStretch(); };
    QHBoxLayout* r = Row(column, this, "网卡", false);
    r->addWidget(card);
    finish(r);
    r = Row(column, this, "串口", false);
    r->addWidget(serialPort);
    finish(r);
    r = Row(column, this, "MAC地址:");
    r->addWidget(mac);
    finish(r);
    const struct {
        const char* caption;
        BLineEdit* field;
        QWidget* secondCaption;
        QWidget* second;
    } pairs[3] = {{"IP地址", address, new QLabel(QString::fromUtf8("设备号"), this), deviceName},
                  {"子网掩码", mask, new QLabel(QString::fromUtf8("使用此网卡联网"), this), useCard},
                  {"网关", gateway, new QLabel(textRow(358), this), bigData}};
    for (const auto& p : pairs) {
        r = Row(column, this, p.caption);
        r->addWidget(p.field);
        r->addSpacing(185);
        r->addWidget(p.secondCaption);
        r->addWidget(p.second);
        finish(r);
    }
    r = Row(column, this, "功能");
    r->addWidget(testButton);
    r->addWidget(testResult);
    finish(r);
    for (QButtonGroup* group : {videoType, frameRate}) {
        r = Row(column, this, "视频类型");
        r->setSpacing(30);
        for (QAbstractButton* b : group->buttons())
            r->addWidget(b);
        finish(r);
    }
    column->addStretch();
    setStyleSheet("QLabel{font-size:22px;color:#656263;}");
    // "Connecting large data system" takes what its row leaves beside the field and the spacing.
    FitInLayout(pairs[2].secondCaption, textRow(358), 320, 22);
}

void NetworkParamsWidget::WizardParaInit()
{
    if (!gpWParaBak)
        return;
    bigData->setChecked(gpWParaBak->cnt_net_enabled != 0);
    serialPort->setCurrentIndex(gpWParaBak->serial_port);
    if (initCards)
        initCards();
}

void NetworkParamsWidget::accept()
{
    if (!gpWParaBak)
        return;
    gpWParaBak->cnt_net_enabled = bigData->isChecked() ? 1 : 0;
    if (gpNet)
        gpNet->cardEdit.hostName = deviceName->text();
    // A value the groups have no button for stays as it was.
    if (videoType->checkedId() >= 0)
        gpWParaBak->video_share = videoType->checkedId();
    if (frameRate->checkedId() >= 0)
        gpWParaBak->video_fps_index = frameRate->checkedId();
    gpWParaBak->serial_port = serialPort->currentIndex();
}
