#include "platform/controls/Slider.h"

#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace {

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return Slider::vbLeftButton;
    case Qt::RightButton:
        return Slider::vbRightButton;
    case Qt::MiddleButton:
        return Slider::vbMiddleButton;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= Slider::vbShiftMask;
    if (modifiers & Qt::ControlModifier)
        code |= Slider::vbCtrlMask;
    if (modifiers & Qt::AltModifier)
        code |= Slider::vbAltMask;
    return code;
}

} // namespace

Slider::Slider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

// MouseDown goes out before the slider moves the thumb, so whoever follows the
// value can stop doing so before the user's first change arrives.
void Slider::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    pressed_ |= event->button();
    const QPoint at = event->position().toPoint();
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
    if (event->button() == Qt::LeftButton && jumpTo(at)) {
        // Pressed again on the thumb where it now stands, so that a drag
        // goes on from there.
        QMouseEvent onThumb(event->type(), QPointF(handleRect().center()), event->scenePosition(),
            event->globalPosition(), event->button(), event->buttons(), event->modifiers());
        QSlider::mousePressEvent(&onThumb);
        return;
    }
    QSlider::mousePressEvent(event);
}

QRect Slider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

// A press beside the thumb puts the thumb's centre under the pointer, as far
// as whole steps allow, instead of paging towards it: the groove is a map of
// the file, and a press on it says where to go.
bool Slider::jumpTo(QPoint at)
{
    const QRect handle = handleRect();
    if (orientation() != Qt::Horizontal || handle.contains(at))
        return false;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int span = groove.width() - handle.width();
    setValue(QStyle::sliderValueFromPosition(minimum(), maximum(),
        at.x() - groove.left() - handle.width() / 2, span, option.upsideDown));
    return true;
}

// The thumb settles first, so Click reports the final value.
void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    if (!(pressed_ & event->button()))
        return;
    pressed_ &= ~event->button();
    if (!isEnabled())
        return;
    const QPoint at = event->position().toPoint();
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void Slider::keyPressEvent(QKeyEvent* event)
{
    const int before = value();
    QSlider::keyPressEvent(event);
    clickIfMoved(before);
}

void Slider::wheelEvent(QWheelEvent* event)
{
    const int before = value();
    QSlider::wheelEvent(event);
    clickIfMoved(before);
}

// A press that was cut short by disabling the slider must not turn into a
// release without its press once the slider is enabled again.
void Slider::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        pressed_ = {};
    QSlider::changeEvent(event);
}

void Slider::clickIfMoved(int valueBefore)
{
    if (isEnabled() && value() != valueBefore)
        emit Click();
}

void Slider::setOverview(
    std::vector<float> levels, double secondsPerLevel, std::vector<float> peaks)
{
    overview_ = std::move(levels);
    peaks_ = std::move(peaks);
    secondsPerLevel_ = secondsPerLevel;
    update();
}

void Slider::setMarks(std::int32_t startMs, std::int32_t endMs)
{
    markStartMs_ = startMs;
    markEndMs_ = endMs;
    update();
}

