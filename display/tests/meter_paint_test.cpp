// The meters on their real canvases: needle pixels, clipping, the cap over the foot,
// and the dark face drawn on or beside the lit one.
#include <gtest/gtest.h>

#include <QRect>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/player_state.h"
#include "display/displays.h"

namespace {

constexpr QPoint pivot{52, 61};
const QRect capArea{24, 40, 57, 21};
constexpr QRgb white = 0xFFFFFFu;
constexpr int darkFaceAside = 1000;

QRgb rgbAt(const QImage &image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

// What the face shows at a pixel for a dark face drawn at darkX over the lit one.
QRgb faceAt(int x, int y, int darkX) {
  const QImage &lit = skinImage(SkinImage::MeterFaceLit);
  const QImage &dark = skinImage(SkinImage::MeterFaceDark);
  if (x >= darkX && x - darkX < dark.width()) return rgbAt(dark, x - darkX, y);
  return rgbAt(lit, x, y);
}

const QImage &paintedMeter(NeedleTip tip, int darkFaceOffset) {
  paintMeter(Canvas::LeftMeterCanvas, Control::LeftMeterView, tip, darkFaceOffset);
  return canvas(Canvas::LeftMeterCanvas);
}

// Pixels outside the cap that the needle changed from the face.
std::vector<QPoint> needlePixels(const QImage &meter, int darkX) {
  std::vector<QPoint> pixels;
  for (int y = 0; y < meter.height(); ++y)
    for (int x = 0; x < meter.width(); ++x)
      if (!capArea.contains(x, y) && rgbAt(meter, x, y) != faceAt(x, y, darkX)) pixels.push_back({x, y});
  return pixels;
}

struct TipCase {
  NeedleTip tip;
  const char *what;
};
const TipCase tipCases[] = {
    {{5, 5}, "rest"},           {{3, 3}, "off"},          {{91, 9}, "full scale"},
    {{46, 25}, "top of arc"},   {{11, 9}, "low"},          {{52, 25}, "straight up"},
    {{60, 30}, "steep"},        {{100, 0}, "row 40"},      {{105, -5}, "beyond the right edge"},
    {{110, -11}, "clipped"},    {{149, -73}, "below the canvas"},
};

TEST(MeterNeedle, OnePixelLineFromPivotToTipClippedToTheCanvas) {
  for (const TipCase &tipCase : tipCases) {
    SCOPED_TRACE(tipCase.what);
    const QImage &meter = paintedMeter(tipCase.tip, darkFaceAside);
    const QPoint tip{tipCase.tip.x, 40 - tipCase.tip.lift};
    const int dx = tip.x() - pivot.x(), dy = tip.y() - pivot.y();
    const bool alongX = std::abs(dx) >= std::abs(dy);

    for (const QPoint &pixel : needlePixels(meter, meter.width())) {
      EXPECT_EQ(rgbAt(meter, pixel.x(), pixel.y()), white) << pixel.x() << "," << pixel.y();
      // On the ideal line to within half a pixel across it, and between the end points.
      const double major = alongX ? pixel.x() - pivot.x() : pixel.y() - pivot.y();
      const double minor = alongX ? pixel.y() - pivot.y() : pixel.x() - pivot.x();
      const double slope = alongX ? double(dy) / dx : double(dx) / dy;
      EXPECT_LE(std::abs(minor - major * slope), 0.5 + 1e-9) << pixel.x() << "," << pixel.y();
      EXPECT_LE(std::abs(major), std::abs(alongX ? dx : dy)) << pixel.x() << "," << pixel.y();
      EXPECT_GE(major * (alongX ? dx : dy), 0) << pixel.x() << "," << pixel.y();
    }

    // Exactly one pixel for every step along the long axis where the line is visible.
    const int steps = std::abs(alongX ? dx : dy);
    for (int step = 0; step <= steps; ++step) {
      const double exactMinor = step * (alongX ? double(dy) / std::abs(dx) : double(dx) / std::abs(dy));
      const int sign = (alongX ? dx : dy) < 0 ? -1 : 1;
      int visibleCandidates = 0, candidates = 0, lit = 0;
      for (int minor = int(std::floor(exactMinor - 0.5)); minor <= int(std::ceil(exactMinor + 0.5)); ++minor) {
        if (std::abs(minor - exactMinor) > 0.5 + 1e-9) continue;
        ++candidates;
        const int x = alongX ? pivot.x() + sign * step : pivot.x() + minor;
        const int y = alongX ? pivot.y() + minor : pivot.y() + sign * step;
        if (x < 0 || y < 0 || x >= meter.width() || y >= meter.height() || capArea.contains(x, y)) continue;
        ++visibleCandidates;
        if (rgbAt(meter, x, y) == white && faceAt(x, y, meter.width()) != white) ++lit;
      }
      EXPECT_LE(lit, 1) << "step " << step;
      if (visibleCandidates == candidates && candidates > 0) {
        EXPECT_EQ(lit, 1) << "step " << step;
      }
    }

    if (QRect(0, 0, meter.width(), meter.height()).contains(tip) && !capArea.contains(tip)) {
      EXPECT_EQ(rgbAt(meter, tip.x(), tip.y()), white);
    }
  }
}

TEST(MeterNeedle, TipsOffTheCanvasDrawOnlyWhatLiesOnIt) {
  EXPECT_TRUE(needlePixels(paintedMeter({149, -73}, darkFaceAside), 105).empty());
  // The tip at (105, 45) is one column beyond the edge; the line ends in column 104.
  const std::vector<QPoint> clipped = needlePixels(paintedMeter({105, -5}, darkFaceAside), 105);
  ASSERT_FALSE(clipped.empty());
  int rightmost = 0;
  for (const QPoint &pixel : clipped) rightmost = std::max(rightmost, pixel.x());
  EXPECT_EQ(rightmost, 104);

  // Tips at the ends of the 32-bit range cost no more than the canvas and stay on it.
  const NeedleTip extremes[] = {{2147483647, -2147483647 - 1}, {-2147483647 - 1, 2147483647},
                                {2147483647, 2147483647},      {-2147483647 - 1, -2147483647 - 1},
                                {52, -2147483647 - 1},          {-2147483647 - 1, 21}};
  for (const NeedleTip &tip : extremes) {
    const std::vector<QPoint> pixels = needlePixels(paintedMeter(tip, darkFaceAside), 105);
    EXPECT_LE(pixels.size(), 105u) << tip.x << "," << tip.lift;
  }
}

TEST(MeterFace, CapCoversTheFootOfEveryNeedle) {
  const QImage &cap = skinImage(SkinImage::MeterCap);
  ASSERT_EQ(cap.size(), capArea.size());
  for (const TipCase &tipCase : tipCases) {
    SCOPED_TRACE(tipCase.what);
    for (int darkX : {0, darkFaceAside}) {
      const QImage &meter = paintedMeter(tipCase.tip, darkX);
      int differing = 0;
      for (int y = 0; y < cap.height(); ++y)
        for (int x = 0; x < cap.width(); ++x)
          if (rgbAt(meter, capArea.x() + x, capArea.y() + y) != rgbAt(cap, x, y)) ++differing;
      EXPECT_EQ(differing, 0);
    }
  }
}

TEST(MeterFace, DarkFaceCoversTheLitOneOrLiesBesideIt) {
  const struct {
    int darkFaceOffset;
    int firstDarkColumn;
  } cases[] = {{0, 0}, {darkFaceAside, 105}, {50, 50}, {-2147483647 - 1, 105}, {2147483647, 105}};
  for (const auto &faceCase : cases) {
    SCOPED_TRACE(faceCase.darkFaceOffset);
    const QImage &meter = paintedMeter({3, 3}, faceCase.darkFaceOffset);
    int litShown = 0, darkShown = 0, other = 0;
    for (int y = 0; y < meter.height(); ++y)
      for (int x = 0; x < meter.width(); ++x) {
        if (capArea.contains(x, y)) continue;
        const QRgb shown = rgbAt(meter, x, y);
        if (shown == white) continue;
        const bool darkHere = x >= faceCase.firstDarkColumn;
        const QImage &face = skinImage(darkHere ? SkinImage::MeterFaceDark : SkinImage::MeterFaceLit);
        if (shown == rgbAt(face, darkHere ? x - faceCase.darkFaceOffset : x, y)) {
          (darkHere ? darkShown : litShown)++;
        } else {
          ++other;
        }
      }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(litShown > 0, faceCase.firstDarkColumn > 0);
    EXPECT_EQ(darkShown > 0, faceCase.firstDarkColumn < 105);
  }
}

TEST(MeterTick, StoppedStreamKeepsTheNeedlesAndTheTickDrawsThem) {
  player.stream = 0;
  player.darkFaceOffset = darkFaceAside;
  player.leftNeedleX = 91;
  player.leftNeedleLift = 9;
  player.rightNeedleX = 5;
  player.rightNeedleLift = 5;
  displayTick();
  EXPECT_EQ(player.leftNeedleX, 91);
  EXPECT_EQ(player.rightNeedleLift, 5);
  EXPECT_EQ(rgbAt(canvas(Canvas::LeftMeterCanvas), 91, 31), white);
  EXPECT_EQ(rgbAt(canvas(Canvas::RightMeterCanvas), 5, 35), white);
  EXPECT_NE(rgbAt(canvas(Canvas::RightMeterCanvas), 91, 31), white);
  // Lit faces: away from needle and cap the canvas shows MeterFaceLit.
  EXPECT_EQ(rgbAt(canvas(Canvas::RightMeterCanvas), 100, 5), faceAt(100, 5, darkFaceAside));

  player.darkFaceOffset = 0;
  player.leftNeedleX = player.leftNeedleLift = player.rightNeedleX = player.rightNeedleLift = 3;
  displayTick();
  for (Canvas meter : {Canvas::LeftMeterCanvas, Canvas::RightMeterCanvas}) {
    EXPECT_EQ(rgbAt(canvas(meter), 3, 37), white);
    EXPECT_EQ(rgbAt(canvas(meter), 100, 5), faceAt(100, 5, 0));
  }
}

}  // namespace
