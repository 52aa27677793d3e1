// The output device closes when nothing has played for a while and reopens
// when a stream is played; streams carry on across it as if it had stayed open.
#include "fixtures.h"

#include "../src/engine_stats.h"

using namespace fixtures;

namespace {

constexpr double shortGraceSeconds = 0.1;
constexpr double closeTimeoutSeconds = 10.0;

class OutputIdle : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        engine::setOutputIdleGrace(shortGraceSeconds);
    }

    static bool waitForClosed()
    {
        return waitFor([] { return !engine::outputDeviceOpen(); }, closeTimeoutSeconds);
    }

    HSTREAM openTone(const std::string &name, double seconds)
    {
        const fs::path path = folder / name;
        writeWav(path, Tone{440, seconds});
        return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    }

    TempFolder folder;
};

TEST_F(OutputIdle, ClosesWhenNothingPlaysAndReopensOnPlay)
{
    const HSTREAM stream = openTone("a.wav", 0.4);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(waitForClosed());
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    EXPECT_TRUE(engine::outputDeviceOpen());
    ASSERT_TRUE(playToEnd(stream, 10));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    engine::StreamStats stats;
    ASSERT_TRUE(engine::streamStats(stream, &stats));
    EXPECT_TRUE(stats.drained);
    EXPECT_TRUE(waitForClosed());
    BASS_StreamFree(stream);
}

TEST_F(OutputIdle, StaysOpenWhilePlayingEvenPastTheGrace)
{
    const HSTREAM stream = openTone("long.wav", 1.0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    bool alwaysOpen = true;
    ASSERT_TRUE(waitFor(
        [&] {
            const bool active = BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED;
            alwaysOpen = alwaysOpen && (!active || engine::outputDeviceOpen());
            return !active;
        },
        10));
    EXPECT_TRUE(alwaysOpen);
    BASS_StreamFree(stream);
}

TEST_F(OutputIdle, PausedStreamKeepsItsPositionAcrossTheClosingAndResumes)
{
    const HSTREAM stream = openTone("paused.wav", 1.0);
    ASSERT_NE(stream, 0u);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > length / 5; }, 10));
    ASSERT_TRUE(BASS_ChannelPause(stream));
    ASSERT_TRUE(waitForClosed());
    const QWORD paused = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_GT(paused, 0u);
    EXPECT_LT(paused, length);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    EXPECT_GE(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), paused);
    ASSERT_TRUE(playToEnd(stream, 10));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length);
    BASS_StreamFree(stream);
}

} // namespace
