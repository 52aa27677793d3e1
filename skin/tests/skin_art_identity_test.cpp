// The pixel relations between skin images that make controls blend into the
// panels: lit lettering over printed lettering, the LCD and ticker slices,
// the meter cap, the knob over the printed knob, and the two glows.
#include "skin_expectations.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// A lit image may differ from "printed region, grey turned blue" in at most
// this many pixels.
constexpr int kMaxStrayPixels = 2;

class SkinArt : public testing::Test {
protected:
    static void SetUpTestSuite() { LoadSkin(); }
    static const QImage &main() { return skinImage(SkinImage::MainBackground); }
};

TEST_F(SkinArt, LcdAndTickerBackgroundsAreExactSlicesOfThePanel)
{
    const QImage &playlist = skinImage(SkinImage::PlaylistBackground);
    const QImage &lcd = skinImage(SkinImage::LcdBackground);
    EXPECT_TRUE(lcd == playlist.copy(24, 11, 352, 49));
    EXPECT_TRUE(skinImage(SkinImage::TickerBackground) == lcd.copy(40, 10, 273, 12));
}

TEST_F(SkinArt, TickerStripRunsFromDarkReddishBrownToBrightOrange)
{
    const QImage &ticker = skinImage(SkinImage::TickerBackground);
    int previousBrightness = -1;
    for (int y = 0; y < ticker.height(); ++y) {
        const QRgb p = ticker.pixel(ticker.width() / 2, y);
        const int brightness = qRed(p) + qGreen(p) + qBlue(p);
        EXPECT_GT(brightness, previousBrightness) << "row " << y;
        EXPECT_GT(qRed(p), qGreen(p));
        EXPECT_GT(qGreen(p), qBlue(p));
        previousBrightness = brightness;
    }
    EXPECT_LT(qRed(ticker.pixel(0, 0)), 128);
    EXPECT_GT(qRed(ticker.pixel(0, ticker.height() - 1)), 224);
}

TEST_F(SkinArt, MeterCapIsThePlateRegionOfTheLitFaceWithOrangeUpperCorners)
{
    const QImage &cap = skinImage(SkinImage::MeterCap);
    EXPECT_TRUE(cap == skinImage(SkinImage::MeterFaceLit).copy(24, 40, 57, 21));
    auto orange = [](QRgb p) { return qRed(p) > 150 && qRed(p) > qBlue(p) + 80; };
    EXPECT_TRUE(orange(cap.pixel(0, 0)));
    EXPECT_TRUE(orange(cap.pixel(cap.width() - 1, 0)));
    EXPECT_FALSE(orange(cap.pixel(cap.width() / 2, 0)));
    EXPECT_FALSE(orange(cap.pixel(0, cap.height() - 1)));
}

TEST_F(SkinArt, MeterWindowsOfThePanelShowTheLitFace)
{
    const QImage &face = skinImage(SkinImage::MeterFaceLit);
    EXPECT_TRUE(main().copy(QRect(QPoint(10, 10), face.size())) == face);
    EXPECT_TRUE(main().copy(QRect(QPoint(120, 10), face.size())) == face);
}

TEST_F(SkinArt, LitImagesAreThePrintedLetteringTurnedBlue)
{
    for (const LitPlacement &placement : kLitPlacements) {
        SCOPED_TRACE(placement.what);
        const QImage &lit = skinImage(placement.image);
        const QImage printed = main().copy(QRect(placement.at, lit.size()));
        int stray = 0, blue = 0, neitherBlackNorBlue = 0;
        for (int y = 0; y < lit.height(); ++y) {
            for (int x = 0; x < lit.width(); ++x) {
                const QRgb under = rgbOnly(printed.pixel(x, y));
                const QRgb expected = under == rgbOnly(kLetteringGrey) ? rgbOnly(kLitBlue) : under;
                const QRgb shown = rgbOnly(lit.pixel(x, y));
                stray += shown != expected;
                blue += shown == rgbOnly(kLitBlue);
                neitherBlackNorBlue += shown != rgbOnly(kLitBlue) && shown != rgbOnly(kPanelBlack);
            }
        }
        EXPECT_LE(stray, kMaxStrayPixels);
        EXPECT_LE(neitherBlackNorBlue, kMaxStrayPixels);
        EXPECT_GE(blue, 8) << "the lettering should be there";
    }
}

