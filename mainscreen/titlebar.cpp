#include "mainscreen/titlebar.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "mainscreen/chromerules.h"
#include "widgets/splitline.h"


namespace {
QPixmap exactIcon(const QString& path, int side)
{
    return QPixmap(path).scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QLabel* iconLabel(QWidget* parent, const QString& path)
{
    auto* l = new QLabel(parent);
    l->setFixedSize(16, 16);
    l->setPixmap(QPixmap(path).scaledToWidth(16, Qt::SmoothTransformation));
    return l;
}

const char* kTextStyle = "color:#ffffff;font-size:18px;";
}  // namespace

CameraInfo::CameraInfo(int camera, QWidget* parent) : QWidget(parent), camera_(camera)
{
    msgIcon_ = iconLabel(this, ":/img/icons/warning2.png");
    iconPath_ = ":/img/icons/warning2.png";
    msgText_ = new QLabel(QString("%1相机检测信息").arg(camera + 1), this);
    ngNum_ = new QLabel("0", this);
    ngNum_->setMinimumWidth(70);
    layerNum_ = new QLabel("0", this);
    layerNum_->setMinimumWidth(70);
    QLabel* ngIcon = iconLabel(this, ":/img/icons/17a.png");
    QLabel* layerIcon = iconLabel(this, ":/img/icons/layer.png");
    for (QLabel* l : {msgText_, ngNum_, layerNum_})
        l->setStyleSheet(kTextStyle);
    ngNum_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layerNum_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A long status line must not push the counts out of the strip.
    msgText_->setMinimumWidth(0);
    msgText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(msgIcon_, 0);
    row->addWidget(msgText_, 1);
    row->addWidget(ngIcon, 0, Qt::AlignRight);
    row->addWidget(ngNum_, 0, Qt::AlignRight);
    row->addWidget(layerIcon, 0, Qt::AlignRight);
    row->addWidget(layerNum_, 0, Qt::AlignRight);
}

// The views hand their texts over on every paint: a label is set only when its text changes, so
// an unchanged strip is not painted again.
static void setChanged(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

void CameraInfo::setMessage(QString text, MessageType kind)
{
    const QString icon = kind == MESSAGE_NORMAL ? ":/img/icons/15.png" : ":/img/icons/warning2.png";
    if (icon != iconPath_ || !msgIcon_->pixmap() || msgIcon_->pixmap()->isNull()) {
        iconPath_ = icon;
        msgIcon_->setPixmap(QPixmap(iconPath_).scaledToWidth(16, Qt::SmoothTransformation));
    }
    setChanged(msgText_, text);
}

void CameraInfo::setNGNum(QString text) { setChanged(ngNum_, text); }
void CameraInfo::setLayerNum(QString text) { setChanged(layerNum_, text); }
QString CameraInfo::message() const { return msgText_->text(); }
QString CameraInfo::ngNum() const { return ngNum_->text(); }
QString CameraInfo::layerNum() const { return layerNum_->text(); }

TitleBar::TitleBar(QWidget* parent) : BWidget(parent)
{
    InitChromeResources();
    setObjectName("TitleBar");
    for (int i = 0; i < 4; ++i)
        info_[i] = new CameraInfo(i, this);
    timing_ = new QLabel("0.0s", this);
    timing_->setMinimumWidth(60);
    for (int i = 0; i < 8; ++i) {
        lamps_[i] = new QLabel(this);
        lamps_[i]->setFixedSize(38, 38);
        lampPic_[i] = lampPictureNumber(i / 4, i % 4, 0);
        lamps_[i]->setPixmap(QPixmap(QString(":/img/icons/%1.png").arg(lampPic_[i]))
                                 .scaledToWidth(38, Qt::SmoothTransformation));
    }
    location_ = new QLabel("311,432,0", this);
    auto* costIcon = new QLabel(this);
    costIcon->setPixmap(exactIcon(":/img/icons/costTime.png", 16));
    auto* locIcon = new QLabel(this);
    locIcon->setPixmap(exactIcon(":/img/icons/location.png", 16));
    date_ = new QLabel("0000-00-00", this);
    time_ = new QLabel("00:00", this);
    for (QLabel* l : {timing_, location_, date_, time_})
        l->setStyleSheet(kTextStyle);
    // Room for the clock's "HH:mm:ss" from the start, so that its first tick is not cut.
    time_->ensurePolished();
    time_->setMinimumWidth(QFontMetrics(time_->font()).horizontalAdvance(QStringLiteral("00:00:00")) + 2);

    auto* colA = new QVBoxLayout;
    colA->setContentsMargins(0, 0, 0, 0);
    colA->addWidget(info_[0]);
    colA->addWidget(info_[2]);
    auto* colB = new QVBoxLayout;
    colB->setContentsMargins(0, 0, 0, 0);
    colB->addWidget(info_[1]);
    colB->addWidget(info_[3]);
    auto* lampRow = new QHBoxLayout;
    lampRow->setContentsMargins(0, 0, 0, 0);
    lampRow->setSpacing(20);
    for (QLabel* l : lamps_)
        lampRow->addWidget(l);
    auto* upper = new QHBoxLayout;
    upper->addWidget(costIcon);
    upper->addWidget(timing_);
    upper->addSpacing(10);
    upper->addWidget(date_);
    upper->addWidget(time_);
    auto* lower = new QHBoxLayout;
    lower->addWidget(locIcon);
    lower->addWidget(location_);
    auto* colD = new QVBoxLayout;
    colD->setContentsMargins(0, 0, 0, 0);
    colD->addLayout(upper);
    colD->addLayout(lower);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 20);
    row->addLayout(colA, 1);
    row->addSpacing(30);
    row->addWidget(createVerticalSplitLine(this, "#ffffff"));
    row->addSpacing(30);
    row->addLayout(colB, 1);
    row->addSpacing(30);
    row->addWidget(createVerticalSplitLine(this, "#ffffff"));
    row->addSpacing(40);
    row->addLayout(lampRow, 0);
    row->addSpacing(40);
    row->addWidget(createVerticalSplitLine(this, "#ffffff"));
    row->addSpacing(30);
    row->addLayout(colD, 0);

    setFixedHeight(98);
    setStyleSheet("TitleBar{background-color:#1f3f8d;}");

    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, &TitleBar::SlotClock);
    clock_->start(1000);
}

