// Presses on an overlay reach the controls of the view lying under it; presses on the bare view
// stay with the overlay. One tap on a forwarded button is one press and one click.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "mainscreen/overlaypress.h"

namespace {

// A view area with one view holding a button, and an overlay above the view's lower part.
class Overlay : public QWidget {
public:
    using QWidget::QWidget;
    OverlayPress forward;
    int ownPresses = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (!forward.press(this, e))
            ++ownPresses;
    }
    void mouseMoveEvent(QMouseEvent* e) override { forward.move(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { forward.release(e); }
};

struct Scene {
    QWidget area;
    QWidget* view;
    QPushButton* button;
    Overlay* overlay;
    Overlay* side;
    int pressed = 0, clicked = 0;

    Scene()
    {
        area.resize(800, 600);
        view = new QWidget(&area);
        view->setGeometry(0, 0, 800, 600);
        button = new QPushButton("move", view);
        button->setGeometry(300, 530, 120, 60);
        overlay = new Overlay(&area);
        overlay->setGeometry(0, 420, 800, 180);
        overlay->setProperty(kOverlayProperty, true);
        side = new Overlay(&area);
        side->setGeometry(560, 0, 240, 600);
        side->setProperty(kOverlayProperty, true);
        QObject::connect(button, &QPushButton::pressed, [this] { ++pressed; });
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicked; });
        area.show();
    }
};

}  // namespace

TEST(OverlayPress, FindsTheControlUnderThePress)
{
    Scene s;
    const QPoint onButton = s.area.mapToGlobal(QPoint(350, 560));
    EXPECT_EQ(OverlayPress::controlUnder(s.overlay, onButton), s.button);
    // The bare view under the overlay is no control.
    EXPECT_EQ(OverlayPress::controlUnder(s.overlay, s.area.mapToGlobal(QPoint(100, 500))), nullptr);
    // A hidden control is not found.
    s.button->hide();
    EXPECT_EQ(OverlayPress::controlUnder(s.overlay, onButton), nullptr);
}

TEST(OverlayPress, ForwardsATapOnceAndKeepsOtherPresses)
{
    Scene s;
    QTest::mouseClick(s.overlay, Qt::LeftButton, Qt::NoModifier, QPoint(350, 140));
    EXPECT_EQ(s.pressed, 1);
    EXPECT_EQ(s.clicked, 1);
    EXPECT_EQ(s.overlay->ownPresses, 0);
    EXPECT_FALSE(s.button->isDown());

    QTest::mouseClick(s.overlay, Qt::LeftButton, Qt::NoModifier, QPoint(100, 80));
    EXPECT_EQ(s.overlay->ownPresses, 1);
    EXPECT_EQ(s.clicked, 1);
}

TEST(OverlayPress, LooksThroughAnotherOverlay)
{
    Scene s;
    s.button->setGeometry(600, 530, 120, 60);  // under both the side strip and the status strip
    QTest::mouseClick(s.side, Qt::LeftButton, Qt::NoModifier, QPoint(80, 560));
    EXPECT_EQ(s.clicked, 1);
    EXPECT_EQ(s.side->ownPresses, 0);
    EXPECT_EQ(s.overlay->ownPresses, 0);
    // On the side strip above the bare view the press stays with it.
    QTest::mouseClick(s.side, Qt::LeftButton, Qt::NoModifier, QPoint(80, 100));
    EXPECT_EQ(s.side->ownPresses, 1);
}
