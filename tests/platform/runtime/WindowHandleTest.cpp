#include "platform/runtime/WindowHandle.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Each widget has its own stable, positive number; a number outlives no
// widget and is never handed to another, even one at the same address.
TEST(WindowHandle, NamesEachLivingWidgetWithItsOwnNumberNeverReused)
{
    QWidget first;
    auto second = std::make_unique<QWidget>();
    const std::int32_t a = rt::windowHandle(first);
    const std::int32_t b = rt::windowHandle(*second);
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(rt::windowHandle(first), a);
    EXPECT_EQ(rt::widgetFromHandle(a), &first);
    EXPECT_EQ(rt::widgetFromHandle(b), second.get());
    EXPECT_EQ(rt::widgetFromHandle(0), nullptr);
    EXPECT_EQ(rt::widgetFromHandle(-1), nullptr);

    second.reset();
    EXPECT_EQ(rt::widgetFromHandle(b), nullptr);
    auto replacement = std::make_unique<QWidget>();
    const std::int32_t fresh = rt::windowHandle(*replacement);
    EXPECT_NE(fresh, b);
    EXPECT_EQ(rt::widgetFromHandle(b), nullptr);
    EXPECT_EQ(rt::widgetFromHandle(fresh), replacement.get());
}

} // namespace