void TitleBar::SlotClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    date_->setText(now.toString("yyyy-MM-dd"));
    time_->setText(now.toString("HH:mm:ss"));
}

void TitleBar::setCameraInfo(int camera, CameraInfo::DATA_TYPE type, QString text, MessageType kind)
{
    const bool isStrip = type == CameraInfo::MESSAGE || type == CameraInfo::LAYER || type == CameraInfo::NG;
    if (!isStrip) {
        setChanged(timing_, text);
        return;
    }
    CameraInfo* strip = cameraInfo(camera);
    if (!strip)
        return;
    if (type == CameraInfo::MESSAGE)
        strip->setMessage(text, kind);
    else if (type == CameraInfo::LAYER)
        strip->setLayerNum(text);
    else
        strip->setNGNum(text);
}

void TitleBar::setLocation(QString text) { setChanged(location_, text); }

void TitleBar::promptSwitching_State(int io, int index, int state)
{
    if ((io != 0 && io != 1) || index < 0 || index > 3)
        return;
    const int lamp = index + 4 * io;
    const int n = lampPictureNumber(io, index, state);
    if (n != lampPic_[lamp]) {
        lampPic_[lamp] = n;
        lamps_[lamp]->setPixmap(exactIcon(QString(":/img/icons/%1.png").arg(n), 38));
    }
}

QString TitleBar::timing() const { return timing_->text(); }
QString TitleBar::location() const { return location_->text(); }
QString TitleBar::date() const { return date_->text(); }
QString TitleBar::time() const { return time_->text(); }
