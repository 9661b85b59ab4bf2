#include "platform/controls/Slider.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

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
        const auto note = [this](const std::string& event) {
            log.push_back(event + "@" + std::to_string(slider.value()));
        };
        QObject::connect(&slider, &Slider::MouseDown,
            [note](int button, int, int, int) { note("down" + std::to_string(button)); });
        QObject::connect(&slider, &Slider::MouseUp,
            [note](int button, int, int, int) { note("up" + std::to_string(button)); });
        QObject::connect(&slider, &Slider::Click, [note] { note("click"); });
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
    Log log;
};

// The timer writes value and maximum every second; none of that may look like
// the user moving the thumb. Long files need a wide range.
TEST_F(SliderEvents, WritingFromCodeOrTouchingADisabledSliderRaisesNothing)
{
    slider.setValue(7);
    slider.setMaximum(300);
    slider.setValue(299);
    slider.setMaximum(0);
    slider.setValue(3);
    slider.setRange(0, 10);
    slider.setSliderPosition(4);
    slider.setMaximum(2147483);
    slider.setValue(2147483);
    EXPECT_EQ(slider.value(), 2147483);

    slider.setRange(0, 10);
    slider.setValue(0);
    slider.setEnabled(false);
    const QPoint start = handleCentre();
    press(start);
    move(start + QPoint(200, 0));
    release(start + QPoint(200, 0));
    key(Qt::Key_Right);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(log, Log {});
}

// Down comes before the thumb moves, so the timer is off during a drag; the
// click comes last and sees the final value. Only the left button clicks.
// Arrow keys seek as a drag does: one click after each move, no mouse events.
TEST_F(SliderEvents, MouseAndKeysRaiseDownThenUpThenClick)
{
    const auto expectLog = [this](const Log& expected) {
        EXPECT_EQ(log, expected);
        log.clear();
        slider.setValue(0);
    };
    const QPoint start = handleCentre();
    press(start);
    move(start + QPoint(120, 0));
    move(start + QPoint(200, 0));
    move(start + QPoint(230, 0));
    ASSERT_GT(slider.value(), 0);
    release(start + QPoint(230, 0));
    std::string final = std::to_string(slider.value());
    expectLog({ "down1@0", "up1@" + final, "click@" + final });

    // A press beside the thumb puts the thumb there, and a drag goes on from
    // there; the click reports where the drag ended.
    const QPoint track(350, start.y());
    press(track);
    const int jumped = slider.value();
    move(track - QPoint(75, 0));
    release(track - QPoint(75, 0));
    EXPECT_EQ(jumped, 9);
    expectLog({ "down1@0", "up1@7", "click@7" });

    press(start, Qt::RightButton);
    release(start, Qt::RightButton);
    expectLog({ "down2@0", "up2@0" });

    // A drag cut short by the window disabling the slider (saving does) must
    // not end in a release without its press once the slider is enabled again.
    press(start);
    slider.setEnabled(false);
    release(start);
    slider.setEnabled(true);
    release(start);
    expectLog({ "down1@0" });

    for (const int code : { Qt::Key_Right, Qt::Key_PageUp, Qt::Key_End, Qt::Key_End, Qt::Key_A })
        key(code);
    expectLog({ "click@1", "click@6", "click@10" });
}

} // namespace

// The playback timer moves the thumb every second and only the strip it
// crossed is drawn again: what is on screen must still be what a whole
// drawing of the slider shows, with no thumb or played shade left behind.
TEST(SliderDrawing, StepsOfTheThumbLeaveTheScreenAsAWholeDrawing)
{
    Slider slider;
    slider.setGeometry(0, 0, 388, 25);
    slider.setRange(0, 60);
    std::vector<float> levels(120);
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = float(i % 10) / 10.0f;
    slider.setOverview(levels, 0.5);
    slider.setMarks(10'000, 20'000);
    slider.show();
    for (const int value : { 5, 6, 30, 12, 59, 0 }) {
        slider.setValue(value);
        QApplication::processEvents();
        const QImage onScreen = slider.screen()->grabWindow(slider.winId()).toImage();
        const QImage whole = slider.grab().toImage();
        EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32),
            whole.convertToFormat(QImage::Format_RGB32))
            << "after moving to " << value;
    }
}
