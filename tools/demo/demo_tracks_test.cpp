// The demo tracks read back: WAV through libsndfile, MIDI through the engine's
// own MIDI reader and decoder.
#include "../../engine/src/decoder_midi.h"
#include "../../engine/src/midi_file.h"
#include "demo_tracks.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <tuple>

namespace demo {
namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "demo_tracks_test.XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const char *name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct ReadBack {
    SF_INFO info{};
    std::vector<short> samples;
};

ReadBack readWav(const std::string &path)
{
    ReadBack back;
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &back.info);
    if (!file)
        return back;
    back.samples.resize(static_cast<size_t>(back.info.frames * back.info.channels));
    sf_read_short(file, back.samples.data(), static_cast<sf_count_t>(back.samples.size()));
    sf_close(file);
    return back;
}

double channelRms(const ReadBack &back, int channel)
{
    double sum = 0;
    for (size_t i = static_cast<size_t>(channel); i < back.samples.size(); i += static_cast<size_t>(back.info.channels))
        sum += double(back.samples[i]) * back.samples[i];
    return std::sqrt(sum / double(back.info.frames));
}

TEST(DemoTracks, ToneIsA440HzSineAtHalfScale)
{
    TempFolder folder;
    ASSERT_TRUE(writeWav(folder.file("tone.wav"), sineTone(440.0, 3.0, 0.5, 44100, 1)));
    const ReadBack back = readWav(folder.file("tone.wav"));
    ASSERT_EQ(back.info.channels, 1);
    EXPECT_EQ(back.info.samplerate, 44100);
    EXPECT_EQ(back.info.frames, 3 * 44100);
    int upwardCrossings = 0;
    for (size_t i = 1; i < back.samples.size(); ++i)
        upwardCrossings += back.samples[i - 1] < 0 && back.samples[i] >= 0;
    EXPECT_NEAR(upwardCrossings, 3 * 440, 2);
    const short peak = *std::max_element(back.samples.begin(), back.samples.end());
    EXPECT_NEAR(peak, 16384, 2);
}

TEST(DemoTracks, SweepIsLoudLeftAndQuietRight)
{
    TempFolder folder;
    ASSERT_TRUE(writeWav(folder.file("sweep.wav"), stereoSweep(100.0, 8000.0, 5.0, 0.8, 0.1, 48000)));
    const ReadBack back = readWav(folder.file("sweep.wav"));
    ASSERT_EQ(back.info.channels, 2);
    EXPECT_EQ(back.info.samplerate, 48000);
    EXPECT_NEAR(channelRms(back, 0) / channelRms(back, 1), 8.0, 0.05);
    EXPECT_NEAR(channelRms(back, 0), 0.8 * 32767 / std::sqrt(2.0), 400);
}

TEST(DemoTracks, ArpeggioPieceIsNormalisedNeverPausesAndRepeatsExactly)
{
    const Pcm piece = arpeggioPiece(15.0, 44100);
    ASSERT_EQ(piece.frames(), 15u * 44100);
    float peak = 0;
    for (float sample : piece.samples)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_NEAR(peak, 0.89f, 0.001f);
    for (size_t second = 0; second < 14; ++second) {
        float secondPeak = 0;
        for (size_t i = second * 44100 * 2; i < (second + 1) * 44100 * 2; ++i)
            secondPeak = std::max(secondPeak, std::fabs(piece.samples[i]));
        EXPECT_GT(secondPeak, 0.1f) << "second " << second;
    }
    EXPECT_TRUE(arpeggioPiece(15.0, 44100).samples == piece.samples);
}

// The songs' notes as the engine's reader places them: (frame, channel, key) of each note-on.
using NoteOn = std::tuple<uint64_t, int, int>;

std::vector<NoteOn> parsedNoteOns(const std::vector<uint8_t> &bytes)
{
    engine::MidiSong parsed;
    EXPECT_EQ(engine::parseMidiFile(bytes.data(), bytes.size(), &parsed), engine::MidiParseResult::Ok);
    std::vector<NoteOn> notes;
    for (const engine::MidiEvent &event : parsed.events)
        if ((event.status & 0xF0) == 0x90 && event.data2 > 0)
            notes.emplace_back(event.frame, event.status & 0x0F, event.data1);
    std::sort(notes.begin(), notes.end());
    return notes;
}

TEST(DemoTracks, MelodyReadsBackNoteForNote)
{
    const MidiSong song = melodySong();
    ASSERT_EQ(song.tempos.size(), 1u);
    // One tempo throughout: a tick lasts microsPerQuarter / ticksPerQuarter microseconds.
    std::vector<NoteOn> expected;
    for (const MidiNote &note : song.notes) {
        const uint64_t micros = uint64_t{note.startTick} * song.tempos[0].microsPerQuarter / song.ticksPerQuarter;
        expected.emplace_back(micros * 44100 / 1000000, note.channel, note.key);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(parsedNoteOns(encodeMidi(song)), expected);
}

TEST(DemoTracks, ChordProgressionSlowsDownAtItsEnd)
{
    const std::vector<NoteOn> notes = parsedNoteOns(encodeMidi(chordProgressionSong()));
    ASSERT_FALSE(notes.empty());
    // Bars of four quarters: four at 90 bpm, then one at 72, then the last chord.
    const uint64_t lastChord = std::get<0>(notes.back());
    EXPECT_NEAR(double(lastChord) / 44100, 4 * 4 * 60.0 / 90 + 4 * 60.0 / 72, 0.001);
}

TEST(DemoTracks, MidiSongsRenderThroughTheEngine)
{
    TempFolder folder;
    for (const MidiSong &song : {melodySong(), chordProgressionSong()}) {
        ASSERT_TRUE(writeMidi(folder.file("song.mid"), song));
        engine::DecoderInfo info;
        engine::Decoder *decoder = engine::midiDecoder.open(folder.file("song.mid").c_str(), &info);
        ASSERT_NE(decoder, nullptr);
        std::vector<int16_t> chunk(2 * 4096);
        int peak = 0;
        uint64_t frames = 0;
        for (long got; (got = engine::midiDecoder.read(decoder, chunk.data(), 4096)) > 0; frames += uint64_t(got))
            for (long i = 0; i < got * 2; ++i)
                peak = std::max(peak, std::abs(int{chunk[size_t(i)]}));
        engine::midiDecoder.close(decoder);
        EXPECT_EQ(frames, info.totalFrames);
        EXPECT_GT(peak, 4000);
    }
}

} // namespace
} // namespace demo
