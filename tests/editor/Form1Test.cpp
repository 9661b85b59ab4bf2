#include "editor/Form1.h"

#include "platform/runtime/RuntimeError.h"
#include "tests/support/FormHarness.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

using harness::FormHarness;

struct Placement {
    const char* name;
    QWidget* control;
    QRect pixels;
};

// Positions and sizes in pixels, each the design's twips divided by 15.
std::vector<Placement> designedPlacements(Form1& f)
{
    return {
        { "Label4", &f.Label4, { 8, 8, 124, 16 } },
        { "H", &f.H, { 5, 31, 388, 25 } },
        { "Command1", &f.Command1, { 13, 65, 67, 22 } },
        { "Command2", &f.Command2, { 86, 65, 67, 22 } },
        { "Command4", &f.Command4, { 159, 65, 67, 22 } },
        { "Command7", &f.Command7, { 231, 65, 67, 22 } },
        { "Command3", &f.Command3, { 303, 65, 79, 22 } },
        { "Frame1", &f.Frame1, { 8, 96, 389, 65 } },
        { "Label7", &f.Label7, { 73, 16, 63, 12 } },
        { "Label9", &f.Label9, { 169, 16, 61, 12 } },
        { "Label3", &f.Label3, { 270, 16, 67, 12 } },
        { "Command5", &f.Command5, { 64, 128, 90, 22 } },
        { "Command6", &f.Command6, { 160, 128, 90, 22 } },
        { "Command9", &f.Command9, { 258, 128, 102, 22 } },
        { "pb", &f.pb, { 8, 168, 387, 26 } },
        { "WebBrowser1", &f.WebBrowser1, { 0, 200, 401, 81 } },
        { "P", &f.P, { 68, 467, 353, 281 } },
        { "Shape1", &f.Shape1, { 24, -279, 1, 1 } },
    };
}

TEST(Form1Layout, WindowAndControlsSitWhereDesigned)
{
    FormHarness h;
    Form1& f = h.form();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Trimora"));
    EXPECT_EQ(f.size(), QSize(403, 282));
    EXPECT_EQ(f.minimumSize(), f.maximumSize()) << "the window is not resizable";
    for (const Placement& p : designedPlacements(f))
        EXPECT_EQ(p.control->geometry(), p.pixels) << p.name;

    // The mark labels and P's frames belong to their frames.
    EXPECT_EQ(f.Label7.parentWidget(), &f.Frame1);
    EXPECT_EQ(f.Label9.parentWidget(), &f.Frame1);
    EXPECT_EQ(f.Label3.parentWidget(), &f.Frame1);
    EXPECT_EQ(f.Frame4.parentWidget(), &f.P);
    EXPECT_EQ(f.Frame3.parentWidget(), &f.Frame4);
    EXPECT_EQ(f.Command5.parentWidget(), &f);
}

TEST(Form1Layout, SettingsAtStart)
{
    FormHarness h;
    Form1& f = h.form();
    for (QLabel* label : { &f.Label4, &f.Label7, &f.Label9, &f.Label3 }) {
        EXPECT_EQ(label->text(), QString());
        EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    }
    const std::pair<QPushButton*, const char*> captions[]
        = { { &f.Command1, "Play" }, { &f.Command2, "Stop" }, { &f.Command4, "Open" },
              { &f.Command7, "Save" }, { &f.Command3, "Website" }, { &f.Command5, "Select Start" },
              { &f.Command6, "Select End" }, { &f.Command9, "Play Selected" } };
    for (const auto& [button, caption] : captions) {
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(button->isEnabled()) << caption;
    }

    EXPECT_EQ(f.H.orientation(), Qt::Horizontal);
    EXPECT_EQ(f.H.minimum(), 0);
    EXPECT_EQ(f.H.maximum(), 10);
    EXPECT_EQ(f.H.singleStep(), 1);
    EXPECT_EQ(f.H.pageStep(), 5);
    EXPECT_EQ(f.H.value(), 0);
    EXPECT_TRUE(f.H.isEnabled());

    EXPECT_EQ(f.T.Interval(), 1000);
    EXPECT_FALSE(f.T.Enabled());
    EXPECT_EQ(f.pb.Max(), 100.0f);
    EXPECT_EQ(f.pb.Value(), 0.0f);

    EXPECT_FALSE(f.movie.exists());
    EXPECT_EQ(f.selectionStartMs, 0);
    EXPECT_EQ(f.selectionEndMs, 0);
    EXPECT_EQ(f.sourcePath, QString());
    EXPECT_TRUE(h.mci.commands.empty());
}

TEST(Form1Layout, ShownWindowKeepsTheVideoFrameOutOfSight)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    EXPECT_FALSE(f.P.isVisible());
    EXPECT_GE(f.P.y(), f.height()) << "P lies wholly below the client area";
    EXPECT_FALSE(f.Frame4.isVisibleTo(&f));
    EXPECT_FALSE(f.Frame3.isVisibleTo(&f));
    EXPECT_FALSE(f.rect().intersects(f.Shape1.geometry()));

    // The selection buttons lie over Frame1 and must be the ones hit there.
    for (QPushButton* button : { &f.Command5, &f.Command6, &f.Command9 })
        EXPECT_EQ(f.childAt(button->geometry().center()), button) << button->text().toStdString();
    for (QLabel* label : { &f.Label7, &f.Label9, &f.Label3 })
        EXPECT_EQ(f.childAt(label->mapTo(&f, label->rect().center())), label);
}

