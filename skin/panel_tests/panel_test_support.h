// Shared by the front-panel tests: one player per test process (skin, both
// windows, the hooks), the real sound output on SDL's disk driver, and a look
// at what a window really shows.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "skin/layout.h"
#include "skin/skin.h"

class QWidget;
class QWindow;

// Set by main when a platform is available and the player objects exist.
extern bool playerCreated;
// Where SDL's disk driver writes the sound (16-bit stereo at 44100 Hz).
std::filesystem::path soundOutputFile();

QWidget *playerWindowWidget(Window window);
QWindow *playerQtWindow(Window window);

// True when the window shows its own skin there, with `image` (or nothing) drawn over it.
bool regionShows(Window window, int x, int y, const QImage *image);
// Likewise, looking only at `area` of the window.
bool areaShows(Window window, PixelRect area, int x, int y, const QImage *image);
const QImage *imageOf(SkinImage name);

// Back to the state start-up leaves, power off and drawer hidden at height 0.
void resetFrontPanel();

// Runs loop passes (a display timer ticks every 35 ms) until `condition` or the time is up.
bool runPassesUntil(const std::function<bool()> &condition, int timeoutMs);
void runPassesFor(int milliseconds);

// A stereo WAV of a 440 Hz tone at `amplitude` (of 32767) lasting `seconds`.
void writeToneWav(const std::filesystem::path &path, int amplitude, double seconds);
// The highest absolute sample written to the sound output from byte `from` on.
int peakOfOutputFrom(std::uintmax_t from);
