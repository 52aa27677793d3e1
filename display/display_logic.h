/* The arithmetic of the display tick: plain values in, plain values out.
 *
 * Each 35 ms tick reads the engine once, turns the level word into the two needle
 * tips, rounds the engine's seconds, builds the LCD readings, moves the ticker and
 * sizes the progress bar; the drawing code only paints what these functions return.
 * All arithmetic is defined for every input: no overflow, NaN and huge values included.
 */
#ifndef QUORVEL_DISPLAY_LOGIC_H
#define QUORVEL_DISPLAY_LOGIC_H

#include <cstdint>
#include <string>

/* A needle tip on its 105 x 61 meter canvas: x, and the height above row 40. */
struct NeedleTip {
  int32_t x;
  int32_t lift;
  friend bool operator==(const NeedleTip &, const NeedleTip &) = default;
};

struct MeterNeedles {
  NeedleTip left;
  NeedleTip right;
  friend bool operator==(const MeterNeedles &, const MeterNeedles &) = default;
};

/* Lying at the left end of the scale (power on, silence, out of range). */
inline constexpr NeedleTip needleAtRest{5, 5};
/* Below the scale, as start-up and power off leave the needles. */
inline constexpr NeedleTip needleOff{3, 3};

/* The engine's level word: high 16 bits drive the left meter, low 16 bits the right. */
MeterNeedles needlesForLevelWord(uint32_t levelWord);

/* Engine seconds to whole seconds: nearest, ties to even. NaN gives 0; values beyond
 * the 32-bit range, infinities included, give the nearest 32-bit limit. */
int32_t wholeSeconds(double seconds);

/* "m:ss" with the minutes not wrapped at the hour; a negative (failed) reading is "0:00".
 * The LCD shows elapsed time and stream length in the same form. */
std::string minutesSecondsReading(int32_t seconds);
std::string elapsedReading(int32_t elapsedSeconds);
std::string lengthReading(int32_t lengthSeconds);
/* "3/12": the 1-based selected row (0 when none is selected, index -1) and the row count. */
std::string trackCounterReading(int32_t selectedIndex, int32_t rowCount);

inline constexpr int32_t progressBarWidth = 340;
/* Orange pixels of the progress bar: elapsed * 340 / length in 64 bits, truncated,
 * clipped to 0..340; a length of 0 or less gives 0. */
int32_t progressFilledWidth(int32_t elapsedSeconds, int32_t lengthSeconds);
/* The byte position a click on bar column `column` seeks to: column * (length div 340),
 * with the column kept on the bar, so the target lies in 0 .. length - one step. */
int64_t seekTargetForColumn(int32_t column, int64_t lengthBytes);

inline constexpr float tickerStartX = 20.0f;
inline constexpr float tickerRestartX = 230.0f;
inline constexpr float tickerGapAfterText = 20.0f;
/* One tick of the ticker: moved left by `step`; once the text of `textWidth` pixels lies
 * more than 20 pixels beyond the left edge it restarts at 230. A non-finite x restarts. */
float advanceTickerX(float tickerX, float tickerStep, int32_t textWidth);
/* Where the text is drawn: the nearest whole pixel to x, ties to even. */
int32_t tickerDrawX(float tickerX);

#endif
