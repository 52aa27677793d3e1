/* The displays: two meters, the LCD strip, the ticker and the progress bar.
 *
 * Every 35 ms displayTick reads the engine once for the current stream, moves the
 * needles while the stream is active, and then repaints the five canvases completely,
 * each from its background, in a fixed order: left meter, right meter, LCD strip,
 * ticker, progress bar. Each painter hands its canvas to its image control when done,
 * so every tick's pixels reach the screen. Nothing survives from one tick to the next
 * except the PlayerState fields and the cached texts, which only save work.
 */
#ifndef QUORVEL_DISPLAYS_H
#define QUORVEL_DISPLAYS_H

#include <cstdint>

#include "display/display_logic.h"
#include "skin/layout.h"
#include "skin/skin.h"

/* The display timer's routine: no arguments, runs on the GUI thread, never pumps events. */
void displayTick();

/* Face (lit, then dark at darkFaceOffset), the one-pixel needle from the pivot to the
 * tip, then the cap; the canvas is then shown on meterView. */
void paintMeter(Canvas meterCanvas, Control meterView, NeedleTip tip, int32_t darkFaceOffset);

/* "таймер:  " with the elapsed reading, "время:  " with the length, and the counter. */
void paintLcdStrip(int32_t elapsedSeconds, int32_t lengthSeconds, int32_t selectedRow, int32_t rowCount);

/* Moves player.tickerX one step (wrapping past the text's width) and draws tickerText. */
void paintTicker();

void paintProgressBar(int32_t elapsedSeconds, int32_t lengthSeconds);

#endif
