#include "editor/Form1.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QShortcut>
#include <QToolTip>
#include <cstdlib>

QString Form1::FormatMilliseconds(std::int64_t ms)
{
    const std::int64_t magnitude = std::abs(ms);
    return QString::asprintf("%s%lld:%02lld:%02lld.%03lld", ms < 0 ? "-" : "",
        static_cast<long long>(magnitude / 3'600'000),
        static_cast<long long>(magnitude / 60'000 % 60),
        static_cast<long long>(magnitude / 1000 % 60), static_cast<long long>(magnitude % 1000));
}

// Each key clicks its button, so a key does nothing while its button is
// disabled (during a save), and the tooltip names it. Held keys do not repeat:
// a held Space would play and pause on and on.
void Form1::bindKeys()
{
    const struct {
        QPushButton& button;
        QKeySequence key;
        QString tip;
    } bindings[] = {
        { Command1, QKeySequence(Qt::Key_Space), QStringLiteral("Play or pause") },
        { Command4, QKeySequence::Open, QStringLiteral("Open an MP3 file") },
        { Command7, QKeySequence::Save, QStringLiteral("Save the marked section as a new file") },
        { Command5, QKeySequence(Qt::Key_S), QStringLiteral("Mark the start here") },
        { Command6, QKeySequence(Qt::Key_E), QStringLiteral("Mark the end here") },
        { Command9, QKeySequence(Qt::Key_P), QStringLiteral("Play the marked section") },
    };
    for (const auto& binding : bindings) {
        auto& shortcut = shortcuts_.emplace_back(std::make_unique<QShortcut>(binding.key, this));
        shortcut->setAutoRepeat(false);
        connect(shortcut.get(), &QShortcut::activated, &binding.button, &QPushButton::click);
        binding.button.setToolTip(QStringLiteral("%1 (%2)").arg(
            binding.tip, binding.key.toString(QKeySequence::NativeText)));
    }
    Command2.setToolTip(QStringLiteral("Stop and go back to the start"));
    // Space presses the button that has the focus, as on any button; it plays
    // and pauses only from elsewhere.
    for (QPushButton* button :
        { &Command1, &Command2, &Command4, &Command7, &Command3, &Command5, &Command6, &Command9 })
        button->installEventFilter(this);
    for (QLabel* label : { &Label7, &Label9, &Label3 })
        label->installEventFilter(this);
}

// The marks to the millisecond, which the labels' whole seconds do not show,
// read when the tip is asked for, so that they are never out of date.
QString Form1::markTip(const QObject* label) const
{
    if (label == &Label7)
        return QStringLiteral("Start mark: ") + FormatMilliseconds(selectionStartMs);
    if (label == &Label9)
        return QStringLiteral("End mark: ") + FormatMilliseconds(selectionEndMs);
    if (label == &Label3) {
        const std::int64_t length = selectionStartMs < selectionEndMs
            ? std::int64_t { selectionEndMs } - selectionStartMs
            : 0;
        return QStringLiteral("Marked length: ") + FormatMilliseconds(length);
    }
    return {};
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        if (const QString tip = markTip(watched); !tip.isEmpty()) {
            QToolTip::showText(
                static_cast<QHelpEvent*>(event)->globalPos(), tip, static_cast<QWidget*>(watched));
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
