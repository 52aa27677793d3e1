// LoadSkin runs once at start-up: the font, the five black canvases, then the
// 35 embedded PNGs decoded from memory. Nothing is decoded after that; showing a
// skin element later only hands over one of these images.
#include "skin.h"

#include "png_reader.h"
#include "skin_loader.h"

#include <QSize>

#include <array>
#include <optional>

namespace {

constexpr std::array<QSize, static_cast<std::size_t>(Canvas::Count)> kCanvasSizes{{
    {105, 61}, // LeftMeterCanvas
    {105, 61}, // RightMeterCanvas
    {273, 12}, // TickerCanvas
    {352, 49}, // LcdCanvas
    {340, 2},  // ProgressCanvas
}};
static_assert(kSkinImageCount == static_cast<std::size_t>(SkinImage::Count));

std::array<QImage, kSkinImageCount> skinImages;
std::array<QImage, static_cast<std::size_t>(Canvas::Count)> canvases;
std::optional<QFont> lcdFont;

QFont createLcdFont()
{
    // No Linux system has MicroTech; the substitute keeps the request by name
    // working and gives the LCD a technical face with Cyrillic letters.
    QFont::insertSubstitution(QString::fromLatin1(kLcdFontFamily), QString::fromLatin1(kLcdFontSubstitute));
    QFont font(QString::fromLatin1(kLcdFontFamily));
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleStrategy(QFont::PreferQuality);
    return font;
}

const QImage &imageAtStep(SkinImage first, int step)
{
    if (step < 0 || step > 10)
        return skinImage(SkinImage::Count);
    return skinImage(static_cast<SkinImage>(static_cast<int>(first) + step));
}

} // namespace

void loadSkinImagesFrom(const std::array<EmbeddedPng, kSkinImageCount> &pngs)
{
    for (std::size_t i = 0; i < kSkinImageCount; ++i)
        skinImages[i] = decodePng(pngs[i].bytes, pngs[i].size);
}

void LoadSkin()
{
    lcdFont = createLcdFont();
    for (std::size_t i = 0; i < canvases.size(); ++i) {
        canvases[i] = QImage(kCanvasSizes[i], QImage::Format_RGB32);
        canvases[i].fill(Qt::black);
    }
    loadSkinImagesFrom(embeddedSkinPngs);
}

const QImage &skinImage(SkinImage name)
{
    static const QImage none;
    const auto index = static_cast<std::size_t>(name);
    return index < kSkinImageCount ? skinImages[index] : none;
}

const QImage &DigitLit(int step)
{
    return imageAtStep(SkinImage::DigitLit0, step);
}

const QImage &KnobImage(int step)
{
    return imageAtStep(SkinImage::KnobImage0, step);
}

QImage &canvas(Canvas name)
{
    return canvases[static_cast<std::size_t>(name)];
}

const QFont &LcdFont()
{
    if (!lcdFont)
        lcdFont = createLcdFont();
    return *lcdFont;
}
