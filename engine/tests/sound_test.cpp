// Real sound: streams play through SDL's disk driver and the written output is
// read back and measured (frequency, level, length, silence, stereo, volume).
#include "fixtures.h"

using namespace fixtures;

namespace {

constexpr int outputRate = 44100;
constexpr int fullScale = 32767;
constexpr double lengthToleranceSeconds = 0.03;

class Sound : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        outputFile() = fs::temp_directory_path() / ("engine-sound-" + std::to_string(getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputFile().c_str(), 1);
        ASSERT_TRUE(BASS_Init(-1, outputRate, 0, nullptr, nullptr));
    }
    static void TearDownTestSuite() { fs::remove(outputFile()); }
    static fs::path &outputFile()
    {
        static fs::path path;
        return path;
    }

    HSTREAM open(const fs::path &path) { return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0); }

    // Plays the stream to its end, calling `during` every 5 ms, and captures what was written.
    CapturedOutput playAndCapture(HSTREAM stream, const std::function<void(double)> &during = {})
    {
        CapturedOutput output(outputFile());
        const size_t mark = output.framesSoFar();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(BASS_ChannelPlay(stream, 0));
        EXPECT_TRUE(waitFor(
            [&] {
                if (during)
                    during(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED;
            },
            20));
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // the driver writes its last buffers
        output.read(mark);
        return output;
    }

    TempFolder folder;
};

// Longest run of near-silent frames strictly inside the sounding range.
size_t longestGap(const CapturedOutput &output, size_t first, size_t last)
{
    size_t longest = 0, run = 0;
    for (size_t i = first; i <= last; ++i) {
        const bool quiet = std::abs(int(output.left.samples[i])) <= 64 && std::abs(int(output.right.samples[i])) <= 64;
        run = quiet ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST_F(Sound, ToneComesOutWithItsFrequencyLevelAndLength)
{
    struct Case {
        const char *name;
        Tone tone;
    };
    const Case cases[] = {
        {"a440.wav", Tone{440, 1.0, 44100, 2, 0.5, 0.5}},
        {"a1000.mp3", Tone{1000, 1.0, 44100, 2, 0.5, 0.5}},
        {"mono-resampled.wav", Tone{660, 1.0, 22050, 1, 0.25, 0.25}},
        {"rate48k.mp3", Tone{880, 1.0, 48000, 2, 0.4, 0.4}},
        {"rate48k.wav", Tone{880, 1.0, 48000, 2, 0.4, 0.4}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        const fs::path path = folder / test.name;
        std::string(test.name).ends_with(".mp3") ? writeMp3(path, test.tone) : writeWav(path, test.tone);
        const HSTREAM stream = open(path);
        ASSERT_NE(stream, 0u);
        DWORD loudestLevel = 0;
        const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
            if (seconds > 0.2 && seconds < 0.8)
                loudestLevel = std::max(loudestLevel, BASS_ChannelGetLevel(stream));
        });
        const auto [first, last] = output.soundingRange();
        ASSERT_LT(first, last);
        EXPECT_NEAR(double(last - first + 1) / outputRate, test.tone.seconds, lengthToleranceSeconds);
        EXPECT_LT(longestGap(output, first, last), 8u) << "a dropout while the level was being read";
        const Channel left = output.slice(output.left, first, last);
        EXPECT_NEAR(left.frequencyByCrossings(), test.tone.frequency, test.tone.frequency * 0.01);
        EXPECT_GT(left.energyShareAt(test.tone.frequency), 0.9);
        const double expectedPeak = test.tone.leftAmplitude * fullScale;
        EXPECT_NEAR(left.peak(), expectedPeak, expectedPeak * 0.06);
        EXPECT_NEAR(double(loudestLevel >> 16), expectedPeak, expectedPeak * 0.06);
        EXPECT_EQ(loudestLevel >> 16, loudestLevel & 0xFFFF) << "mono and balanced stereo read the same";
        EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
        BASS_StreamFree(stream);
    }
}

TEST_F(Sound, StereoChannelsKeepTheirOwnLevels)
{
    writeWav(folder / "sweep.wav", Tone{500, 0.8, 44100, 2, 0.8, 0.2});
    const HSTREAM stream = open(folder / "sweep.wav");
    DWORD level = 0;
    const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
        if (seconds > 0.3 && seconds < 0.5)
            level = BASS_ChannelGetLevel(stream);
    });
    EXPECT_NEAR(output.left.peak(), 0.8 * fullScale, 0.8 * fullScale * 0.05);
    EXPECT_NEAR(output.right.peak(), 0.2 * fullScale, 0.2 * fullScale * 0.05);
    EXPECT_NEAR(double(level >> 16), 0.8 * 32768, 0.8 * 32768 * 0.06);
    EXPECT_NEAR(double(level & 0xFFFF), 0.2 * 32768, 0.2 * 32768 * 0.06);
}

