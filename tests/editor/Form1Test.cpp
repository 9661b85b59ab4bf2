#include "editor/Form1.h"

#include "tests/support/FormHarness.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using harness::FormHarness;

// Positions and sizes in pixels, each the design's twips divided by 15; the
// mark labels and P's frames belong to their frames. Every caption and label
// text must fit its control, and P with its video frames stays out of sight.
TEST(Form1Layout, ControlsSitWhereDesignedShowTheirTextsAndTheVideoFrameIsHidden)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Trimora"));
    EXPECT_EQ(f.size(), QSize(403, 282));
    EXPECT_EQ(f.minimumSize(), f.maximumSize()) << "the window is not resizable";
    const std::tuple<const char*, QWidget*, QRect, QWidget*> placements[] = {
        { "Label4", &f.Label4, { 8, 8, 124, 16 }, &f },
        { "H", &f.H, { 5, 31, 388, 25 }, &f },
        { "Command1", &f.Command1, { 13, 65, 67, 22 }, &f },
        { "Command2", &f.Command2, { 86, 65, 67, 22 }, &f },
        { "Command4", &f.Command4, { 159, 65, 67, 22 }, &f },
        { "Command7", &f.Command7, { 231, 65, 67, 22 }, &f },
        { "Command3", &f.Command3, { 303, 65, 79, 22 }, &f },
        { "Frame1", &f.Frame1, { 8, 96, 389, 65 }, &f },
        { "Label7", &f.Label7, { 73, 16, 63, 12 }, &f.Frame1 },
        { "Label9", &f.Label9, { 169, 16, 61, 12 }, &f.Frame1 },
        { "Label3", &f.Label3, { 270, 16, 67, 12 }, &f.Frame1 },
        { "Command5", &f.Command5, { 64, 128, 90, 22 }, &f },
        { "Command6", &f.Command6, { 160, 128, 90, 22 }, &f },
        { "Command9", &f.Command9, { 258, 128, 102, 22 }, &f },
        { "pb", &f.pb, { 8, 168, 387, 26 }, &f },
        { "WebBrowser1", &f.WebBrowser1, { 0, 200, 401, 81 }, &f },
        { "P", &f.P, { 68, 467, 353, 281 }, &f },
        { "Shape1", &f.Shape1, { 24, -279, 1, 1 }, &f },
    };
    for (const auto& [name, control, pixels, parent] : placements) {
        EXPECT_EQ(control->geometry(), pixels) << name;
        EXPECT_EQ(control->parentWidget(), parent) << name;
    }
    EXPECT_EQ(f.Frame4.parentWidget(), &f.P);
    EXPECT_EQ(f.Frame3.parentWidget(), &f.Frame4);

    const std::pair<QPushButton*, const char*> captions[]
        = { { &f.Command1, "Play" }, { &f.Command2, "Stop" }, { &f.Command4, "Open" },
              { &f.Command7, "Save" }, { &f.Command3, "Website" }, { &f.Command5, "Select Start" },
              { &f.Command6, "Select End" }, { &f.Command9, "Play Selected" } };
    for (const auto& [button, caption] : captions) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(button->isEnabled());
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.horizontalAdvance(button->text()) + 8, button->width());
        EXPECT_LE(metrics.height(), button->height());
    }
    // The selection buttons lie over Frame1 and must be the ones hit there.
    for (QPushButton* button : { &f.Command5, &f.Command6, &f.Command9 })
        EXPECT_EQ(f.childAt(button->geometry().center()), button) << button->text().toStdString();
    for (QLabel* label : { &f.Label4, &f.Label7, &f.Label9, &f.Label3 }) {
        EXPECT_EQ(label->text(), QString());
        EXPECT_EQ(label->alignment(), Qt::AlignCenter);
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("-9 :-59 :-59")), label->width());
        EXPECT_LE(metrics.ascent() + metrics.descent(), label->height() + 1);
        EXPECT_EQ(f.childAt(label->mapTo(&f, label->rect().center())), label);
    }

    EXPECT_FALSE(f.P.isVisible());
    EXPECT_GE(f.P.y(), f.height()) << "P lies wholly below the client area";
    EXPECT_FALSE(f.Frame4.isVisibleTo(&f));
    EXPECT_FALSE(f.Frame3.isVisibleTo(&f));
    EXPECT_FALSE(f.rect().intersects(f.Shape1.geometry()));
}

