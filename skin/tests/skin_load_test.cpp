// LoadSkin: the font, the five canvases and the 35 decoded images, and that a
// broken PNG leaves only its own image empty.
#include "embedded_skin.h"
#include "skin_expectations.h"
#include "skin_loader.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class LoadSkinTest : public testing::Test {
protected:
    static void SetUpTestSuite() { LoadSkin(); }
};

TEST_F(LoadSkinTest, CreatesFiveBlackCanvasesOfTheirSizes)
{
    struct Expected {
        Canvas name;
        QSize size;
    };
    const Expected canvases[] = {{Canvas::LeftMeterCanvas, {105, 61}}, {Canvas::RightMeterCanvas, {105, 61}},
                                 {Canvas::TickerCanvas, {273, 12}},    {Canvas::LcdCanvas, {352, 49}},
                                 {Canvas::ProgressCanvas, {340, 2}}};
    static_assert(std::size(canvases) == static_cast<std::size_t>(Canvas::Count));
    for (const Expected &expected : canvases) {
        const QImage &target = canvas(expected.name);
        EXPECT_EQ(target.size(), expected.size);
        EXPECT_EQ(target.format(), QImage::Format_RGB32);
        QImage black(expected.size, QImage::Format_RGB32);
        black.fill(qRgb(0, 0, 0));
        EXPECT_TRUE(target == black);
    }
}

TEST_F(LoadSkinTest, DecodesAllImagesWithTheirSizesAndAlphaKinds)
{
    for (const ExpectedImage &expected : kExpectedImages) {
        const QImage &image = skinImage(expected.name);
        SCOPED_TRACE(std::string(skinImageNames[static_cast<std::size_t>(expected.name)]));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(expected.width, expected.height));
        EXPECT_EQ(image.format(), expected.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

TEST_F(LoadSkinTest, StepAccessorsNameTheStepImages)
{
    for (int step = 0; step <= 10; ++step) {
        EXPECT_EQ(&DigitLit(step), &skinImage(SkinImage(int(SkinImage::DigitLit0) + step)));
        EXPECT_EQ(&KnobImage(step), &skinImage(SkinImage(int(SkinImage::KnobImage0) + step)));
    }
    EXPECT_TRUE(DigitLit(11).isNull());
    EXPECT_TRUE(KnobImage(-1).isNull());
}

TEST_F(LoadSkinTest, LcdFontAsksForMicroTechAtTenPointsAndGetsTheSubstitute)
{
    const QFont &font = LcdFont();
    EXPECT_EQ(font.family(), QStringLiteral("MicroTech"));
    EXPECT_EQ(font.pointSize(), 10);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(font.underline());
    EXPECT_FALSE(font.strikeOut());
    const QFontInfo resolved(font);
    EXPECT_EQ(resolved.family(), QString::fromLatin1(kLcdFontSubstitute));
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(resolved.pixelSize(), static_cast<int>(std::lround(10.0 * dpi / 72.0)));
}

TEST(LoadSkinImages, ABrokenPngLeavesOnlyItsImageEmpty)
{
    auto table = embeddedSkinPngs;
    const std::size_t broken = static_cast<std::size_t>(SkinImage::LabelOpenLit);
    const std::size_t truncated = static_cast<std::size_t>(SkinImage::MainBackground);
    static const unsigned char notAPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H'};
    table[broken] = {notAPng, sizeof notAPng};
    table[truncated].size /= 2;
    loadSkinImagesFrom(table);
    for (std::size_t i = 0; i < kSkinImageCount; ++i)
        EXPECT_EQ(skinImage(static_cast<SkinImage>(i)).isNull(), i == broken || i == truncated) << skinImageNames[i];
    LoadSkin();
    EXPECT_FALSE(skinImage(SkinImage::LabelOpenLit).isNull());
}

} // namespace
