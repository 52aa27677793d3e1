// The VU meter face, lit and unlit. Both are drawn by the same code with a
// different backlight, so every mark stands in the same place on both. Shapes
// are painted at four times the size and averaged down for clean edges; the
// small print is set afterwards at 1:1 so it stays sharp.
#include "art.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace art {

namespace {

constexpr int kScale = 4;
constexpr QPointF kPivot{52.5, 61.5};
constexpr double kArcRadius = 39.5;

struct MeterPalette {
    QColor glowCentre, glowMiddle, glowEdge;
    QColor ink, redInk, marker, plateTop, plateBottom, plateInk;
};

const MeterPalette kLitPalette{
    QColor(255, 214, 128), QColor(250, 160, 52), QColor(186, 86, 18),
    QColor(22, 16, 10),    QColor(170, 18, 10),  QColor(214, 30, 20),
    QColor(62, 58, 54),    QColor(22, 21, 20),   QColor(168, 158, 140),
};
const MeterPalette kDarkPalette{
    QColor(112, 102, 88), QColor(94, 85, 72),  QColor(60, 54, 46),
    QColor(26, 23, 20),   QColor(74, 34, 28),  QColor(92, 42, 34),
    QColor(52, 50, 48),   QColor(20, 19, 18),  QColor(110, 104, 94),
};

struct ScaleMark {
    double decibels;
    bool major;
};
constexpr ScaleMark kMarks[] = {
    {-20, true}, {-15, false}, {-10, true}, {-8, false}, {-7, true}, {-6, false}, {-5, true},
    {-4, false}, {-3, true},   {-2, false}, {-1, false}, {0, true},  {1, false},  {2, false},
    {3, true},
};

struct ScaleFigure {
    double decibels;
    std::string_view text;
};
constexpr ScaleFigure kFigures[] = {{-20, "20"}, {-10, "10"}, {-7, "7"}, {-5, "5"}, {-3, "3"}, {0, "0"}, {3, "3"}};

// A VU scale is linear in voltage: the angle follows 10^(dB/20).
double markDegrees(double decibels)
{
    const double low = std::pow(10.0, -20.0 / 20.0), high = std::pow(10.0, 3.0 / 20.0);
    const double v = std::pow(10.0, decibels / 20.0);
    return -50.0 + 98.0 * (v - low) / (high - low);
}

QPointF polar(double radius, double degrees)
{
    const double a = degrees * M_PI / 180.0;
    return {kPivot.x() + radius * std::sin(a), kPivot.y() - radius * std::cos(a)};
}

void paintShapes(QPainter &p, const MeterPalette &palette)
{
    QRadialGradient glow(QPointF(52.5, 30), 64);
    glow.setColorAt(0.0, palette.glowCentre);
    glow.setColorAt(0.45, palette.glowMiddle);
    glow.setColorAt(1.0, palette.glowEdge);
    p.fillRect(QRectF(0, 0, 105, 61), glow);

    // The segmented arc: black, with gaps where the major marks cross it.
    for (std::size_t i = 0; i + 1 < std::size(kMarks); ++i) {
        if (!kMarks[i].major)
            continue;
        std::size_t next = i + 1;
        while (next < std::size(kMarks) && !kMarks[next].major)
            ++next;
        if (next >= std::size(kMarks))
            break;
        const double from = markDegrees(kMarks[i].decibels) + 0.9;
        const double to = markDegrees(kMarks[next].decibels) - 0.9;
        QPainterPath band;
        const QRectF outer(kPivot.x() - kArcRadius - 1.5, kPivot.y() - kArcRadius - 1.5,
                           2 * (kArcRadius + 1.5), 2 * (kArcRadius + 1.5));
        const QRectF inner = outer.adjusted(3.2, 3.2, -3.2, -3.2);
        band.arcMoveTo(outer, 90 - from);
        band.arcTo(outer, 90 - from, from - to);
        band.arcTo(inner, 90 - to, to - from);
        band.closeSubpath();
        const bool red = kMarks[i].decibels >= 0;
        p.fillPath(band, red ? palette.redInk : palette.ink);
    }

    // The fan: a fine tick every 3.5 degrees, longer ones at the scale marks.
    p.setPen(QPen(palette.ink, 0.6, Qt::SolidLine, Qt::FlatCap));
    for (double a = -50; a <= 48.01; a += 98.0 / 28.0)
        p.drawLine(polar(kArcRadius + 1.6, a), polar(kArcRadius + 4.2, a));
    for (const ScaleMark &mark : kMarks) {
        const double a = markDegrees(mark.decibels);
        const QColor colour = mark.decibels > 0 ? palette.redInk : palette.ink;
        p.setPen(QPen(colour, mark.major ? 1.2 : 0.8, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(kArcRadius + 1.6, a), polar(kArcRadius + (mark.major ? 8.0 : 5.6), a));
    }
    // Red corner markers.
    p.setPen(Qt::NoPen);
    p.setBrush(palette.marker);
    p.drawPolygon(QPolygonF({QPointF(2, 59), QPointF(11, 59), QPointF(2, 50)}));
    p.drawPolygon(QPolygonF({QPointF(103, 59), QPointF(94, 59), QPointF(103, 50)}));

    // The model plate over the needle foot, rounded at its upper corners.
    QPainterPath plate;
    plate.addRoundedRect(QRectF(24, 40, 57, 26), 3.2, 3.2);
    QLinearGradient plateShade(QPointF(0, 40), QPointF(0, 61));
    plateShade.setColorAt(0, palette.plateTop);
    plateShade.setColorAt(0.12, palette.plateTop.darker(150));
    plateShade.setColorAt(1, palette.plateBottom);
    p.fillPath(plate, plateShade);

    // Shade of the window bezel falling onto the top of the face.
    QLinearGradient shade(QPointF(0, 0), QPointF(0, 7));
    shade.setColorAt(0, QColor(0, 0, 0, 120));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(0, 0, 105, 7), shade);
    // A faint reflection on the glass.
    QLinearGradient glass(QPointF(0, 0), QPointF(40, 60));
    glass.setColorAt(0, QColor(255, 255, 255, 34));
    glass.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillPath([] {
        QPainterPath path;
        path.moveTo(0, 0);
        path.lineTo(62, 0);
        path.lineTo(0, 36);
        path.closeSubpath();
        return path;
    }(), glass);
}

} // namespace