TEST_F(Sound, PauseIsSilentAndResumeGoesOnWhereItStopped)
{
    const Tone tone{440, 1.2};
    writeWav(folder / "tone.wav", tone);
    const HSTREAM stream = open(folder / "tone.wav");
    double pausedAt = -1, resumedAt = -1;
    const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
        if (pausedAt < 0 && seconds > 0.4 && BASS_ChannelPause(stream)) {
            pausedAt = seconds;
            EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
        } else if (pausedAt >= 0 && resumedAt < 0 && seconds > 1.0 && BASS_ChannelPlay(stream, 0)) {
            resumedAt = seconds;
        }
    });
    ASSERT_GE(resumedAt, 0);
    const auto [first, last] = output.soundingRange();
    const size_t gap = longestGap(output, first, last);
    EXPECT_NEAR(double(gap) / outputRate, resumedAt - pausedAt, 0.1);
    EXPECT_NEAR(double(last - first + 1 - gap) / outputRate, tone.seconds, lengthToleranceSeconds);
}

TEST_F(Sound, StopEndsTheSoundAndKeepsTheStream)
{
    writeWav(folder / "tone.wav", Tone{440, 1.5});
    const HSTREAM stream = open(folder / "tone.wav");
    double stoppedAt = -1;
    const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
        if (stoppedAt < 0 && seconds > 0.4 && BASS_ChannelStop(stream))
            stoppedAt = seconds;
    });
    ASSERT_GE(stoppedAt, 0);
    const auto [first, last] = output.soundingRange();
    EXPECT_NEAR(double(last - first + 1) / outputRate, stoppedAt, 0.1);
    const double position = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    EXPECT_NEAR(position, double(last - first + 1) / outputRate, 0.05);
    EXPECT_NE(BASS_ChannelGetLength(stream, BASS_POS_BYTE), ~QWORD(0));
}

TEST_F(Sound, VolumeScalesTheOutputAndChangesWithoutClicks)
{
    const Tone tone{440, 1.0, 44100, 2, 0.8, 0.8};
    writeWav(folder / "tone.wav", tone);
    struct Case {
        float volume;
        double expectedShare;
    };
    for (const Case &test : {Case{0.25f, 0.25}, Case{3.0f, 1.0}, Case{-1.0f, 0.0}}) {
        SCOPED_TRACE(test.volume);
        const HSTREAM stream = open(folder / "tone.wav");
        ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, test.volume));
        const CapturedOutput output = playAndCapture(stream);
        EXPECT_NEAR(output.left.peak(), test.expectedShare * tone.leftAmplitude * fullScale, 0.03 * fullScale);
        BASS_StreamFree(stream);
    }
    // Volume jumps from full to zero and back while playing: the wave has no step in it.
    const HSTREAM stream = open(folder / "tone.wav");
    int step = 0;
    const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
        if (step == 0 && seconds > 0.3)
            step += BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.0f);
        else if (step == 1 && seconds > 0.6)
            step += BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 1.0f);
    });
    ASSERT_EQ(step, 2);
    int largestStep = 0;
    for (size_t i = 1; i < output.left.samples.size(); ++i)
        largestStep = std::max(largestStep, std::abs(output.left.samples[i] - output.left.samples[i - 1]));
    const double sineStep = tone.leftAmplitude * fullScale * 2 * std::numbers::pi * tone.frequency / outputRate;
    EXPECT_LT(largestStep, sineStep * 1.2);
    EXPECT_GT(longestGap(output, output.soundingRange().first, output.soundingRange().second), outputRate / 10);
}

TEST_F(Sound, TwoStreamsAreMixed)
{
    writeWav(folder / "low.wav", Tone{440, 0.8, 44100, 2, 0.3, 0.3});
    writeMp3(folder / "high.mp3", Tone{1000, 0.8, 44100, 2, 0.3, 0.3});
    const HSTREAM low = open(folder / "low.wav");
    const HSTREAM high = open(folder / "high.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(high, 0));
    const CapturedOutput output = playAndCapture(low);
    const auto [first, last] = output.soundingRange();
    const Channel left = output.slice(output.left, first + 4410, last - 4410);
    EXPECT_GT(left.energyShareAt(440), 0.3);
    EXPECT_GT(left.energyShareAt(1000), 0.3);
}

TEST_F(Sound, SeekingLandsOnTheRightSound)
{
    auto samples = toneSamples(Tone{440, 0.5});
    const auto second = toneSamples(Tone{1000, 0.5});
    samples.insert(samples.end(), second.begin(), second.end());
    writeSamples(folder / "two-halves.wav", samples, 44100, 2);
    encodeMp3(folder / "two-halves.wav", folder / "two-halves.mp3");
    for (const char *name : {"two-halves.wav", "two-halves.mp3"}) {
        SCOPED_TRACE(name);
        const HSTREAM stream = open(folder / name);
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, 44100 / 2 * 4, BASS_POS_BYTE));
        const CapturedOutput output = playAndCapture(stream);
        const auto [first, last] = output.soundingRange();
        EXPECT_NEAR(double(last - first + 1) / outputRate, 0.5, lengthToleranceSeconds);
        const Channel heard = output.slice(output.left, first, last);
        EXPECT_GT(heard.energyShareAt(1000), 0.9);
        EXPECT_LT(heard.energyShareAt(440), 0.05);
    }
}

} // namespace
