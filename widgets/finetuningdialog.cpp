#include "widgets/finetuningdialog.h"

#include <QGridLayout>
#include <QPushButton>

#include "widgets/toolkitglobals.h"
#include "widgets/toolkithost.h"

FinetuningDialog::FinetuningDialog(QWidget* parent) : BWidget(parent)
{
    InitWidgetResources();
    auto make = [this](const char* icon, bool repeat) {
        auto* b = new QPushButton(this);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setFixedSize(55, 55);
        b->setIconSize(QSize(50, 50));
        b->setAutoRepeat(repeat);
        return b;
    };
    up_ = make(":/img/icons/MoveUp.png", true);
    left_ = make(":/img/icons/MoveLeft.png", true);
    whole_ = make(":/img/icons/ZoomAll.png", false);
    right_ = make(":/img/icons/MoveRight.png", true);
    down_ = make(":/img/icons/MoveDown.png", true);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(0);
    grid->addWidget(up_, 0, 1, Qt::AlignCenter);
    grid->addWidget(left_, 1, 0, Qt::AlignLeft);
    grid->addWidget(whole_, 1, 1, Qt::AlignCenter);
    grid->addWidget(right_, 1, 2, Qt::AlignRight);
    grid->addWidget(down_, 2, 1, Qt::AlignCenter);

    // The host is looked up at each press: the main window may be installed after this panel.
    connect(up_, &QPushButton::pressed, this, [] { toolkitHost()->SlotMoveT(); });
    connect(left_, &QPushButton::pressed, this, [] { toolkitHost()->SlotMoveL(); });
    connect(whole_, &QPushButton::pressed, this, [] { toolkitHost()->MRecovery(); });
    connect(right_, &QPushButton::pressed, this, [] { toolkitHost()->SlotMoveR(); });
    connect(down_, &QPushButton::pressed, this, [] { toolkitHost()->SlotMoveB(); });

    setFixedSize(165, 165);
    setWindowOpacity(1.0);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    setStyleSheet("QPushButton{border-style:none;background:transparent;}"
                  "QPushButton:pressed{background-color:#FFC107;}");
}