// The groove first, then the section and the loudness over it, then the thumb
// on top, so the thumb looks and answers as on a plain slider.
void Slider::paintEvent(QPaintEvent* event)
{
    const bool marked = markStartMs_ < markEndMs_;
    if ((overview_.empty() && !marked) || maximum() <= minimum()) {
        paintedHandle_ = {};
        QSlider::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QPalette palette = option.palette;
    // Styles fill the played part of the groove in the selection colour,
    // which here belongs to the marked section alone.
    option.palette.setColor(QPalette::Highlight, palette.color(QPalette::Mid));
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);

    // Seconds map to where the thumb's centre stands for them.
    const QRect groove
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const double left = groove.left() + handle.width() / 2.0;
    const double pixelsPerSecond
        = (groove.width() - handle.width()) / double(maximum() - minimum());
    const auto xOf = [&](double seconds) { return left + (seconds - minimum()) * pixelsPerSecond; };
    const int centre = groove.center().y();
    const int reach = std::max(2, std::min(centre - rect().top(), rect().bottom() - centre) - 1);

    // Text colour over the window colour reads in light and dark palettes
    // alike, darker where the sound has played; the section takes the
    // selection colour, its edges drawn sharp, so where it lies and how long
    // it is read at a glance.
    // Opaque mixes with the window colour, so the groove does not show
    // through the picture.
    const QColor window = palette.color(QPalette::Window);
    const auto tint = [&](const QColor& colour, double share) {
        const auto mix = [&](int ours, int theirs) {
            return int(std::lround(ours * share + theirs * (1 - share)));
        };
        return QColor(mix(colour.red(), window.red()), mix(colour.green(), window.green()),
            mix(colour.blue(), window.blue()));
    };
    const QColor ink = palette.color(QPalette::WindowText);
    const QColor accent = palette.color(QPalette::Highlight);
    const double markFrom = xOf(markStartMs_ / 1000.0);
    const double markTo = xOf(markEndMs_ / 1000.0);
    if (marked) {
        const QRectF band(
            markFrom, centre - reach, std::max(1.0, markTo - markFrom), 2.0 * reach + 1);
        painter.fillRect(band, tint(accent, 0.25));
        painter.fillRect(QRectF(band.left(), band.top(), 1, band.height()), accent);
        painter.fillRect(QRectF(band.right() - 1, band.top(), 1, band.height()), accent);
    }
    if (!overview_.empty() && secondsPerLevel_ > 0) {
        // Each column shows the loudest level it covers.
        const double levelsPerPixel = 1.0 / (pixelsPerSecond * secondsPerLevel_);
        const int firstColumn = int(std::floor(left));
        const int lastColumn = int(std::ceil(left + overview_.size() / levelsPerPixel));
        const int rightEdge = groove.right() - handle.width() / 2;
        const double played = xOf(value());
        // Levels rise from the bottom edge over the slider's whole height,
        // where a few decibels make a pixel, rather than both ways from the
        // middle, where they would make half of one.
        const int base = centre + reach + 1;
        const auto heightOf = [&](float level) {
            // Any sound shows, however quiet; silence leaves the groove empty.
            return level > 0 ? std::max(1, int(std::lround(level * (2 * reach + 1)))) : 0;
        };
        // Only the columns to be drawn again: a new value redraws a strip.
        const QRect dirty = event->rect();
        const QColor playedInk = tint(ink, 0.8);
        const QColor unplayedInk = tint(ink, 0.5);
        const auto edgeOf = [&](const QColor& body) { return tint(body, 0.3); };
        const QColor edges[] = { edgeOf(accent), edgeOf(playedInk), edgeOf(unplayedInk) };
        const int fromColumn = std::max(firstColumn, dirty.left());
        const int toColumn = std::min({ lastColumn, rightEdge, dirty.right() });
        for (int x = fromColumn; x <= toColumn; ++x) {
            const double from = std::max(0.0, (x - left) * levelsPerPixel);
            const auto first = std::size_t(from);
            const auto last
                = std::min(overview_.size(), std::size_t(std::ceil(from + levelsPerPixel)));
            float body = 0;
            float peak = 0;
            for (std::size_t i = first; i < last; ++i) {
                body = std::max(body, overview_[i]);
                if (i < peaks_.size())
                    peak = std::max(peak, peaks_[i]);
            }
            const bool inSection = marked && x >= markFrom && x < markTo;
            const int shade = inSection ? 0 : x < played ? 1 : 2;
            const QColor& solid = shade == 0 ? accent : shade == 1 ? playedInk : unplayedInk;
            if (const int height = heightOf(peak))
                painter.fillRect(x, base - height, 1, height, edges[shade]);
            if (const int height = heightOf(body))
                painter.fillRect(x, base - height, 1, height, solid);
        }
    }

    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderHandle;
    painter.drawComplexControl(QStyle::CC_Slider, option);
    paintedHandle_ = handle;
}

void Slider::sliderChange(SliderChange change)
{
    if (change != SliderValueChange || paintedHandle_.isNull() || orientation() != Qt::Horizontal) {
        QSlider::sliderChange(change);
        return;
    }
    // A new value moves the thumb and the end of the played shade, nothing
    // else: only the strip from the thumb's last place to its new one is
    // drawn again, rather than the whole groove every tick of playback.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QRect strip = handle.united(paintedHandle_);
    update(QRect(strip.left(), 0, strip.width(), height()));
}
