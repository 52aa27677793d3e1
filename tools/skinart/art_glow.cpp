// Lit push-button key and title-strip indicator glow, and the lit copies of
// the printed labels and figures.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

// The key is 44 x 19 with its four corner pixels cut off.
bool insideKey(int x, int y)
{
    const bool cornerColumn = x == 0 || x == kKeyInButton.width() - 1;
    const bool cornerRow = y == 0 || y == kKeyInButton.height() - 1;
    return x >= 0 && y >= 0 && x < kKeyInButton.width() && y < kKeyInButton.height() &&
           !(cornerColumn && cornerRow);
}

QRgb keyColour(int x, int y, bool lit)
{
    const int w = kKeyInButton.width(), h = kKeyInButton.height();
    const bool outline = x == 0 || y == 0 || x == w - 1 || y == h - 1;
    if (outline)
        return qRgb(6, 6, 7);
    if (y == 1)
        return lit ? qRgb(214, 220, 228) : qRgb(104, 106, 110);
    if (y == 2)
        return lit ? qRgb(128, 132, 138) : qRgb(70, 72, 75);
    const float t = static_cast<float>(y - 2) / static_cast<float>(h - 3);
    const Rgbf top = lit ? Rgbf{92, 94, 98} : Rgbf{56, 57, 59};
    const Rgbf bottom = lit ? Rgbf{58, 59, 62} : Rgbf{34, 35, 36};
    Rgbf c = mix(top, bottom, t);
    const float grain = brushedGrain(x, y, lit ? 41u : 43u) * 3.0f;
    c = {c.r + grain, c.g + grain, c.b + grain};
    // Side walls: the left catches light, the right and bottom fall into shade.
    if (x == 1)
        c = mix(c, lit ? Rgbf{150, 154, 160} : Rgbf{84, 86, 89}, 0.6f);
    if (x == w - 2 || y == h - 2)
        c = scaled(c, 0.72f);
    return toRgb(c);
}

} // namespace

void drawKey(QImage &image, QPoint topLeft, bool lit)
{
    for (int y = 0; y < kKeyInButton.height(); ++y) {
        for (int x = 0; x < kKeyInButton.width(); ++x) {
            if (!insideKey(x, y))
                continue;
            const QRgb c = keyColour(x, y, lit);
            image.setPixel(topLeft + QPoint(x, y), image.hasAlphaChannel() ? c | 0xff000000u : c);
        }
    }
}

QImage drawButtonGlow()
{
    QImage glow(kPushButtonSize, QImage::Format_ARGB32);
    glow.fill(qRgba(0, 0, 0, 0));
    drawKey(glow, kKeyInButton.topLeft(), true);
    return glow;
}

QImage drawTitleButtonGlow()
{
    constexpr int kWidth = 26, kHeight = 13, kLineRow = 4, kLineFirst = 6, kLineLast = 19;
    constexpr double kPeakAlpha = 187.0;
    QImage glow(kWidth, kHeight, QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y) {
        const int rowDistance = std::abs(y - kLineRow);
        // Full strength in the rows beside the line, fading to nothing at the
        // bottom row (eight rows below it); rows above mirror those below.
        const double vertical = rowDistance <= 1
                                    ? 1.0
                                    : std::exp(-std::pow((rowDistance - 1) / 2.1, 2.0)) *
                                          (8 - rowDistance) / 7.0;
        for (int x = 0; x < kWidth; ++x) {
            const int columnDistance = std::max({0, kLineFirst - x, x - kLineLast});
            const double horizontal = std::exp(-std::pow(columnDistance / 2.4, 2.0));
            if (y == kLineRow && columnDistance == 0) {
                glow.setPixel(x, y, kIndicatorCyan | 0xff000000u);
                continue;
            }
            const int alpha = static_cast<int>(std::lround(kPeakAlpha * vertical * horizontal));
            glow.setPixel(x, y, qRgba(qRed(kLitBlue), qGreen(kLitBlue), qBlue(kLitBlue), alpha));
        }
    }
    return glow;
}

QImage litCopy(const QImage &mainBackground, const QRect &region)
{
    QImage lit = mainBackground.copy(region).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < lit.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(lit.scanLine(y));
        for (int x = 0; x < lit.width(); ++x)
            if ((line[x] & 0xffffffu) == (kLetteringGrey & 0xffffffu))
                line[x] = kLitBlue;
    }
    return lit;
}

} // namespace art
