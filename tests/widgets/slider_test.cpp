// The picture slider: steps, drags, limits, auto-repeat and the keypad on its value box.
#include <QSignalSpy>

#include "widgetfixture.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/numberinput.h"
#include "widgets/slider.h"
#include "widgets/toolkitglobals.h"

class SliderTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        window.resize(1400, 300);
        slider = new Slider(0, 255, 10, 100, &window, "Gray");
        slider->setGeometry(0, 20, 1370, 60);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        slider->grab();  // paints once: the knob's place is known
    }
    QPoint knobCentre() const { return slider->knobRect().center(); }
    void drag(int from, int to)
    {
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(from, 30));
        QMouseEvent move(QEvent::MouseMove, QPointF(to, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(to, 30));
    }

    QWidget window;
    Slider* slider = nullptr;
};

TEST_F(SliderTest, GeometryFollowsTheWidth)
{
    EXPECT_EQ(slider->trackWidth(), 1000);
    EXPECT_EQ(slider->fillOffset(), 30);
    EXPECT_EQ(slider->fillLength(), 950);
    EXPECT_EQ(slider->addButton()->pos(), QPoint(1300, (60 - 1 - 27) / 2 - 6));
    EXPECT_EQ(slider->subButton()->pos(), QPoint(220, 10));
    EXPECT_EQ(slider->knobRect().x(), 295 + 30 + Slider::fillFor(100, 0, 255, 950));
}

TEST_F(SliderTest, StepButtonsStopAtTheLimits)
{
    QTest::mouseClick(slider->addButton(), Qt::LeftButton);
    EXPECT_EQ(slider->value(), 101);
    QTest::mouseClick(slider->subButton(), Qt::LeftButton);
    QTest::mouseClick(slider->subButton(), Qt::LeftButton);
    EXPECT_EQ(slider->value(), 99);
    slider->setValue(255);
    QTest::mouseClick(slider->addButton(), Qt::LeftButton);
    EXPECT_EQ(slider->value(), 255);
    slider->setValue(0);
    QTest::mouseClick(slider->subButton(), Qt::LeftButton);
    EXPECT_EQ(slider->value(), 0);
}

TEST_F(SliderTest, HeldButtonRepeats)
{
    QSignalSpy changes(slider, &Slider::valueChanged);
    QTest::mousePress(slider->addButton(), Qt::LeftButton);
    QTest::qWait(300 + 50 * 3 + 40);
    QTest::mouseRelease(slider->addButton(), Qt::LeftButton);
    EXPECT_GE(slider->value(), 103);
    EXPECT_LE(slider->value(), 106);
}

TEST_F(SliderTest, DragsMoveByWholeStepsFromTheKnobOnly)
{
    const int k = knobCentre().x();
    // 950 px for 255 steps: 3 px is less than one step.
    drag(k, k + 3);
    EXPECT_EQ(slider->value(), 100);
    drag(k, k + 95);
    EXPECT_EQ(slider->value(), 100 + int(255.0f * (95.0f / 950.0f)));
    slider->grab();
    const int before = slider->value();
    drag(slider->knobRect().x() - 200, slider->knobRect().x() + 100);  // outside the grab zone
    EXPECT_EQ(slider->value(), before);
    slider->grab();
    drag(slider->knobRect().x() + 5, 1369);
    slider->grab();
    drag(slider->knobRect().x() + 5, 1369);
    EXPECT_EQ(slider->value(), 255);
}

TEST_F(SliderTest, ValueBoxCallsUpTheKeypad)
{
    NumberInput pad;
    gpNumPad = &pad;
    pad.setParent(&window);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(170, 30));
    EXPECT_EQ(host.keypadTarget(), slider->entryField());
    EXPECT_TRUE(pad.isVisible());
    EXPECT_EQ(slider->value(), 100);  // the field was empty: nothing changes yet
    ASSERT_TRUE(clickKey(&pad, "4"));
    ASSERT_TRUE(clickKey(&pad, "2"));
    EXPECT_EQ(slider->value(), 42);
    ASSERT_TRUE(clickKey(&pad, "9"));
    EXPECT_EQ(slider->value(), 255);
    QTest::mouseClick(slider->addButton(), Qt::LeftButton);
    EXPECT_EQ(slider->entryField()->text(), "429");  // not updated by the buttons
    ASSERT_TRUE(clickKey(&pad, "Confirm"));
    EXPECT_FALSE(pad.isVisible());
    // Opening again empties the old digits: 0 until new digits come.
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(170, 30));
    EXPECT_EQ(slider->value(), 0);
    ASSERT_TRUE(clickKey(&pad, "7"));
    EXPECT_EQ(slider->value(), 7);
    gpNumPad = nullptr;
}

TEST_F(SliderTest, ResetAndEmptyRange)
{
    slider->Reset(5, 5, 1, 9, "Area");
    EXPECT_EQ(slider->objectName(), "Area");
    EXPECT_EQ(slider->value(), 5);
    slider->grab();  // an empty range draws no fill and does not divide by zero
    EXPECT_EQ(slider->knobRect().x(), 295 + 30);
    EXPECT_EQ(Slider::dragDelta(50, 0, 100, 0), 0);
    EXPECT_EQ(Slider::fillFor(3, 5, 5, 950), 0);
    slider->entryField()->setText("99999999999");
    EXPECT_EQ(slider->value(), 5);
}
