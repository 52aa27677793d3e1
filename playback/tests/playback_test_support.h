// Shared by the playback tests and the benchmark: temporary folders with
// generated sound files, the player's windows and engine started once per
// process, real input through Qt, and the sound that SDL's disk driver wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_event.h"

class QWidget;

namespace playback_test {

namespace fs = std::filesystem;

constexpr int OutputRate = 44100;
constexpr int FullScale = 32767;

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    // The folder's path with a trailing "/", as bytes.
    std::string slash() const { return path_.string() + "/"; }
    std::string operator/(const std::string &name) const { return slash() + name; }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

// Interleaved 16-bit stereo frames.
using StereoSamples = std::vector<int16_t>;

// A steady square-ish tone at `amplitude` of full scale: easy to tell apart by level.
StereoSamples steadyTone(double amplitude, double seconds);
// A rising line from `from` to `to` of full scale: each value tells its position.
StereoSamples rampFrames(double from, double to, double seconds);
// The ramp's value at a frame.
int16_t rampValueAt(double from, double to, double seconds, int64_t frame);
void writeWav(const std::string &path, const StereoSamples &frames);
// Through the lame encoder; `withId3v1` appends a 128-byte ID3v1 block.
void writeMp3(const std::string &path, const StereoSamples &frames, bool withId3v1);
void writeBytes(const std::string &path, const std::string &bytes);

// The player's own start-up, on Qt's offscreen platform unless another was chosen
// and with the engine writing to SDL's disk driver; once per process.
void startPlayerForTests();
// What the list and the stream were right after that start-up, run in a
// folder holding b.wav, A.MP3 and skip.txt.
struct StartUpState {
    std::vector<std::string> rows;
    int selectedRow = -1;
    uint32_t stream = 0;
};
StartUpState &startUpState();
// Both windows on screen with the panel fully open.
void showBothWindows();
fs::path soundOutputFile();

// Runs main-loop passes until the condition holds or the time is up.
bool runPassesUntil(const std::function<bool()> &condition, double seconds);
void runPassesFor(double seconds);
// Lets Qt deliver pending input, then runs one pass per queued UiEvent.
void handleQueuedInput();

QWidget *windowWidgetOf(::Window window);
QWidget *controlWidgetOf(::Control control);
bool lampLit(::Control label);
std::string labelText(::Control label);
// A drop of the given text/uri-list through the window's real drop handling.
bool dropUriList(::Window window, const std::string &uriList);
std::string fileUri(const std::string &path);
std::vector<std::string> listRows();

// The disk driver's output, read back as stereo frames.
class CapturedOutput {
public:
    size_t framesSoFar() const;
    void readFrom(size_t frame);
    // Longest run of frames quieter than `threshold` within [from, to).
    size_t longestQuietRun(size_t from, size_t to, int threshold) const;
    // First frame at or after `from` louder than `threshold`, or size().
    size_t firstLoud(size_t from, int threshold) const;
    size_t lastLoud(int threshold) const;
    int peak(size_t from, size_t to) const;
    size_t size() const { return left.size(); }

    std::vector<int16_t> left, right;
};

} // namespace playback_test
