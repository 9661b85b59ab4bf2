#include "platform/runtime/WindowHandle.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(WindowHandle, NamesEachWidgetWithItsOwnStableNumber)
{
    QWidget first;
    QWidget second;
    const std::int32_t a = rt::windowHandle(first);
    const std::int32_t b = rt::windowHandle(second);
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(rt::windowHandle(first), a);
    EXPECT_EQ(rt::widgetFromHandle(a), &first);
    EXPECT_EQ(rt::widgetFromHandle(b), &second);
    EXPECT_EQ(rt::widgetFromHandle(0), nullptr);
    EXPECT_EQ(rt::widgetFromHandle(-1), nullptr);
}

TEST(WindowHandle, AHandleOutlivesNoWidgetAndIsNeverReused)
{
    auto widget = std::make_unique<QWidget>();
    const std::int32_t old = rt::windowHandle(*widget);
    widget.reset();
    EXPECT_EQ(rt::widgetFromHandle(old), nullptr);
    // A new widget, perhaps at the same address, gets a number of its own.
    auto replacement = std::make_unique<QWidget>();
    const std::int32_t fresh = rt::windowHandle(*replacement);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(rt::widgetFromHandle(old), nullptr);
    EXPECT_EQ(rt::widgetFromHandle(fresh), replacement.get());
}

} // namespace
