// MIDI through the engine's calls: a stream is created from a file without a
// MIDI name, played through SDL's disk driver, and the written output is measured.
#include "fixtures.h"
#include "midi_fixture.h"

namespace {

using fixtures::CapturedOutput;
using namespace engine::midi_fixture;

constexpr int kOutputRate = 44100;
constexpr uint32_t kTicksPerSecond = 960; // 480 per quarter at 120 bpm
constexpr double kReleaseSeconds = 1.0;
constexpr int kSoundPeak = 1000;
constexpr int kSilencePeak = 16;

// A piano note for half a second, a rest of two and a half, a second note of half a second.
Bytes noteRestNote()
{
    Track track;
    track.event(0, {0xC0, 0})
        .event(0, {0x90, 60, 110})
        .event(kTicksPerSecond / 2, {0x80, 60, 0})
        .event(5 * kTicksPerSecond / 2, {0x90, 67, 110})
        .event(kTicksPerSecond / 2, {0x80, 67, 0})
        .end(0);
    return midiFile(0, 480, {track});
}
constexpr double kSongSeconds = 3.5;
constexpr double kSecondNoteSeconds = 3.0;

int peakBetween(const CapturedOutput &output, size_t from, size_t to)
{
    to = std::min(to, output.left.samples.size());
    int peak = 0;
    for (size_t i = from; i < to; ++i)
        peak = std::max({peak, std::abs(int(output.left.samples[i])), std::abs(int(output.right.samples[i]))});
    return peak;
}

size_t frameAt(double seconds) { return static_cast<size_t>(seconds * kOutputRate); }

class MidiSound : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        outputFile() = fixtures::fs::temp_directory_path() / ("engine-midi-" + std::to_string(getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputFile().c_str(), 1);
        ASSERT_TRUE(BASS_Init(-1, kOutputRate, 0, nullptr, nullptr));
    }
    static void TearDownTestSuite() { fixtures::fs::remove(outputFile()); }
    static fixtures::fs::path &outputFile()
    {
        static fixtures::fs::path path;
        return path;
    }

    CapturedOutput playAndCapture(HSTREAM stream, const std::function<void(double)> &during = {})
    {
        CapturedOutput output(outputFile());
        const size_t mark = output.framesSoFar();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(BASS_ChannelPlay(stream, 0));
        EXPECT_TRUE(fixtures::waitFor(
            [&] {
                if (during)
                    during(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED;
            },
            30));
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // the driver writes its last buffers
        output.read(mark);
        return output;
    }

    TempFolder folder;
};

TEST_F(MidiSound, StreamHasTheSongsLengthAndPlaysNotesAndRests)
{
    // No ".mid" in the name: the format is found from the content.
    const std::string path = folder.write("song.bin", noteRestNote());
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    EXPECT_EQ(length, QWORD(frameAt(kSongSeconds + kReleaseSeconds)) * 4);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, length), kSongSeconds + kReleaseSeconds);

    DWORD levelDuringFirstNote = 0;
    const CapturedOutput output = playAndCapture(stream, [&](double seconds) {
        if (seconds > 0.1 && seconds < 0.4)
            levelDuringFirstNote = std::max(levelDuringFirstNote, BASS_ChannelGetLevel(stream));
    });
    const size_t first = output.soundingRange().first;
    ASSERT_LT(first, output.left.samples.size());
    EXPECT_GT(peakBetween(output, first, first + frameAt(0.45)), kSoundPeak);
    EXPECT_LE(peakBetween(output, first + frameAt(1.9), first + frameAt(kSecondNoteSeconds - 0.05)), kSilencePeak);
    EXPECT_GT(peakBetween(output, first + frameAt(kSecondNoteSeconds + 0.05), first + frameAt(kSongSeconds)), kSoundPeak);
    EXPECT_GT(levelDuringFirstNote >> 16, DWORD(kSoundPeak));
    EXPECT_GT(levelDuringFirstNote & 0xFFFF, DWORD(kSoundPeak));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length);
    BASS_StreamFree(stream);
}

TEST_F(MidiSound, SeekingIntoTheRestStartsSilentAndReachesTheSecondNote)
{
    const std::string path = folder.write("song.mid", noteRestNote());
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, length, BASS_POS_BYTE));
    constexpr double kTarget = 2.0;
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, QWORD(frameAt(kTarget)) * 4, BASS_POS_BYTE));
    const CapturedOutput output = playAndCapture(stream);
    const auto [first, last] = output.soundingRange(kSilencePeak);
    ASSERT_LT(first, last);
    // The only sound left is the second note, one second after the target.
    const double heardSeconds = double(last - first + 1) / kOutputRate;
    EXPECT_GT(heardSeconds, kSongSeconds - kSecondNoteSeconds);
    EXPECT_LT(heardSeconds, kSongSeconds + kReleaseSeconds - kSecondNoteSeconds);
    BASS_StreamFree(stream);
}

TEST_F(MidiSound, UnplayableMidiFilesGiveNoStream)
{
    const std::string zeroTracks = folder.write("zero.mid", header(0, 0, 96));
    const std::string noNotes = folder.write("silent.mid", midiFile(0, 96, {Track{}.event(0, {0xC0, 1}).end(96)}));
    Track huge;
    huge.event(0, {0x90, 60, 100}).end(0x0FFFFFFF);
    const std::string tooLong = folder.write("long.mid", midiFile(0, 96, {huge}));
    for (const std::string &path : {zeroTracks, noNotes, tooLong})
        EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0), 0u) << path;
}

} // namespace