TEST(Form1Layout, SettingsAtStartAndTabOrder)
{
    FormHarness h;
    Form1& f = h.form();
    EXPECT_EQ(std::tuple(f.H.orientation(), f.H.minimum(), f.H.maximum(), f.H.singleStep(),
                  f.H.pageStep(), f.H.value(), f.H.isEnabled()),
        std::tuple(Qt::Horizontal, 0, 10, 1, 5, 0, true));
    EXPECT_EQ(f.T.Interval(), 1000);
    EXPECT_FALSE(f.T.Enabled());
    EXPECT_FALSE(f.movie.exists());
    EXPECT_TRUE(h.mci.commands.empty()) << "no device is touched before a file is opened";

    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_EQ(QApplication::focusWidget(), &f.H) << "the slider has the focus at start";
    for (QWidget* next :
        std::initializer_list<QWidget*> { &f.Command1, &f.Command2, &f.Command4, &f.Command7,
            &f.Command3, &f.Command5, &f.Command6, &f.Command9, &f.WebBrowser1, &f.H }) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

// At start the information page is requested once and what comes back is
// shown. Each press of "Website" hands the home page to the desktop's opener;
// a missing opener is an error no handler traps: it ends that handler only,
// the user reads what went wrong and the program goes on. Closing closes all
// devices and ends the program.
TEST(Form1, InformationPageWebsiteButtonAndClosing)
{
    FormHarness h;
    ASSERT_EQ(h.fetches.size(), 1u);
    EXPECT_EQ(h.fetches[0].url, QUrl(QStringLiteral("http://trimora.example/info.php?n=trimora")));
    h.fetches[0].done(QStringLiteral("<p>Trimora <b>news</b></p>"));
    EXPECT_EQ(h.form().WebBrowser1.toPlainText(), QStringLiteral("Trimora news"));

    h.shellCanStart = false;
    h.form().Command3.click();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("File not found"));
    EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
    EXPECT_EQ(h.quitRequests, 0);
    EXPECT_FALSE(h.runtime().Ending());
    h.shellCanStart = true;
    h.form().Command3.click();
    h.form().Command3.click();
    ASSERT_EQ(h.shellStarts.size(), 3u);
    for (const auto& start : h.shellStarts) {
        EXPECT_EQ(start.program, QStringLiteral("xdg-open"));
        EXPECT_EQ(start.arguments, QStringList { QStringLiteral("http://trimora.example/") });
    }
    EXPECT_EQ(h.messages.size(), 1u);
    EXPECT_TRUE(h.mci.commands.empty());
    EXPECT_FALSE(h.form().movie.exists());

    h.form().show();
    EXPECT_TRUE(h.form().close());
    EXPECT_EQ(h.mci.commands, std::vector<std::string> { "close all" });
    EXPECT_EQ(h.quitRequests, 1);
    EXPECT_TRUE(h.runtime().Ending());
    EXPECT_EQ(h.messages.size(), 1u);

    // An unreachable page leaves a short line and the window working.
    FormHarness unreachable;
    unreachable.fetches.at(0).done(std::nullopt);
    EXPECT_EQ(unreachable.form().WebBrowser1.toPlainText(), WebBrowser::kNotLoaded);
    unreachable.form().Command3.click();
    EXPECT_EQ(unreachable.shellStarts.size(), 1u);
    EXPECT_TRUE(unreachable.messages.empty());
}

// Closing inside another handler's wait ends the program there: the handler
// does not resume, and no later event runs a handler.
TEST(Form1, ClosingDuringAWaitEndsTheWaitingHandlerForGood)
{
    FormHarness h;
    Form1& f = h.form();
    f.show();
    f.H.setValue(4);
    f.Label4.setText(QStringLiteral(" 0 : 0 : 4"));
    h.duringWait = [&] {
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

} // namespace
