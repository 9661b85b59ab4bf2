// Draws the program's icon at 16, 24, 32 and 48 pixels and writes one
// 256-colour PNG per size into the directory given as the only argument:
// a waveform on a dark tile, with the marked section picked out between two
// markers. Each size is drawn on its own pixel grid so that small sizes stay
// crisp instead of being scaled down from the large one.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kSizes[] = { 16, 24, 32, 48 };

// Bar heights of the waveform, as shares of the tile's inner height.
constexpr double kWave[] = { 0.30, 0.55, 0.40, 0.80, 0.60, 0.95, 0.70, 0.50, 0.85, 0.45, 0.65, 0.35,
    0.75, 0.50, 0.30, 0.60, 0.40, 0.25 };

QImage draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const double radius = size / 5.0;
    // A solid tile: with few colours the image fits a 256-colour palette exactly.
    const QColor tile(0x1f, 0x4f, 0x8a);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), radius, radius);
    painter.fillPath(outline, tile);

    // Whole-pixel bars: one pixel of gap, the rest bar.
    const int pitch = size >= 32 ? 3 : 2;
    const int barWidth = pitch - 1;
    const int margin = size / 10 + 1;
    const int bars = (size - 2 * margin + 1) / pitch;
    const int left = (size - (bars * pitch - 1)) / 2;
    const int firstMarked = bars / 3;
    const int lastMarked = bars - bars / 3 - 1;
    const double centre = size / 2.0;
    const double reach = (size - 2.0 * margin) / 2.0;

    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < bars; ++i) {
        const bool marked = i >= firstMarked && i <= lastMarked;
        const double share = kWave[(i * 17 / bars) % std::size(kWave)];
        const int half = std::max(1, static_cast<int>(reach * share + 0.5));
        const QColor colour = marked ? QColor(0xff, 0xb3, 0x1a) : QColor(0xc8, 0xdc, 0xf0);
        painter.fillRect(
            QRect(left + i * pitch, static_cast<int>(centre) - half, barWidth, 2 * half), colour);
    }

    // The two markers, just outside the marked bars.
    const int markerTop = margin - 1;
    const int markerHeight = size - 2 * markerTop;
    const int startX = left + firstMarked * pitch - 1;
    const int endX = left + (lastMarked + 1) * pitch - 1;
    for (int x : { startX, endX })
        painter.fillRect(QRect(x, markerTop, 1, markerHeight), Qt::white);
    painter.end();

    // The drawing's few colours map exactly onto a 256-colour palette.
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (int size : kSizes) {
        const QString path = directory.filePath(QStringLiteral("trimora-%1.png").arg(size));
        if (!draw(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
