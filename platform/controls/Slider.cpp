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

namespace {

// Where the seconds of the range lie along the groove: each second maps to
// where the thumb's centre stands for it.
struct Groove {
    double left = 0;
    double pixelsPerSecond = 0;
    int minimum = 0;
    // The last column the range reaches.
    int rightEdge = 0;
    // The middle row, and how many rows the pictures reach above and below it.
    int centre = 0;
    int reach = 0;

    double xOf(double seconds) const { return left + (seconds - minimum) * pixelsPerSecond; }
};

Groove grooveOf(
    const QRect& groove, const QRect& handle, const QRect& widget, int minimum, int maximum)
{
    Groove out;
    out.left = groove.left() + handle.width() / 2.0;
    out.pixelsPerSecond = (groove.width() - handle.width()) / double(maximum - minimum);
    out.minimum = minimum;
    out.rightEdge = groove.right() - handle.width() / 2;
    out.centre = groove.center().y();
    out.reach = std::max(2, std::min(out.centre - widget.top(), widget.bottom() - out.centre) - 1);
    return out;
}

// Text colour over the window colour reads in light and dark palettes alike,
// darker where the sound has played; the section takes the selection colour.
// All are opaque mixes with the window colour, so the groove does not show
// through the picture.
struct Inks {
    // The loudness's solid body, and the light edge of its peaks above it.
    struct Shade {
        QColor body;
        QColor edge;
    };
    Shade section;
    Shade played;
    Shade unplayed;
    QColor sectionBand;
};

Inks inksOf(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const auto tint = [&](const QColor& colour, double share) {
        const auto mix = [&](int ours, int theirs) {
            return int(std::lround(ours * share + theirs * (1 - share)));
        };
        return QColor(mix(colour.red(), window.red()), mix(colour.green(), window.green()),
            mix(colour.blue(), window.blue()));
    };
    const QColor ink = palette.color(QPalette::WindowText);
    const auto shade = [&](const QColor& body) { return Inks::Shade { body, tint(body, 0.3) }; };
    const QColor accent = palette.color(QPalette::Highlight);
    return { shade(accent), shade(tint(ink, 0.8)), shade(tint(ink, 0.5)), tint(accent, 0.25) };
}

// The marked section, from column `from` to column `to`, its edges drawn
// sharp, so where it lies and how long it is read at a glance.
void paintSection(QPainter& painter, const Groove& groove, double from, double to, const Inks& inks)
{
    const QRectF band(
        from, groove.centre - groove.reach, std::max(1.0, to - from), 2.0 * groove.reach + 1);
    painter.fillRect(band, inks.sectionBand);
    painter.fillRect(QRectF(band.left(), band.top(), 1, band.height()), inks.section.body);
    painter.fillRect(QRectF(band.right() - 1, band.top(), 1, band.height()), inks.section.body);
}

struct Loudness {
    const std::vector<float>& levels;
    const std::vector<float>& peaks;
    double secondsPerLevel = 0;
};

// Where the columns change colour: the section (empty when `from` is not
// below `to`) and the played part, left of `played`.
struct Shading {
    double sectionFrom = 0;
    double sectionTo = 0;
    double played = 0;
};

// The loudness in the columns of `dirty`, each column showing the loudest
// level and peak it covers. Levels rise from the bottom edge over the
// slider's whole height, where a few decibels make a pixel, rather than both
// ways from the middle, where they would make half of one.
void paintLoudness(QPainter& painter, const Groove& groove, const QRect& dirty,
    const Loudness& loudness, const Shading& shading, const Inks& inks)
{
    const double levelsPerPixel = 1.0 / (groove.pixelsPerSecond * loudness.secondsPerLevel);
    const int firstColumn = int(std::floor(groove.left));
    const int lastColumn
        = int(std::ceil(groove.left + double(loudness.levels.size()) / levelsPerPixel));
    const int base = groove.centre + groove.reach + 1;
    const auto heightOf = [&](float level) {
        // Any sound shows, however quiet; silence leaves the groove empty.
        return level > 0 ? std::max(1, int(std::lround(level * (2 * groove.reach + 1)))) : 0;
    };
    const int fromColumn = std::max(firstColumn, dirty.left());
    const int toColumn = std::min({ lastColumn, groove.rightEdge, dirty.right() });
    for (int x = fromColumn; x <= toColumn; ++x) {
        const double from = std::max(0.0, (x - groove.left) * levelsPerPixel);
        const auto first = std::size_t(from);
        const auto last
            = std::min(loudness.levels.size(), std::size_t(std::ceil(from + levelsPerPixel)));
        float body = 0;
        float peak = 0;
        for (std::size_t i = first; i < last; ++i) {
            body = std::max(body, loudness.levels[i]);
            if (i < loudness.peaks.size())
                peak = std::max(peak, loudness.peaks[i]);
        }
        const bool inSection = x >= shading.sectionFrom && x < shading.sectionTo;
        const Inks::Shade& shade = inSection ? inks.section
            : x < shading.played             ? inks.played
                                             : inks.unplayed;
        if (const int height = heightOf(peak))
            painter.fillRect(x, base - height, 1, height, shade.edge);
        if (const int height = heightOf(body))
            painter.fillRect(x, base - height, 1, height, shade.body);
    }
}

} // namespace

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
    const Inks inks = inksOf(option.palette);
    option.palette = groovePalette(option.palette);
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);

    const QRect handle
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const Groove groove = grooveOf(
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this), handle,
        rect(), minimum(), maximum());
    Shading shading { 0, 0, groove.xOf(value()) };
    if (marked) {
        shading.sectionFrom = groove.xOf(markStartMs_ / 1000.0);
        shading.sectionTo = groove.xOf(markEndMs_ / 1000.0);
        paintSection(painter, groove, shading.sectionFrom, shading.sectionTo, inks);
    }
    if (!overview_.empty() && secondsPerLevel_ > 0)
        paintLoudness(
            painter, groove, event->rect(), { overview_, peaks_, secondsPerLevel_ }, shading, inks);

    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderHandle;
    painter.drawComplexControl(QStyle::CC_Slider, option);
    paintedHandle_ = handle;
}

const QPalette& Slider::groovePalette(const QPalette& palette)
{
    // Styles keep their drawing of a groove by the identity of the palette
    // it was drawn with: a palette changed afresh for every paint would have
    // the whole groove drawn again each time, and crowd out the style's other
    // drawings.
    if (palette.cacheKey() != groovePaletteFrom_) {
        groovePalette_ = palette;
        // Styles fill the played part of the groove in the selection colour,
        // which here belongs to the marked section alone.
        groovePalette_.setColor(QPalette::Highlight, palette.color(QPalette::Mid));
        groovePaletteFrom_ = palette.cacheKey();
    }
    return groovePalette_;
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
