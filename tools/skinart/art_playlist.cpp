// The playlist drawer, PlaylistBackground: the glowing LCD window (whose face
// the program repaints from LcdBackground, a copy of it), the progress groove
// and its scale, the list frame and the footer.
#include "art.h"

#include <QPainter>

#include <cmath>

namespace art {

namespace {

constexpr QSize kPanelSize{400, 400};
constexpr QRect kLcdBezel{16, 3, 368, 62};
constexpr QRect kLcdRecess{21, 8, 358, 55};
constexpr QRect kProgressGroove{29, 67, 342, 4};
constexpr int kScaleFirstX = 30, kScaleLastX = 369, kScaleTickY = 72;
constexpr QRect kListFrame{18, 85, 365, 281};
constexpr QRect kListInside{22, 89, 358, 272};
constexpr int kHeaderSeparatorRow = 105;
constexpr int kFooterTop = 369;
constexpr std::array<QPointF, 6> kScrews{{
    {8.5, 8.5}, {391.5, 8.5}, {8.5, 35.5}, {391.5, 35.5}, {8.5, 385.5}, {391.5, 385.5},
}};

Rgbf lcdGlow(int x, int y)
{
    const float u = (static_cast<float>(x) + 0.5f) / kLcdRegion.width();
    const float v = (static_cast<float>(y) + 0.5f) / kLcdRegion.height();
    // Backlight strongest in the middle, a little weaker towards the ends.
    const float across = 1.0f - 0.32f * std::pow(std::abs(u - 0.5f) * 2.0f, 2.2f);
    const float down = 1.0f - 0.18f * std::pow(std::abs(v - 0.55f) * 2.0f, 2.0f);
    const float k = across * down;
    Rgbf c{255.0f * std::min(1.0f, k * 1.02f), 70.0f + 96.0f * k * k, 12.0f + 40.0f * k * k * k};
    // Faint cell pattern of the liquid-crystal panel.
    if (x % 3 == 2 || y % 3 == 2)
        c = scaled(c, 0.978f);
    // The window's inner shadow along its top and left edges.
    const float shadow = std::max(std::exp(-static_cast<float>(y) / 1.8f) * 0.55f,
                                  std::exp(-static_cast<float>(x) / 1.8f) * 0.45f);
    c = scaled(c, 1.0f - shadow);
    // Reflection on the glass across the upper half.
    if (y < kLcdRegion.height() / 2)
        c = mix(c, Rgbf{255, 236, 200}, 0.05f * (1.0f - v * 2.0f));
    return c;
}

Rgbf tickerGradient(int y)
{
    const float t = static_cast<float>(y) / static_cast<float>(kTickerInLcd.height() - 1);
    const Rgbf top{74, 20, 8}, middle{170, 66, 14}, bottom{255, 150, 40};
    return t < 0.55f ? mix(top, middle, t / 0.55f) : mix(middle, bottom, (t - 0.55f) / 0.45f);
}

void drawLcdFace(QImage &panel)
{
    for (int y = 0; y < kLcdRegion.height(); ++y) {
        for (int x = 0; x < kLcdRegion.width(); ++x) {
            Rgbf c = lcdGlow(x, y);
            const QRect ticker = kTickerInLcd;
            if (ticker.contains(x, y)) {
                c = tickerGradient(y - ticker.top());
            } else if (ticker.adjusted(-1, -1, 1, 1).contains(x, y)) {
                c = scaled(c, y == ticker.bottom() + 1 ? 0.78f : 0.55f);
            }
            panel.setPixel(kLcdRegion.topLeft() + QPoint(x, y), toRgb(c));
        }
    }
}

void drawLcdWindow(QImage &panel)
{
    fillRect(panel, kLcdBezel, qRgb(16, 16, 17));
    drawBevel(panel, kLcdBezel, 3, Rgbf{150, 152, 156}, Rgbf{4, 4, 4}, 0.55f);
    fillRect(panel, kLcdRecess, qRgb(6, 6, 6));
    drawBevel(panel, kLcdRecess, 3, Rgbf{0, 0, 0}, Rgbf{70, 72, 75}, 0.6f);
    drawLcdFace(panel);
}

void drawProgressScale(QImage &panel)
{
    fillRect(panel, kProgressGroove, qRgb(12, 12, 13));
    drawBevel(panel, kProgressGroove, 1, Rgbf{0, 0, 0}, Rgbf{120, 122, 126}, 0.75f);
    constexpr int kTicks = 20;
    const QRgb tickInk = qRgb(150, 152, 156);
    for (int i = 0; i <= kTicks; ++i) {
        const int x = kScaleFirstX + (kScaleLastX - kScaleFirstX) * i / kTicks;
        const int length = i % 10 == 0 ? 4 : (i % 2 == 0 ? 2 : 1);
        fillRect(panel, QRect(x, kScaleTickY, 1, length), tickInk);
    }
    drawPixelText(panel, kScaleFirstX + 4, kScaleTickY + 1, "0", tickInk, PixelFont::Tiny, 1);
    drawPixelText(panel, (kScaleFirstX + kScaleLastX) / 2 + 4, kScaleTickY + 1, "50", tickInk, PixelFont::Tiny, 1);
    drawPixelText(panel, kScaleLastX - 4 - pixelTextWidth("100", PixelFont::Tiny, 1), kScaleTickY + 1, "100", tickInk,
                  PixelFont::Tiny, 1);
}

void drawListFrame(QImage &panel)
{
    QPainter p(&panel);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(kListFrame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 30));
    p.drawRoundedRect(outer.adjusted(0, 0, 1, 1), 6, 6);
    p.setBrush(QColor(12, 12, 13));
    p.drawRoundedRect(outer, 6, 6);
    p.setBrush(QColor(34, 34, 36));
    p.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 4.5, 4.5);
    p.end();
    fillRect(panel, kListInside, art::kPanelBlack);
    fillRect(panel, QRect(kListInside.left(), kHeaderSeparatorRow, kListInside.width(), 1), qRgb(44, 44, 46));
}