QImage drawMeterFace(bool lit)
{
    const MeterPalette &palette = lit ? kLitPalette : kDarkPalette;
    QImage large(kMeterSize * kScale, QImage::Format_RGB32);
    large.fill(Qt::black);
    {
        QPainter painter(&large);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(kScale, kScale);
        paintShapes(painter, palette);
    }
    QImage face = large.scaled(kMeterSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);

    const QRgb ink = palette.ink.rgb();
    for (const ScaleFigure &figure : kFigures) {
        const QPointF at = polar(kArcRadius + 11.8, markDegrees(figure.decibels));
        const int width = pixelTextWidth(figure.text, PixelFont::Tiny, 1);
        const QRgb colour = figure.decibels > 0 ? palette.redInk.rgb() : ink;
        drawPixelText(face, static_cast<int>(std::lround(at.x() - width / 2.0)), static_cast<int>(std::lround(at.y() - 2.5)),
                      figure.text, colour, PixelFont::Tiny, 1);
    }
    drawPixelText(face, 4, 13, "-", ink, PixelFont::Legend, 1);
    drawPixelText(face, 96, 13, "+", palette.redInk.rgb(), PixelFont::Legend, 1);
    const int vuWidth = pixelTextWidth("VU", PixelFont::Legend, 2);
    drawPixelText(face, 53 - vuWidth / 2, 29, "VU", ink, PixelFont::Legend, 2);

    const QRgb plateInk = palette.plateInk.rgb();
    const int nameWidth = pixelTextWidth("QUORVEL", PixelFont::Legend, 1);
    drawPixelText(face, 53 - (nameWidth + 1) / 2, 44, "QUORVEL", plateInk, PixelFont::Legend, 1);
    const QRgb fineInk = qRgb(qRed(plateInk) * 2 / 3, qGreen(plateInk) * 2 / 3, qBlue(plateInk) * 2 / 3);
    const int modelWidth = pixelTextWidth("VU METER 2", PixelFont::Tiny, 1);
    drawPixelText(face, 53 - (modelWidth + 1) / 2, 54, "VU METER 2", fineInk, PixelFont::Tiny, 1);
    return face;
}

} // namespace art
