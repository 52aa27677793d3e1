/* The level word into the two needle tips. There is no inertia: every tick's tips come
 * from that tick's word alone. The lift follows v - v*v/100 over the working range, an
 * arc that peaks at 25 around v 50 and falls to 9 at full scale (v 90). */
#include "display_logic.h"

namespace {

constexpr int32_t fullScaleWord = 32768;
constexpr int32_t fullScaleNeedle = 90;
/* Beyond these the needle lies at rest; the right needle's range is one higher. */
constexpr int32_t leftLowestResting = 4, leftHighestWorking = 148;
constexpr int32_t rightLowestResting = 5, rightHighestWorking = 149;

int32_t scaledLevel(uint32_t word16) {
  return static_cast<int32_t>(word16) * fullScaleNeedle / fullScaleWord;
}

int32_t liftForValue(int32_t v) { return v - (v * v) / 100; }

}  // namespace

MeterNeedles needlesForLevelWord(uint32_t levelWord) {
  const int32_t leftScaled = scaledLevel(levelWord >> 16);
  const int32_t rightScaled = scaledLevel(levelWord & 0xFFFFu);

  MeterNeedles needles{needleAtRest, needleAtRest};
  // The left tip stands one pixel right of the value its lift is computed from.
  if (leftScaled > leftLowestResting && leftScaled <= leftHighestWorking)
    needles.left = {leftScaled + 1, liftForValue(leftScaled)};

  // Any left level at all moves the right needle one pixel further.
  const int32_t u = leftScaled >= 1 ? rightScaled + 1 : rightScaled;
  if (u > rightLowestResting && u <= rightHighestWorking) needles.right = {u, liftForValue(u)};
  return needles;
}
