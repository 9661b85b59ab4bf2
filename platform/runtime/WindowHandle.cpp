#include "platform/runtime/WindowHandle.h"

#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace rt {

namespace {

    constexpr char kHandleProperty[] = "trimoraWindowHandle";

    // Handles given out so far, each naming its widget while the widget lives.
    // Window handles belong to the user-interface thread, like the widgets.
    class HandleRegistry {
    public:
        std::int32_t handleOf(QWidget& widget)
        {
            // The handle travels with the widget itself, so a new widget that
            // happens to reuse a dead one's address never inherits its number.
            const QVariant stored = widget.property(kHandleProperty);
            if (stored.isValid())
                return stored.toInt();
            dropDeadEntries();
            next_ += kStep;
            widgets_.insert(next_, QPointer<QWidget>(&widget));
            widget.setProperty(kHandleProperty, next_);
            return next_;
        }

        QWidget* widgetOf(std::int32_t handle) const
        {
            const auto found = widgets_.constFind(handle);
            return found == widgets_.cend() ? nullptr : found->data();
        }

    private:
        void dropDeadEntries()
        {
            widgets_.removeIf([](auto entry) { return entry.value().isNull(); });
        }

        // Small positive numbers, spaced like real window handles.
        static constexpr std::int32_t kStep = 4;
        std::int32_t next_ = 0x10000;
        QHash<std::int32_t, QPointer<QWidget>> widgets_;
    };

    HandleRegistry& registry()
    {
        static HandleRegistry instance;
        return instance;
    }

} // namespace

std::int32_t windowHandle(QWidget& widget)
{
    return registry().handleOf(widget);
}

QWidget* widgetFromHandle(std::int32_t handle)
{
    return registry().widgetOf(handle);
}

} // namespace rt