void drawFooter(QImage &panel)
{
    // The strip sits a shade deeper than the plate above it.
    for (int y = kFooterTop + 2; y < kPanelSize.height() - 2; ++y) {
        for (int x = 2; x < kPanelSize.width() - 2; ++x) {
            const QRgb c = panel.pixel(x, y);
            panel.setPixel(x, y, qRgb(qRed(c) * 13 / 16, qGreen(c) * 13 / 16, qBlue(c) * 13 / 16));
        }
    }
    fillRect(panel, QRect(2, kFooterTop, 396, 1), qRgb(14, 14, 15));
    fillRect(panel, QRect(2, kFooterTop + 1, 396, 1), qRgb(86, 88, 92));
    const QRgb ink = qRgb(150, 152, 156);
    drawPixelText(panel, 20, 382, "QUORVEL  PLAYLIST", ink, PixelFont::Legend, 1);
    const char *version = "VER 1.0";
    drawPixelText(panel, 380 - pixelTextWidth(version, PixelFont::Legend, 1), 382, version, ink, PixelFont::Legend, 1);
}

} // namespace

QImage drawPlaylistBackground()
{
    QImage panel(kPanelSize, QImage::Format_RGB32);
    fillBrushedMetal(panel, panel.rect(), Rgbf{50, 51, 54}, 6.5f, 5u);
    drawBevel(panel, panel.rect(), 2, Rgbf{150, 152, 156}, Rgbf{6, 6, 7}, 0.55f);
    drawLcdWindow(panel);
    drawProgressScale(panel);
    drawListFrame(panel);
    drawFooter(panel);
    for (QPointF at : kScrews)
        drawScrew(panel, at, 4.0, at.y() < 200 ? 30 : -40);
    return panel;
}

} // namespace art