TEST_F(SkinArt, LitOpenIsWiderThanItsUnlitControl)
{
    const QImage &open = skinImage(SkinImage::LabelOpenLit);
    bool blueBeyond26 = false;
    for (int y = 0; y < open.height(); ++y)
        for (int x = 26; x < open.width(); ++x)
            blueBeyond26 |= rgbOnly(open.pixel(x, y)) == rgbOnly(kLitBlue);
    EXPECT_TRUE(blueBeyond26);
}

TEST_F(SkinArt, KnobImagesAreDiscsOnTransparentSquaresWithOneMask)
{
    const QImage &first = KnobImage(0);
    for (int step = 0; step <= 10; ++step) {
        const QImage &knob = KnobImage(step);
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                const double r = std::hypot(x + 0.5 - 40.0, y + 0.5 - 40.0);
                if (r > 40.0) {
                    ASSERT_EQ(qAlpha(knob.pixel(x, y)), 0) << step << " at " << x << "," << y;
                }
                ASSERT_EQ(qAlpha(knob.pixel(x, y)), qAlpha(first.pixel(x, y))) << step;
            }
        }
        EXPECT_EQ(qAlpha(knob.pixel(40, 40)), 255);
    }
}

// Every knob hides the printed cap: where a knob is opaque it covers it, and
// where it is partly transparent it has the very colour printed beneath, so
// blending changes nothing. The only opaque pixels that differ form the dot.
TEST_F(SkinArt, KnobZeroCoversThePrintedCapWhichLacksOnlyTheDot)
{
    for (int step = 0; step <= 10; ++step) {
        SCOPED_TRACE(step);
        const QImage &knob = KnobImage(step);
        int differing = 0;
        double sumX = 0, sumY = 0;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                const QRgb k = knob.pixel(x, y);
                const QRgb printed = rgbOnly(main().pixel(kKnobAt + QPoint(x, y)));
                if (qAlpha(k) == 0)
                    continue;
                if (qAlpha(k) < 255) {
                    ASSERT_EQ(rgbOnly(k), printed) << x << "," << y;
                } else if (rgbOnly(k) != printed) {
                    ++differing;
                    sumX += x + 0.5;
                    sumY += y + 0.5;
                }
            }
        }
        if (step != 0)
            continue;
        ASSERT_GT(differing, 4);
        EXPECT_LE(differing, 40);
        const double dx = sumX / differing - 40.0, dy = sumY / differing - 40.0;
        EXPECT_NEAR(std::atan2(dx, -dy) * 180.0 / M_PI, kKnobDotDegrees[0], 4.0);
        EXPECT_GT(std::hypot(dx, dy), 24.0) << "near the rim";
    }
}

// The same, through the compositing the windows really use.
TEST_F(SkinArt, PaintedOverThePanelAKnobChangesNothingButItsOpaqueCap)
{
    for (int step = 0; step <= 10; ++step) {
        QImage shown = main().copy();
        {
            QPainter painter(&shown);
            painter.drawImage(kKnobAt, KnobImage(step));
        }
        int changed = 0;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                const QPoint at = kKnobAt + QPoint(x, y);
                const bool same = shown.pixel(at) == main().pixel(at);
                if (qAlpha(KnobImage(step).pixel(x, y)) < 255) {
                    ASSERT_TRUE(same) << step << " at " << x << "," << y;
                }
                changed += !same;
            }
        }
        if (step == 0) {
            EXPECT_GT(changed, 4);
            EXPECT_LE(changed, 40) << "only the dot";
        }
    }
}

TEST_F(SkinArt, KnobDotPointsAtItsFigure)
{
    for (int step = 0; step <= 10; ++step) {
        const QImage &knob = KnobImage(step);
        double sumX = 0, sumY = 0;
        int dark = 0;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 80; ++x) {
                const double r = std::hypot(x + 0.5 - 40.0, y + 0.5 - 40.0);
                const QRgb p = knob.pixel(x, y);
                if (r < 34.0 && qAlpha(p) == 255 && qGray(p) < 50) {
                    ++dark;
                    sumX += x + 0.5;
                    sumY += y + 0.5;
                }
            }
        }
        ASSERT_GT(dark, 4) << step;
        const double degrees = std::atan2(sumX / dark - 40.0, -(sumY / dark - 40.0)) * 180.0 / M_PI;
        EXPECT_NEAR(degrees, kKnobDotDegrees[static_cast<std::size_t>(step)], 4.0) << step;
    }
}

