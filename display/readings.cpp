/* Seconds, LCD readings, the ticker's movement and the progress bar's scale. */
#include "display_logic.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int32_t secondsPerMinute = 60;

/* Nearest integer, ties to even, whatever the floating-point rounding mode is. */
int32_t roundTiesToEvenClamped(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lowest = std::numeric_limits<int32_t>::min();
  constexpr double highest = std::numeric_limits<int32_t>::max();
  if (value <= lowest) return std::numeric_limits<int32_t>::min();
  if (value >= highest) return std::numeric_limits<int32_t>::max();
  const double below = std::floor(value);
  const double fraction = value - below;
  double nearest = below;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) nearest = below + 1.0;
  return static_cast<int32_t>(std::min(nearest, highest));
}

std::string twoDigits(int32_t value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 1, '0');
  return text;
}

}  // namespace

int32_t wholeSeconds(double seconds) { return roundTiesToEvenClamped(seconds); }

std::string minutesSecondsReading(int32_t seconds) {
  if (seconds < 0) return "0:00";
  return std::to_string(seconds / secondsPerMinute) + ":" + twoDigits(seconds % secondsPerMinute);
}

std::string elapsedReading(int32_t elapsedSeconds) { return minutesSecondsReading(elapsedSeconds); }

std::string lengthReading(int32_t lengthSeconds) { return minutesSecondsReading(lengthSeconds); }

std::string trackCounterReading(int32_t selectedIndex, int32_t rowCount) {
  return std::to_string(int64_t{selectedIndex} + 1) + "/" + std::to_string(rowCount);
}

int32_t progressFilledWidth(int32_t elapsedSeconds, int32_t lengthSeconds) {
  if (lengthSeconds <= 0) return 0;
  const int64_t width = int64_t{elapsedSeconds} * progressBarWidth / lengthSeconds;
  return static_cast<int32_t>(std::clamp<int64_t>(width, 0, progressBarWidth));
}

int64_t seekTargetForColumn(int32_t column, int64_t lengthBytes) {
  if (lengthBytes <= 0) return 0;
  // The last column's target is at least one step before the end of the stream.
  const int64_t onBar = std::clamp<int32_t>(column, 0, progressBarWidth - 1);
  return onBar * (lengthBytes / progressBarWidth);
}

float advanceTickerX(float tickerX, float tickerStep, int32_t textWidth) {
  const float moved = tickerX - tickerStep;
  const float wrapBelow = -tickerGapAfterText - static_cast<float>(textWidth);
  if (!std::isfinite(moved) || wrapBelow > moved) return tickerRestartX;
  return moved;
}

int32_t tickerDrawX(float tickerX) { return roundTiesToEvenClamped(tickerX); }
