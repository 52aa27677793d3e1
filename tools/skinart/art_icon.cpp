// The application icon: the volume knob cap on the dark panel, ringed by the
// orange backlight of the lit VU meter. The bitmap sizes are all drawn from one
// large master, so they agree; the SVG repeats the same shapes as vectors.
#include "art_icon.h"

#include "art.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace art {

namespace {

constexpr int kMasterSide = 512;
// Proportions of the icon, as fractions of its side.
constexpr double kCornerRadius = 0.14;
constexpr double kPanelInset = 0.04;
constexpr double kGlowRadius = 0.44;
constexpr double kBezelRadius = 0.33;
constexpr double kCapRadius = 0.29;
// The knob's step 5 puts its dot almost straight up, as a rested knob looks.
constexpr int kIconKnobStep = 5;

// The lit meter face's backlight, centre to edge.
const QColor kGlowCentre(255, 214, 128);
const QColor kGlowMiddle(250, 160, 52);
const QColor kGlowEdge(186, 86, 18);

QPainterPath panelShape(double side)
{
    const double inset = side * kPanelInset;
    QPainterPath path;
    path.addRoundedRect(QRectF(inset, inset, side - 2 * inset, side - 2 * inset), side * kCornerRadius,
                        side * kCornerRadius);
    return path;
}

QImage drawMaster()
{
    const double side = kMasterSide;
    const QPointF centre(side / 2, side / 2);

    QImage metal(kMasterSide, kMasterSide, QImage::Format_RGB32);
    fillBrushedMetal(metal, metal.rect(), Rgbf{34, 35, 37}, 5.0f, 7u);

    QImage master(kMasterSide, kMasterSide, QImage::Format_ARGB32_Premultiplied);
    master.fill(Qt::transparent);
    QPainter p(&master);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const QPainterPath panel = panelShape(side);
    p.setClipPath(panel);
    p.drawImage(0, 0, metal);

    QRadialGradient glow(centre, side * kGlowRadius);
    glow.setColorAt(0.0, kGlowCentre);
    glow.setColorAt(kBezelRadius / kGlowRadius, kGlowMiddle);
    glow.setColorAt(0.85, QColor(kGlowEdge.red(), kGlowEdge.green(), kGlowEdge.blue(), 150));
    glow.setColorAt(1.0, QColor(kGlowEdge.red(), kGlowEdge.green(), kGlowEdge.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, side * kGlowRadius, side * kGlowRadius);

    p.setBrush(QColor(kKnobGap));
    p.drawEllipse(centre, side * kBezelRadius, side * kBezelRadius);

    // The skin's own knob image, enlarged so its cap fills the cap circle.
    const QImage knob = drawKnob(kIconKnobStep, true);
    const double knobScale = side * kCapRadius / kKnobCapRadius;
    const double knobSide = kKnobSide * knobScale;
    p.drawImage(QRectF(centre.x() - knobSide / 2, centre.y() - knobSide / 2, knobSide, knobSide), knob);

    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(6, 6, 7), side * 0.012));
    p.drawPath(panel);
    p.end();
    return master;
}

} // namespace

QImage drawAppIcon(int side)
{
    static const QImage master = drawMaster();
    return master.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

std::string appIconSvg()
{
    constexpr double side = 256;
    const double inset = side * kPanelInset, corner = side * kCornerRadius, middle = side / 2;
    auto hex = [](const QColor &colour) { return colour.name().toStdString(); };
    char text[4096];
    std::snprintf(
        text, sizeof text,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\">\n"
        "  <defs>\n"
        "    <linearGradient id=\"panel\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
        "      <stop offset=\"0\" stop-color=\"#2c2d30\"/>\n"
        "      <stop offset=\"1\" stop-color=\"#19191b\"/>\n"
        "    </linearGradient>\n"
        "    <radialGradient id=\"glow\" cx=\"0.5\" cy=\"0.5\" r=\"0.5\">\n"
        "      <stop offset=\"0\" stop-color=\"%s\"/>\n"
        "      <stop offset=\"%.3f\" stop-color=\"%s\"/>\n"
        "      <stop offset=\"0.85\" stop-color=\"%s\" stop-opacity=\"0.6\"/>\n"
        "      <stop offset=\"1\" stop-color=\"%s\" stop-opacity=\"0\"/>\n"
        "    </radialGradient>\n"
        "    <radialGradient id=\"cap\" cx=\"0.4\" cy=\"0.35\" r=\"0.75\">\n"
        "      <stop offset=\"0\" stop-color=\"#8c8e92\"/>\n"
        "      <stop offset=\"0.6\" stop-color=\"#55575b\"/>\n"
        "      <stop offset=\"1\" stop-color=\"#2e2f32\"/>\n"
        "    </radialGradient>\n"
        "  </defs>\n"
        "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" fill=\"url(#panel)\" "
        "stroke=\"#060607\" stroke-width=\"%g\"/>\n"
        "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"url(#glow)\"/>\n"
        "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>\n"
        "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"url(#cap)\"/>\n"
        "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"#0e0e10\"/>\n"
        "</svg>\n",
        side, side, side, side, hex(kGlowCentre).c_str(), kBezelRadius / kGlowRadius, hex(kGlowMiddle).c_str(),
        hex(kGlowEdge).c_str(), hex(kGlowEdge).c_str(), inset, inset, side - 2 * inset, side - 2 * inset, corner,
        side * 0.012, middle, middle, side * kGlowRadius, middle, middle, side * kBezelRadius,
        hex(QColor(kKnobGap)).c_str(), middle, middle, side * kCapRadius, middle,
        middle - side * kCapRadius * 0.72, side * kCapRadius * 0.1);
    return text;
}

} // namespace art
