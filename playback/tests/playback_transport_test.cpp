// Track start, pause, seek and the automatic advance on real sound: the files
// play through the engine into SDL's disk driver, and what it wrote is read back.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <map>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "playback/tests/playback_test_support.h"

namespace {

using namespace playback_test;

constexpr int QuietThreshold = 64;
// The device writes in blocks; its last buffers reach the file a little later.
constexpr double DrainSeconds = 0.25;

class Transport : public testing::Test {
protected:
    void SetUp() override
    {
        BASS_StreamFree(player.stream);
        player.stream = 0;
        player.paused = 0;
        player.volume = 1.0f;
        player.autoAdvance = 0;
        player.currentIndex = 0;
    }
    void TearDown() override
    {
        BASS_StreamFree(player.stream);
        player.stream = 0;
        player.autoAdvance = 0;
    }

    // Lists the folder with `row` selected, as the scan leaves it.
    void listFolder(int32_t row)
    {
        player.currentPath = folder.slash();
        player.currentIndex = row;
        scanPlaylistFolder();
    }
    int rowOf(const std::string &name)
    {
        const std::vector<std::string> rows = listRows();
        return int(std::find(rows.begin(), rows.end(), name) - rows.begin());
    }
    void startRow(const std::string &name)
    {
        listFolder(-1);
        playlistBoxSelect(rowOf(name));
        startSelectedTrack();
    }
    bool streamActive() { return BASS_ChannelIsActive(player.stream) != BASS_ACTIVE_STOPPED; }
    CapturedOutput captureFrom(size_t mark)
    {
        runPassesFor(DrainSeconds);
        CapturedOutput output;
        output.readFrom(mark);
        return output;
    }