// Every caption and label text must fit its control in the chosen font.
TEST(Form1Layout, CaptionsAndClockTextsFit)
{
    FormHarness h;
    Form1& f = h.form();
    for (QPushButton* button : { &f.Command1, &f.Command2, &f.Command4, &f.Command7, &f.Command3,
             &f.Command5, &f.Command6, &f.Command9 }) {
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.horizontalAdvance(button->text()) + 8, button->width())
            << button->text().toStdString();
        EXPECT_LE(metrics.height(), button->height());
    }
    const QString widest = QStringLiteral("-9 :-59 :-59");
    for (QLabel* label : { &f.Label4, &f.Label7, &f.Label9, &f.Label3 }) {
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(widest), label->width());
        EXPECT_LE(metrics.ascent() + metrics.descent(), label->height() + 1);
    }
}

TEST(Form1Layout, TabGoesThroughTheControlsInDesignOrder)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_EQ(QApplication::focusWidget(), &f.H) << "the slider has the focus at start";

    const std::vector<QWidget*> expected = { &f.Command1, &f.Command2, &f.Command4, &f.Command7,
        &f.Command3, &f.Command9, &f.Command6, &f.Command5, &f.WebBrowser1, &f.H };
    for (QWidget* next : expected) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST(Form1Start, RequestsTheInformationPageOnceAndShowsWhatComesBack)
{
    FormHarness h;
    ASSERT_EQ(h.fetches.size(), 1u);
    EXPECT_EQ(h.fetches[0].url, QUrl(Form1::kInfoPage));
    EXPECT_EQ(h.fetches[0].url.host(), QStringLiteral("trimora.example"));
    EXPECT_EQ(h.fetches[0].url.path(), QStringLiteral("/info.php"));
    EXPECT_EQ(h.fetches[0].url.query(), QStringLiteral("n=trimora"));

    h.fetches[0].done(QStringLiteral("<p>Trimora <b>news</b></p>"));
    EXPECT_EQ(h.form().WebBrowser1.toPlainText(), QStringLiteral("Trimora news"));
}

TEST(Form1Start, UnreachablePageLeavesAShortLineAndTheWindowWorking)
{
    FormHarness h;
    ASSERT_EQ(h.fetches.size(), 1u);
    h.fetches[0].done(std::nullopt);
    EXPECT_EQ(h.form().WebBrowser1.toPlainText(), WebBrowser::kNotLoaded);
    EXPECT_TRUE(h.messages.empty());
    h.form().Command3.click();
    EXPECT_EQ(h.shellStarts.size(), 1u);
}

TEST(Form1Website, EachPressStartsTheOpenerWithTheHomePage)
{
    FormHarness h;
    h.form().Command3.click();
    h.form().Command3.click();
    ASSERT_EQ(h.shellStarts.size(), 2u);
    for (const auto& start : h.shellStarts) {
        EXPECT_EQ(start.program, QStringLiteral("xdg-open"));
        EXPECT_EQ(start.arguments, QStringList { Form1::kHomePage });
    }
    EXPECT_EQ(QUrl(Form1::kHomePage).path(), QStringLiteral("/"));
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(h.mci.commands.empty());
    EXPECT_FALSE(h.form().movie.exists());
}

// An error no handler traps ends that handler only: the user reads what went
// wrong and the program goes on.
TEST(Form1Website, MissingOpenerIsReportedAndTheProgramGoesOn)
{
    FormHarness h;
    h.shellCanStart = false;
    h.form().Command3.click();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, rt::describeError(rt::err::FileNotFound));
    EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
    EXPECT_EQ(h.quitRequests, 0);
    EXPECT_FALSE(h.runtime().Ending());

    h.shellCanStart = true;
    h.form().Command3.click();
    EXPECT_EQ(h.shellStarts.size(), 2u);
    EXPECT_EQ(h.messages.size(), 1u);
}

TEST(Form1Close, ClosingRightAfterStartClosesAllDevicesAndEnds)
{
    FormHarness h;
    h.form().show();
    EXPECT_TRUE(h.form().close());
    EXPECT_EQ(h.mci.commands, std::vector<std::string> { "close all" });
    EXPECT_TRUE(h.form().movie.exists());
    EXPECT_EQ(h.quitRequests, 1);
    EXPECT_TRUE(h.runtime().Ending());
    EXPECT_TRUE(h.messages.empty());
}

// Closing inside another handler's wait ends the program there: the handler
// does not resume, and no later event runs a handler.
TEST(Form1Close, ClosingDuringAWaitEndsTheWaitingHandlerForGood)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    f.H.setValue(4);
    f.Label4.setText(QStringLiteral(" 0 : 0 : 4"));
    h.duringWait = [&](double) {
        if (!h.runtime().Ending())
            f.close();
    };
    f.Command2.click(); // Stop waits a second before it rewinds
    ASSERT_EQ(h.mci.count("close all"), 1u);
    EXPECT_EQ(h.mci.commands.back(), "close all") << "nothing reached the device after closing";
    EXPECT_EQ(f.H.value(), 4);
    EXPECT_EQ(f.Label4.text(), QStringLiteral(" 0 : 0 : 4"));

    const std::size_t sent = h.mci.commands.size();
    emit f.T.Timer();
    f.Command1.click();
    f.Command3.click();
    EXPECT_EQ(h.mci.commands.size(), sent);
    EXPECT_TRUE(h.shellStarts.empty());
    EXPECT_EQ(h.quitRequests, 1);
}

TEST(Form1Events, SliderMouseEventsReachTheirHandlers)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    f.T.setEnabled(true);
    const QPoint at(350, f.H.height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, f.H.mapToGlobal(at), Qt::LeftButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.H, &press);
    EXPECT_FALSE(f.T.Enabled()) << "mouse down stops the timer";
    QMouseEvent release(QEvent::MouseButtonRelease, at, f.H.mapToGlobal(at), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&f.H, &release);
    EXPECT_GT(h.mci.commands.size(), 0u) << "mouse up and click ask the device";
}

} // namespace
