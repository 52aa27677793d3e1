// The front panel, MainBackground. Whatever a control covers is drawn exactly
// under it: lit meters in the meter windows, unlit keys under the push
// buttons, legends in lettering grey on flat panel black under the labels and
// volume figures, the dot-less knob cap under the knob, and grey bars in the
// title channel under the glow buttons.
#include "art.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace art {

namespace {

constexpr QSize kPanelSize{400, 200};
constexpr QRect kLegendBand{16, 103, 207, 13};
constexpr QRect kVolumeSection{242, 35, 154, 146};
constexpr QRect kTitleChannel{331, 3, 60, 3};
constexpr QRectF kNameBox{236, 9, 158, 24};
constexpr QPointF kKnobCentre{kKnobPosition.x() + kKnobSide / 2.0, kKnobPosition.y() + kKnobSide / 2.0};

struct SmallControl {
    QPointF centre;
    std::string_view legend;
    double indicatorDegrees;
};
constexpr std::array<SmallControl, 3> kSmallKnobs{{
    {{94, 143}, "NH", -40},
    {{146, 143}, "SH", 15},
    {{198, 143}, "VH", 60},
}};
constexpr QPointF kPhonesSocket{38, 143};
constexpr std::array<QPointF, 2> kLowerScrews{{{9.5, 190.5}, {390.5, 190.5}}};

constexpr QRgb kLegendInk = qRgb(172, 174, 178);

void drawCentredLegend(QImage &panel, double centreX, int y, std::string_view text, QRgb ink, PixelFont font,
                       int spacing)
{
    const int width = pixelTextWidth(text, font, spacing);
    drawPixelText(panel, static_cast<int>(std::lround(centreX - width / 2.0)), y, text, ink, font, spacing);
}

// A flat black printed field with an engraved edge just outside it.
void drawPrintedField(QImage &panel, const QRect &field, double cornerRadius)
{
    QPainter p(&panel);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF f(field);
    p.setPen(QPen(QColor(255, 255, 255, 34), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(f.adjusted(-0.5, -0.5, 0.5, 0.5), cornerRadius + 0.5, cornerRadius + 0.5);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.0));
    p.drawRoundedRect(f.adjusted(-1.5, -1.5, -0.5, -0.5), cornerRadius + 1, cornerRadius + 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kPanelBlack));
    p.drawRoundedRect(f, cornerRadius, cornerRadius);
    p.end();
    // The inside is exactly panel black, whatever the edge antialiasing did.
    const int inset = static_cast<int>(std::ceil(cornerRadius));
    fillRect(panel, field.adjusted(inset, 0, -inset, 0), kPanelBlack);
    fillRect(panel, field.adjusted(0, inset, 0, -inset), kPanelBlack);
}

void drawMeterWindows(QImage &panel, const QImage &meterFaceLit)
{
    for (QPoint at : kMeterWindowPositions) {
        const QRect frame(at - QPoint(2, 2), kMeterSize + QSize(4, 4));
        fillRect(panel, frame, qRgb(10, 10, 11));
        drawBevel(panel, frame, 2, Rgbf{4, 4, 4}, Rgbf{118, 120, 124}, 0.8f);
        QPainter p(&panel);
        p.drawImage(at, meterFaceLit);
    }
}

void drawKeys(QImage &panel)
{
    for (int x : kPushButtonXs) {
        const QRect key = kKeyInButton.translated(x, kPushButtonY);
        // A soft recess around each key so it sits in the plate.
        QPainter p(&panel);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRoundedRect(QRectF(key).adjusted(-1.5, -1.5, 1.5, 2.0), 2, 2);
        p.setBrush(QColor(255, 255, 255, 26));
        p.drawRect(QRectF(key.left(), key.bottom() + 2.0, key.width(), 1.0));
        p.end();
        drawKey(panel, key.topLeft(), false);
    }
}