    TempFolder folder;
    CapturedOutput marks;
};

TEST_F(Transport, ATrackStartsAtTheCurrentVolumeWithItsTickerAndHeader)
{
    constexpr double Amplitude = 0.6;
    writeWav(folder / "tone.wav", steadyTone(Amplitude, 0.4));
    writeWav(folder / "other.wav", steadyTone(0.1, 0.1));
    for (const float volume : {1.0f, 0.25f}) {
        SCOPED_TRACE(volume);
        player.volume = volume;
        const size_t mark = marks.framesSoFar();
        startRow("tone.wav");
        player.autoAdvance = 0;
        EXPECT_NE(player.stream, 0u);
        EXPECT_EQ(player.lengthBytes, int64_t(0.4 * OutputRate) * 4);
        const int row = rowOf("tone.wav");
        EXPECT_EQ(player.tickerText, std::to_string(row + 1) + "/2   tone.wav");
        EXPECT_TRUE(lampLit(Control::LabelMp3));
        EXPECT_EQ(player.trackLit, 1);
        EXPECT_EQ(labelText(Control::ListHeader), folder.slash());
        ASSERT_TRUE(runPassesUntil([&] { return !streamActive(); }, 5));
        const CapturedOutput output = captureFrom(mark);
        const size_t first = output.firstLoud(0, QuietThreshold);
        ASSERT_LT(first, output.size());
        const int expected = int(std::lround(Amplitude * volume * FullScale));
        EXPECT_NEAR(output.peak(first, output.size()), expected, 2);
        // The whole track sounds, from its first frame on, at that level.
        EXPECT_NEAR(double(output.lastLoud(QuietThreshold) - first), 0.4 * OutputRate, 0.01 * OutputRate);
    }
}

TEST_F(Transport, TickerTextDependsOnTheId3v1Block)
{
    writeMp3(folder / "tagged.mp3", steadyTone(0.3, 0.2), true);
    writeMp3(folder / "bare.mp3", steadyTone(0.3, 0.2), false);
    startRow("tagged.mp3");
    EXPECT_EQ(player.tickerText, "tagged.mp3");
    startRow("bare.mp3");
    EXPECT_EQ(player.tickerText, std::to_string(rowOf("bare.mp3") + 1) + "/2   bare.mp3");
}

TEST_F(Transport, AFileThatCannotPlayLeavesNoStreamAndKeepsTheTicker)
{
    writeWav(folder / "good.wav", steadyTone(0.3, 2.0));
    ASSERT_EQ(mkdir((folder / "x.mp3").c_str(), 0755), 0);
    writeBytes(folder / "broken.wav", "RIFF\x10\0\0\0WAVEjunkjunkjunk");
    startRow("good.wav");
    const std::string ticker = player.tickerText;
    for (const std::string name : {"x.mp3", "broken.wav"}) {
        SCOPED_TRACE(name);
        startRow(name);
        EXPECT_EQ(player.stream, 0u);
        EXPECT_FALSE(streamActive());
        EXPECT_EQ(player.tickerText, ticker);
        EXPECT_EQ(player.autoAdvance, 1);
        EXPECT_TRUE(lampLit(Control::LabelMp3));
        EXPECT_EQ(labelText(Control::ListHeader), folder.slash());
    }
    listFolder(-1);
    startRow("good.wav");
    playlistBoxSelect(-1);
    startSelectedTrack();
    EXPECT_EQ(player.stream, 0u);
}

TEST_F(Transport, PauseSilencesAndResumesAtTheSamePlace)
{
    constexpr double From = 0.2, To = 0.8, Seconds = 1.0;
    writeWav(folder / "ramp.wav", rampFrames(From, To, Seconds));
    const size_t mark = marks.framesSoFar();
    startRow("ramp.wav");
    runPassesFor(0.3);

    OnPauseClick();
    EXPECT_EQ(player.paused, 1);
    EXPECT_TRUE(lampLit(Control::LabelPause));
    EXPECT_FALSE(lampLit(Control::LabelMp3));
    const HSTREAM pausedStream = player.stream;
    runPassesFor(0.5);
    EXPECT_EQ(BASS_ChannelIsActive(player.stream), DWORD(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(player.stream, pausedStream) << "a paused stream is never advanced";

    OnPauseClick();
    EXPECT_EQ(player.paused, 0);
    EXPECT_FALSE(lampLit(Control::LabelPause));
    EXPECT_TRUE(lampLit(Control::LabelMp3));
    ASSERT_TRUE(runPassesUntil([&] { return !streamActive(); }, 5));
    player.autoAdvance = 0;

    const CapturedOutput output = captureFrom(mark);
    const size_t first = output.firstLoud(0, QuietThreshold);
    const size_t last = output.lastLoud(QuietThreshold);
    const size_t pause = output.longestQuietRun(first, last, QuietThreshold);
    EXPECT_GT(pause, size_t(0.4 * OutputRate));
    // The ramp goes on from where it stopped: every step between neighbours stays small.
    int largestStep = 0;
    size_t previous = first;
    for (size_t frame = first + 1; frame <= last; ++frame) {
        if (std::abs(int(output.left[frame])) <= QuietThreshold)
            continue;
        largestStep = std::max(largestStep, std::abs(output.left[frame] - output.left[previous]));
        previous = frame;
    }
    EXPECT_LT(largestStep, 40);
    EXPECT_NEAR(double(last - first + 1 - pause), Seconds * OutputRate, 0.01 * OutputRate);
}

TEST_F(Transport, ASeekClickLandsOnTheColumnsStep)
{
    constexpr double From = 0.1, To = 0.9, Seconds = 3.0;
    writeWav(folder / "ramp.wav", rampFrames(From, To, Seconds));
    QWidget *progress = controlWidgetOf(Control::ProgressView);
    ASSERT_NE(progress, nullptr);
    const std::optional<PixelRect> panel = windowClientOnScreen(Window::PlaylistWindow);
    ASSERT_TRUE(panel);

    struct Case {
        int windowX;
        int column;
    };
    // Pointer positions in PlaylistWindow; beyond the bar the column is held at its ends.
    const Case cases[] = {{30 + 200, 200}, {30 + 339, 339}, {30, 0}, {-50, 0}, {900, 339}};
    for (const Case &test : cases) {
        SCOPED_TRACE(test.windowX);
        startRow("ramp.wav");
        runPassesFor(0.2);
        const size_t mark = marks.framesSoFar();
        QCursor::setPos(panel->x + test.windowX, panel->y + 69);
        QTest::mouseClick(progress, Qt::LeftButton, {}, QPoint(5, 1));
        handleQueuedInput();
        runPassesFor(0.3);
        const CapturedOutput output = captureFrom(mark);
        BASS_StreamFree(player.stream);
        player.stream = 0;
        player.autoAdvance = 0;

        // The bar's 340 columns each stand for a whole number of bytes of the stream.
        const int64_t lengthBytes = int64_t(Seconds * OutputRate) * 4;
        const int64_t targetFrame = test.column * (lengthBytes / 340) / 4;
        const int16_t expected = rampValueAt(From, To, Seconds, targetFrame);
        // The ramp rises by less than one step per frame; the seek is its one jump while sounding.
        size_t jump = 0;
        int largest = 0;
        for (size_t frame = 1; frame < output.size(); ++frame) {
            if (std::abs(int(output.left[frame])) <= QuietThreshold ||
                std::abs(int(output.left[frame - 1])) <= QuietThreshold)
                continue;
            const int step = std::abs(output.left[frame] - output.left[frame - 1]);
            if (step > largest) {
                largest = step;
                jump = frame;
            }
        }
        ASSERT_GT(largest, 100);
        EXPECT_NEAR(output.left[jump], expected, 3);
    }
}

// A 16-bit stereo WAV header for `dataBytes` of sample data.
std::string wavHeader(uint32_t dataBytes)
{
    std::string header;
    auto add32 = [&](uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            header.push_back(char((value >> shift) & 0xFF));
    };
    auto add16 = [&](uint16_t value) {
        header.push_back(char(value & 0xFF));
        header.push_back(char(value >> 8));
    };
    header += "RIFF";
    add32(36 + dataBytes);
    header += "WAVEfmt ";
    add32(16);
    add16(1);
    add16(2);
    add32(OutputRate);
    add32(OutputRate * 4);
    add16(4);
    add16(16);
    header += "data";
    add32(dataBytes);
    return header;
}

TEST_F(Transport, ASeekBeyondTwoGibibytesOfSoundLandsThere)
{
    // Silence that takes no disk space: the file's data is one sparse hole.
    constexpr uint32_t DataBytes = 3'000'000'000u;
    const std::string path = folder / "long.wav";
    writeBytes(path, wavHeader(DataBytes));
    fs::resize_file(path, 44 + uint64_t(DataBytes));
    startRow("long.wav");
    ASSERT_NE(player.stream, 0u);
    ASSERT_EQ(player.lengthBytes, int64_t(DataBytes));

    const std::optional<PixelRect> panel = windowClientOnScreen(Window::PlaylistWindow);
    ASSERT_TRUE(panel);
    constexpr int Column = 300;
    QCursor::setPos(panel->x + 30 + Column, panel->y + 69);
    QTest::mouseClick(controlWidgetOf(Control::ProgressView), Qt::LeftButton, {}, QPoint(5, 1));
    handleQueuedInput();
    runPassesFor(0.2);
    const int64_t target = Column * (int64_t(DataBytes) / 340);
    ASSERT_GT(target, int64_t(INT32_MAX));
    const auto heard = int64_t(BASS_ChannelGetPosition(player.stream, BASS_POS_BYTE));
    EXPECT_GE(heard, target);
    EXPECT_LT(heard, target + OutputRate * 4);
}

struct Track {
    std::string name;
    double amplitude; // 0: a file that cannot play
};

TEST_F(Transport, AutoAdvancePlaysTheRowsInOrderSkippingWhatCannotPlay)
{
    const std::vector<Track> tracks = {
        {"a.wav", 0.15}, {"b.wav", 0.3}, {"c.wav", 0.0}, {"d.mp3", 0.0}, {"e.wav", 0.45}, {"f.wav", 0.6}};
    std::map<std::string, double> amplitudeOf;
    for (const Track &track : tracks) {
        amplitudeOf[track.name] = track.amplitude;
        if (track.amplitude > 0)
            writeWav(folder / track.name, steadyTone(track.amplitude, 0.25));
        else
            writeBytes(folder / track.name, "corrupt: no sound in here");
    }
    listFolder(0);
    std::vector<int> expectedLevels;
    for (const std::string &row : listRows())
        if (amplitudeOf[row] > 0)
            expectedLevels.push_back(int(std::lround(amplitudeOf[row] * FullScale)));

    const size_t mark = marks.framesSoFar();
    startSelectedTrack();
    ASSERT_TRUE(runPassesUntil([&] { return player.currentIndex == player.trackCount && !streamActive(); }, 10));
    runPassesFor(0.3);
    EXPECT_EQ(playlistBoxSelectedRow(), player.trackCount - 1) << "the list does not wrap around";
    EXPECT_EQ(player.autoAdvance, 1);
    const CapturedOutput output = captureFrom(mark);

    // Each stretch of sound, in order, is one track at its own level.
    std::vector<int> heardLevels;
    size_t frame = output.firstLoud(0, QuietThreshold);
    while (frame < output.size()) {
        const int level = std::abs(output.left[frame]);
        size_t end = frame;
        while (end < output.size() && std::abs(std::abs(output.left[end]) - level) <= 2)
            ++end;
        if (end - frame > size_t(0.1 * OutputRate))
            heardLevels.push_back(level);
        frame = output.firstLoud(end, QuietThreshold);
    }
    EXPECT_EQ(heardLevels, expectedLevels);
    const size_t lastSound = output.lastLoud(QuietThreshold);
    EXPECT_GT(output.size() - lastSound, size_t(0.25 * OutputRate)) << "nothing plays after the last row";
}

TEST_F(Transport, NothingAdvancesBeforeATrackWasStarted)
{
    writeWav(folder / "a.wav", steadyTone(0.3, 0.1));
    writeWav(folder / "b.wav", steadyTone(0.3, 0.1));
    listFolder(0);
    runPassesFor(0.3);
    EXPECT_EQ(player.stream, 0u);
    EXPECT_EQ(playlistBoxSelectedRow(), 0);
}

} // namespace
