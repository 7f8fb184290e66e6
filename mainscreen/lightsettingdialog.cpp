#include "mainscreen/lightsettingdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

lightsettingdialog::lightsettingdialog(QWidget* parent) : QDialog(parent)
{
    auto* panel = new QWidget(this);
    panel->setFixedSize(600, 400);
    auto* header = new QWidget(panel);
    header->setFixedHeight(100);
    header->setStyleSheet("color:white;background-color:#1E1E1E;font-size:20px;border:0px;}");
    title_ = new QLabel("网络设置", header);
    title_->setFixedSize(600, 100);
    title_->setStyleSheet("color:white;font-size:28px;");
    ok_ = new QPushButton("确定", header);
    ok_->setFixedSize(120, 60);
    ok_->setStyleSheet("outline:0px;border:0px;font-size:20px;color:white;background-color:#8BC34A;");
    cancel_ = new QPushButton("取消", header);
    cancel_->setFixedSize(120, 60);
    cancel_->setStyleSheet("outline:0px;border:0px;font-size:20px;color:white;background-color:#E91E63;");

    auto* row = new QHBoxLayout(header);
    row->setSpacing(30);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(title_);
    row->addStretch();
    row->addWidget(cancel_);
    row->addWidget(ok_);
    auto* col = new QVBoxLayout(panel);
    col->addWidget(header);
    col->addStretch();

    connect(ok_, &QPushButton::pressed, this, &QDialog::accept);
    connect(cancel_, &QPushButton::pressed, this, &QDialog::reject);
    setStyleSheet(
        "background-color:rgb(57,60,69);border-style: outset;background-color:none;QDialog{color:none;border:1px "
        "solid rgb(255, 255, 255);}lishtsettingBase{background:#CCCCCC;border: none;border-radius: "
        "15px;height: 30px;}QPushButton:pressed{background-color:#FFC107;}QLabel{color:white;}QLineEdit:!focus{"
        "border: 1px solid #959595;background:transparent;color:white;}QLineEdit:focus{background:white;color:"
        "black;}");
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
}

void lightsettingdialog::setText(const QString& text) { title_->setText(text); }
QString lightsettingdialog::text() const { return title_->text(); }