void drawLegends(QImage &panel)
{
    drawPrintedField(panel, kLegendBand, 1.5);
    for (const LitRegion &label : kLabelRegions) {
        const int width = pixelTextWidth(label.text, PixelFont::Legend, 3);
        drawPixelText(panel, label.rect.x() + (label.rect.width() - width) / 2, label.rect.y() + 1, label.text,
                      kLetteringGrey, PixelFont::Legend, 3);
    }
}

void drawVolumeSection(QImage &panel, const QImage &printedCap)
{
    drawPrintedField(panel, kVolumeSection, 7);
    drawKnobBezel(panel, kKnobCentre);
    blendOver(panel, printedCap, kKnobPosition);
    // Scale dots between the bezel and the figures, one per step.
    QPainter p(&panel);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(84, 86, 88));
    for (double degrees : kKnobDotDegrees) {
        const double a = degrees * M_PI / 180.0;
        p.drawEllipse(kKnobCentre + QPointF(51.2 * std::sin(a), -51.2 * std::cos(a)), 0.85, 0.85);
    }
    p.end();
    for (const LitRegion &digit : kDigitRegions) {
        const int width = pixelTextWidth(digit.text, PixelFont::Legend, 1);
        drawPixelText(panel, digit.rect.x() + (digit.rect.width() - width + 1) / 2, digit.rect.y() + 1, digit.text,
                      kLetteringGrey, PixelFont::Legend, 1);
    }
    drawCentredLegend(panel, kKnobCentre.x(), 164, "MASTER VOLUME", kLegendInk, PixelFont::Legend, 1);
}

void drawTitleChannel(QImage &panel)
{
    fillRect(panel, kTitleChannel, qRgb(11, 11, 12));
    drawBevel(panel, kTitleChannel.adjusted(-1, -1, 1, 1), 1, Rgbf{0, 0, 0}, Rgbf{120, 122, 126}, 0.7f);
    for (int x : kIndicatorBarXs)
        fillRect(panel, QRect(x, kIndicatorBarRow, kIndicatorBarLength, 1), kIndicatorUnlit);
}

void drawLowerControls(QImage &panel)
{
    // Headphone socket: a threaded nut around a dark hole.
    drawSmallKnob(panel, kPhonesSocket, 9.5, 0);
    QPainter p(&panel);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 20, 22), 1.0));
    p.setBrush(QColor(150, 152, 156));
    p.drawEllipse(kPhonesSocket, 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(4, 4, 5));
    p.drawEllipse(kPhonesSocket, 3.6, 3.6);
    p.end();
    drawCentredLegend(panel, kPhonesSocket.x(), 160, "PHONES", kLegendInk, PixelFont::Legend, 1);

    for (const SmallControl &knob : kSmallKnobs) {
        drawSmallKnob(panel, knob.centre, 11.5, knob.indicatorDegrees);
        drawCentredLegend(panel, knob.centre.x(), 160, knob.legend, kLegendInk, PixelFont::Legend, 2);
    }
    drawCentredLegend(panel, 120, 181, "STEREO  AUDIO  PLAYER  MODEL 400", qRgb(120, 122, 126), PixelFont::Tiny, 1);
    for (QPointF at : kLowerScrews)
        drawScrew(panel, at, 4.2, at.x() < 200 ? 35 : -20);
}

} // namespace

QImage drawMainBackground(const QImage &meterFaceLit, const QImage &printedCap)
{
    QImage panel(kPanelSize, QImage::Format_RGB32);
    fillBrushedMetal(panel, panel.rect(), Rgbf{50, 51, 54}, 6.5f, 3u);
    drawBevel(panel, panel.rect(), 2, Rgbf{150, 152, 156}, Rgbf{6, 6, 7}, 0.55f);
    drawMeterWindows(panel, meterFaceLit);
    drawKeys(panel);
    drawLegends(panel);
    drawVolumeSection(panel, printedCap);
    drawTitleChannel(panel);
    drawChromeText(panel, kNameBox, QStringLiteral("QUORVEL"), QStringLiteral("URW Gothic"), 22);
    drawLowerControls(panel);
    return panel;
}

} // namespace art