TEST_F(SkinArt, ButtonGlowIsAnOpaqueKeyInATransparentMargin)
{
    const QImage &glow = skinImage(SkinImage::ButtonGlow);
    const QRect key(3, 3, 44, 19);
    for (int y = 0; y < glow.height(); ++y) {
        for (int x = 0; x < glow.width(); ++x) {
            const bool cutCorner = (x == key.left() || x == key.right()) && (y == key.top() || y == key.bottom());
            const bool opaque = key.contains(x, y) && !cutCorner;
            ASSERT_EQ(qAlpha(glow.pixel(x, y)), opaque ? 255 : 0) << x << "," << y;
            const bool outline = opaque && (x == key.left() || x == key.right() || y == key.top() || y == key.bottom());
            if (outline) {
                EXPECT_LT(qGray(glow.pixel(x, y)), 16) << "outline " << x << "," << y;
            }
        }
    }
    int highlight = 0;
    for (int x = key.left() + 2; x <= key.right() - 2; ++x)
        highlight += qGray(glow.pixel(x, key.top() + 1)) > 180;
    EXPECT_EQ(highlight, key.width() - 4);
    const QRgb face = glow.pixel(key.center());
    EXPECT_GT(qGray(face), 30);
    EXPECT_LT(qGray(face), 140);
}

TEST_F(SkinArt, TitleButtonGlowHasItsLineAndFallingGlow)
{
    const QImage &glow = skinImage(SkinImage::TitleButtonGlow);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 26; ++x) {
            const QRgb p = glow.pixel(x, y);
            if (y == 4 && x >= 6 && x <= 19) {
                EXPECT_EQ(p, kIndicatorCyan | 0xff000000u) << x;
                continue;
            }
            EXPECT_LE(qAlpha(p), 187);
            if (qAlpha(p) > 0) {
                EXPECT_EQ(rgbOnly(p), rgbOnly(kLitBlue));
            }
            if (x >= 6 && x <= 19 && (y == 3 || y == 5)) {
                EXPECT_EQ(qAlpha(p), 187) << x << "," << y;
            }
            if (y <= 3) {
                EXPECT_EQ(qAlpha(p), qAlpha(glow.pixel(x, 8 - y))) << "symmetry " << x << "," << y;
            }
            if (y > 5) {
                EXPECT_LE(qAlpha(p), qAlpha(glow.pixel(x, y - 1))) << "falls off downwards";
            }
            if (y < 3) {
                EXPECT_LE(qAlpha(p), qAlpha(glow.pixel(x, y + 1))) << "falls off upwards";
            }
            if (x < 6) {
                EXPECT_LE(qAlpha(p), qAlpha(glow.pixel(x + 1, y)));
            }
            if (x > 19) {
                EXPECT_LE(qAlpha(p), qAlpha(glow.pixel(x - 1, y)));
            }
        }
        EXPECT_LE(qAlpha(glow.pixel(0, y)), 10);
        EXPECT_LE(qAlpha(glow.pixel(25, y)), 10);
    }
    for (int x = 0; x < 26; ++x)
        EXPECT_EQ(qAlpha(glow.pixel(x, 12)), 0);
}

TEST_F(SkinArt, TitleChannelHoldsThreeGreyBars)
{
    const int bars[] = {336, 354, 372};
    const QRgb bar = rgbOnly(main().pixel(bars[0], 4));
    EXPECT_LE(std::abs(qRed(bar) - qBlue(bar)), 10) << "grey";
    EXPECT_LE(std::abs(qRed(bar) - qGreen(bar)), 10) << "grey";
    for (int left : bars) {
        for (int x = left; x < left + 14; ++x) {
            EXPECT_EQ(rgbOnly(main().pixel(x, 4)), bar) << x;
            EXPECT_NE(rgbOnly(main().pixel(x, 3)), bar);
            EXPECT_NE(rgbOnly(main().pixel(x, 5)), bar);
        }
        EXPECT_NE(rgbOnly(main().pixel(left - 1, 4)), bar);
        EXPECT_NE(rgbOnly(main().pixel(left + 14, 4)), bar);
    }
}

TEST_F(SkinArt, DarkMeterFaceIsDullerThanTheLitOne)
{
    auto meanSaturationAndValue = [](const QImage &face) {
        double saturation = 0, value = 0;
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x) {
                const QColor c = QColor::fromRgb(face.pixel(x, y));
                saturation += c.hsvSaturation();
                value += c.value();
            }
        return std::pair(saturation / (face.width() * face.height()), value / (face.width() * face.height()));
    };
    const auto lit = meanSaturationAndValue(skinImage(SkinImage::MeterFaceLit));
    const auto dark = meanSaturationAndValue(skinImage(SkinImage::MeterFaceDark));
    EXPECT_LT(dark.first, lit.first * 0.6);
    EXPECT_LT(dark.second, lit.second * 0.7);
}

} // namespace
