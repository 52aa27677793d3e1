/* The two VU meters. Each tick paints a meter afresh: the lit face, the dark face at
 * darkFaceOffset (over the lit one when the power is off, far to the right when it is
 * on), a one-pixel white needle from the pivot below the last row to the tip, and the
 * cap that hides the needle's foot. The needle is set pixel by pixel so that both end
 * points belong to it and nothing is blended or anti-aliased.
 */
#include "display/displays.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "platform/toolkit.h"

namespace {

struct MeterGeometry {
  int pivotX, pivotY;
  int tipBaseRow;  // a tip stands `lift` rows above it
  int capX, capY;
};
constexpr MeterGeometry meterGeometry{52, 61, 40, 24, 40};
constexpr QRgb needleColour = qRgb(255, 255, 255);

/* step * delta / steps rounded to the nearest integer, halves up; in 128 bits because
 * tips far outside the canvas make the product exceed 64 bits. */
int64_t roundedShare(int64_t step, int64_t delta, int64_t steps) {
  const __int128 twice = __int128{2} * step * delta + steps;
  const __int128 doubled = __int128{2} * steps;
  const __int128 floored = twice >= 0 ? twice / doubled : -((-twice + doubled - 1) / doubled);
  return static_cast<int64_t>(floored);
}

/* The pixels of the line from (x0, y0) to (x1, y1) that lie on the image: one pixel per
 * step along the longer axis, the other coordinate rounded to the nearest pixel. Only
 * the steps whose long-axis coordinate falls on the image are visited, so a tip far
 * outside costs nothing. */
void drawClippedLine(QImage &image, int64_t x0, int64_t y0, int64_t x1, int64_t y1, QRgb colour) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const bool alongX = std::llabs(dx) >= std::llabs(dy);
  const int64_t longStart = alongX ? x0 : y0;
  const int64_t longDelta = alongX ? dx : dy;
  const int64_t shortStart = alongX ? y0 : x0;
  const int64_t shortDelta = alongX ? dy : dx;
  const int64_t longLimit = alongX ? image.width() : image.height();
  const int64_t shortLimit = alongX ? image.height() : image.width();
  const int64_t steps = std::llabs(longDelta);
  const int64_t direction = longDelta < 0 ? -1 : 1;

  for (int64_t longCoordinate = 0; longCoordinate < longLimit; ++longCoordinate) {
    const int64_t step = (longCoordinate - longStart) * direction;
    if (step < 0 || step > steps) continue;
    const int64_t shortCoordinate =
        steps == 0 ? shortStart : shortStart + roundedShare(step, shortDelta, steps);
    if (shortCoordinate < 0 || shortCoordinate >= shortLimit) continue;
    const int x = static_cast<int>(alongX ? longCoordinate : shortCoordinate);
    const int y = static_cast<int>(alongX ? shortCoordinate : longCoordinate);
    image.setPixel(x, y, colour);
  }
}

}  // namespace

void paintMeter(Canvas meterCanvas, Control meterView, NeedleTip tip, int32_t darkFaceOffset) {
  QImage &meter = canvas(meterCanvas);
  {
    QPainter painter(&meter);
    painter.drawImage(0, 0, skinImage(SkinImage::MeterFaceLit));
    // Any offset beyond the canvas width paints nothing, like 1000 does.
    const int darkX = std::clamp<int32_t>(darkFaceOffset, -meter.width(), meter.width());
    painter.drawImage(darkX, 0, skinImage(SkinImage::MeterFaceDark));
  }
  drawClippedLine(meter, meterGeometry.pivotX, meterGeometry.pivotY, tip.x,
                  int64_t{meterGeometry.tipBaseRow} - tip.lift, needleColour);
  {
    QPainter painter(&meter);
    painter.drawImage(meterGeometry.capX, meterGeometry.capY, skinImage(SkinImage::MeterCap));
  }
  setControlImage(meterView, &meter);
}
