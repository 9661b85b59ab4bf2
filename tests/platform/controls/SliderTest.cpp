#include "platform/controls/Slider.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A slider on screen (offscreen platform) whose events are written down with
// the value the slider holds at that moment.
class SliderEvents : public testing::Test {
protected:
    void SetUp() override
    {
        slider.setGeometry(0, 0, 388, 25);
        slider.setRange(0, 10);
        slider.setSingleStep(1);
        slider.setPageStep(5);
        slider.show();
        QObject::connect(&slider, &Slider::MouseDown, [this](int button, int, int, int) {
            log.push_back("down" + std::to_string(button) + "@" + std::to_string(slider.value()));
        });
        QObject::connect(&slider, &Slider::MouseUp, [this](int button, int, int, int) {
            log.push_back("up" + std::to_string(button) + "@" + std::to_string(slider.value()));
        });
        QObject::connect(&slider, &Slider::Click,
            [this] { log.push_back("click@" + std::to_string(slider.value())); });
    }

    QPoint handleCentre()
    {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        option.subControls = QStyle::SC_All;
        return slider.style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
            .center();
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, slider.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    }
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse(QEvent::MouseButtonPress, at, button, button);
    }
    void move(QPoint at) { mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    void key(int code)
    {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    }

    Slider slider;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

// The timer writes value and maximum every second; none of that may look
// like the user moving the thumb.
TEST_F(SliderEvents, WritingFromCodeRaisesNothing)
{
    slider.setValue(7);
    slider.setMaximum(300);
    slider.setValue(299);
    slider.setMaximum(0);
    slider.setValue(3);
    slider.setRange(0, 10);
    slider.setSliderPosition(4);
    EXPECT_EQ(log, Log {});
}

TEST_F(SliderEvents, ValueReadsBackAsWrittenWithinTheRange)
{
    slider.setMaximum(2147483);
    slider.setValue(2147483);
    EXPECT_EQ(slider.value(), 2147483);
    EXPECT_EQ(slider.maximum(), 2147483);
    EXPECT_EQ(slider.minimum(), 0);
    slider.setMaximum(0);
    EXPECT_EQ(slider.value(), 0);
}

// Down comes before the thumb moves, so the timer is off during the drag; the
// click comes last and sees the final value.
TEST_F(SliderEvents, DragRaisesDownThenUpThenClickWithTheFinalValue)
{
    const QPoint start = handleCentre();
    press(start);
    move(start + QPoint(120, 0));
    move(start + QPoint(200, 0));
    const QPoint end = start + QPoint(230, 0);
    move(end);
    const int dragged = slider.value();
    ASSERT_GT(dragged, 0);
    release(end);

    const std::string final = std::to_string(dragged);
    EXPECT_EQ(log, (Log { "down1@0", "up1@" + final, "click@" + final }));
}

TEST_F(SliderEvents, ClickOnTheTrackRaisesTheSameThreeEventsAfterTheMove)
{
    const QPoint track(350, handleCentre().y());
    press(track);
    release(track);
    ASSERT_GT(slider.value(), 0);
    const std::string final = std::to_string(slider.value());
    EXPECT_EQ(log, (Log { "down1@0", "up1@" + final, "click@" + final }));
}

// Only the left button clicks; other buttons still report down and up.
TEST_F(SliderEvents, RightButtonRaisesDownAndUpButNoClick)
{
    const QPoint at = handleCentre();
    press(at, Qt::RightButton);
    release(at, Qt::RightButton);
    EXPECT_EQ(log, (Log { "down2@0", "up2@0" }));
}

TEST_F(SliderEvents, DisabledSliderRaisesNothingAndDoesNotMove)
{
    slider.setEnabled(false);
    const QPoint start = handleCentre();
    press(start);
    move(start + QPoint(200, 0));
    release(start + QPoint(200, 0));
    key(Qt::Key_Right);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(log, Log {});
}

// A drag cut short by the window disabling the slider (saving does) must not
// end in a release without its press once the slider is enabled again.
TEST_F(SliderEvents, PressCutShortByDisablingLeavesNoLateClick)
{
    const QPoint at = handleCentre();
    press(at);
    slider.setEnabled(false);
    release(at);
    slider.setEnabled(true);
    release(at);
    EXPECT_EQ(log, Log { "down1@0" });
}

// Arrow keys seek as a drag does: one click after the move, no mouse events.
TEST_F(SliderEvents, KeyMovesRaiseClickOnlyWhenTheThumbMoves)
{
    key(Qt::Key_Right);
    key(Qt::Key_PageUp);
    key(Qt::Key_End);
    key(Qt::Key_End);
    key(Qt::Key_A);
    EXPECT_EQ(log, (Log { "click@1", "click@6", "click@10" }));
}

} // namespace
