/* The two-pixel progress bar: the dark track, then the played part in orange from the
 * left edge, on the same 340-pixel scale that a click on the bar seeks by. */
#include "display/displays.h"

#include <QPainter>

#include "platform/toolkit.h"

namespace {

constexpr QRgb trackColour = qRgb(25, 25, 25);
constexpr QRgb playedColour = qRgb(231, 100, 17);

}  // namespace

void paintProgressBar(int32_t elapsedSeconds, int32_t lengthSeconds) {
  QImage &bar = canvas(Canvas::ProgressCanvas);
  const int32_t playedWidth = progressFilledWidth(elapsedSeconds, lengthSeconds);
  {
    QPainter painter(&bar);
    painter.fillRect(0, 0, progressBarWidth, bar.height(), QColor::fromRgb(trackColour));
    if (playedWidth > 0) painter.fillRect(0, 0, playedWidth, bar.height(), QColor::fromRgb(playedColour));
  }
  setControlImage(Control::ProgressView, &bar);
}
