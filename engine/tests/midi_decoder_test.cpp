// The MIDI decoder's operations on small files built here, rendered for real
// with the system's General MIDI soundfont.
#include "../src/decoder_midi.h"
#include "midi_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace engine {
namespace {

using namespace midi_fixture;
constexpr uint64_t kRate = kMidiSampleRate;
// 480 ticks per quarter at the default 120 bpm: 960 ticks are one second.
constexpr uint32_t kTicksPerSecond = 960;
// Peak of a rest: the synth's dither leaves at most a few steps of noise.
constexpr int kSilencePeak = 8;
constexpr int kSoundPeak = 1000;

struct DecoderCloser {
    void operator()(Decoder *decoder) const { midiDecoder.close(decoder); }
};
using DecoderPtr = std::unique_ptr<Decoder, DecoderCloser>;

struct OpenedMidi {
    DecoderPtr decoder;
    DecoderInfo info;
};

OpenedMidi openMidi(const std::string &path)
{
    OpenedMidi opened;
    opened.decoder.reset(midiDecoder.open(path.c_str(), &opened.info));
    return opened;
}

std::vector<int16_t> readAll(Decoder *decoder, long chunkFrames)
{
    std::vector<int16_t> pcm;
    std::vector<int16_t> chunk(static_cast<size_t>(chunkFrames) * 2);
    for (;;) {
        const long got = midiDecoder.read(decoder, chunk.data(), chunkFrames);
        if (got <= 0)
            return pcm;
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + got * 2);
    }
}

// Peak of both channels between two times, in seconds.
int peakBetween(const std::vector<int16_t> &pcm, double fromSeconds, double toSeconds)
{
    const size_t from = static_cast<size_t>(fromSeconds * kRate) * 2;
    const size_t to = std::min(pcm.size(), static_cast<size_t>(toSeconds * kRate) * 2);
    int peak = 0;
    for (size_t i = from; i < to; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
    return peak;
}

double rmsBetween(const std::vector<int16_t> &pcm, double fromSeconds, double toSeconds)
{
    const size_t from = static_cast<size_t>(fromSeconds * kRate) * 2;
    const size_t to = std::min(pcm.size(), static_cast<size_t>(toSeconds * kRate) * 2);
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(pcm[i]) * pcm[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// A piano note for the first second, a rest, a second note from 3 s to 4 s.
Bytes noteRestNote()
{
    Track track;
    track.event(0, {0xC0, 0})
        .event(0, {0x90, 60, 110})
        .event(kTicksPerSecond, {0x80, 60, 0})
        .event(2 * kTicksPerSecond, {0x90, 67, 110})
        .event(kTicksPerSecond, {0x80, 67, 0})
        .end(0);
    return midiFile(0, 480, {track});
}

class MidiDecoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(findSoundfont(kSoundfontFolder).empty()) << "the set-up script installs a GM soundfont";
    }
    TempFolder folder;
};

TEST_F(MidiDecoder, ProbeGoesByContent)
{
    const Bytes song = noteRestNote();
    EXPECT_TRUE(midiDecoder.probe(song.data(), song.size()));
    const unsigned char riff[] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_FALSE(midiDecoder.probe(riff, sizeof riff));
    EXPECT_FALSE(midiDecoder.probe(song.data(), 3));
}

TEST_F(MidiDecoder, LengthIsLastEventPlusReleaseAndReadsGiveExactlyThat)
{
    OpenedMidi midi = openMidi(folder.write("song.mid", noteRestNote()));
    ASSERT_TRUE(midi.decoder);
    EXPECT_EQ(midi.info.sampleRate, kMidiSampleRate);
    EXPECT_EQ(midi.info.channels, 2);
    EXPECT_EQ(midi.info.totalFrames, 4 * kRate + kMidiReleaseFrames);

    const std::vector<int16_t> pcm = readAll(midi.decoder.get(), 1000);
    EXPECT_EQ(pcm.size(), midi.info.totalFrames * 2);
    int16_t spare[2];
    EXPECT_EQ(midiDecoder.read(midi.decoder.get(), spare, 1), 0);
}

TEST_F(MidiDecoder, NotesSoundAndRestsAreSilent)
{
    OpenedMidi midi = openMidi(folder.write("song.mid", noteRestNote()));
    ASSERT_TRUE(midi.decoder);
    const std::vector<int16_t> pcm = readAll(midi.decoder.get(), 4096);

    EXPECT_GT(peakBetween(pcm, 0.05, 0.9), kSoundPeak);
    EXPECT_LE(peakBetween(pcm, 2.4, 2.99), kSilencePeak);
    EXPECT_GT(peakBetween(pcm, 3.05, 3.9), kSoundPeak);
    EXPECT_LE(peakBetween(pcm, 4.0 + 0.8, 5.0), kSilencePeak);
}

TEST_F(MidiDecoder, ChunkSizeDoesNotChangeTheSound)
{
    const std::string path = folder.write("song.mid", noteRestNote());
    OpenedMidi reference = openMidi(path);
    ASSERT_TRUE(reference.decoder);
    const std::vector<int16_t> expected = readAll(reference.decoder.get(), 8192);
    for (long chunk : {1L, 63L, 64L, 65L, 1000L}) {
        OpenedMidi midi = openMidi(path);
        ASSERT_TRUE(midi.decoder);
        EXPECT_TRUE(readAll(midi.decoder.get(), chunk) == expected) << "chunks of " << chunk;
    }
}

TEST_F(MidiDecoder, SeekRestoresProgramsAndControllersWithoutOldNotes)
{
    // A soft organ (volume 60) is set up at the start; a loud note sounds while
    // the seek target is passed; the next note must sound just as in straight play.
    Track track;
    track.event(0, {0xC0, 19})
        .event(0, {0xB0, 7, 60})
        .event(0, {0x90, 48, 127})
        .event(3 * kTicksPerSecond, {0x80, 48, 0})
        .event(kTicksPerSecond, {0x90, 72, 100})
        .event(kTicksPerSecond, {0x80, 72, 0})
        .end(0);
    const std::string path = folder.write("seek.mid", midiFile(0, 480, {track}));
    OpenedMidi straight = openMidi(path);
    OpenedMidi sought = openMidi(path);
    ASSERT_TRUE(straight.decoder && sought.decoder);
    const std::vector<int16_t> straightPcm = readAll(straight.decoder.get(), 4096);

    // Seek from inside the held note, as a listener would.
    std::vector<int16_t> played(kRate * 2);
    ASSERT_EQ(midiDecoder.read(sought.decoder.get(), played.data(), static_cast<long>(kRate)), static_cast<long>(kRate));
    const uint64_t target = 2 * kRate + 77;
    ASSERT_TRUE(midiDecoder.seek(sought.decoder.get(), target));
    std::vector<int16_t> soughtPcm(target * 2, 0);
    const std::vector<int16_t> rest = readAll(sought.decoder.get(), 4096);
    soughtPcm.insert(soughtPcm.end(), rest.begin(), rest.end());
    ASSERT_EQ(soughtPcm.size(), straightPcm.size());

    // The held note is not replayed: silence until the next note.
    EXPECT_GT(peakBetween(straightPcm, 2.0, 2.9), kSoundPeak);
    EXPECT_LE(peakBetween(soughtPcm, 2.1, 2.99), kSilencePeak);
    // The next note keeps the soft organ: same loudness as straight play.
    const double straightRms = rmsBetween(straightPcm, 4.05, 4.9);
    const double soughtRms = rmsBetween(soughtPcm, 4.05, 4.9);
    ASSERT_GT(straightRms, 50);
    EXPECT_NEAR(soughtRms / straightRms, 1.0, 0.1);
}

TEST_F(MidiDecoder, SeekBoundsAndSeekToTheLastFrame)
{
    OpenedMidi midi = openMidi(folder.write("song.mid", noteRestNote()));
    ASSERT_TRUE(midi.decoder);
    const uint64_t total = midi.info.totalFrames;
    EXPECT_FALSE(midiDecoder.seek(midi.decoder.get(), total));
    EXPECT_FALSE(midiDecoder.seek(midi.decoder.get(), UINT64_MAX));
    ASSERT_TRUE(midiDecoder.seek(midi.decoder.get(), total - 1));
    int16_t frames[2 * 16];
    EXPECT_EQ(midiDecoder.read(midi.decoder.get(), frames, 16), 1);
    EXPECT_EQ(midiDecoder.read(midi.decoder.get(), frames, 16), 0);
    ASSERT_TRUE(midiDecoder.seek(midi.decoder.get(), 0));
    EXPECT_EQ(readAll(midi.decoder.get(), 777).size(), total * 2);
}

TEST_F(MidiDecoder, OpenFailsCleanlyWithoutAUsableSoundfontOrFile)
{
    const std::string song = folder.write("song.mid", noteRestNote());
    const std::string notSoundfont = folder.write("broken.sf2", Bytes(4096, 0x55));
    DecoderInfo info;
    EXPECT_EQ(openMidiWithSoundfont(song.c_str(), "", &info), nullptr);
    EXPECT_EQ(openMidiWithSoundfont(song.c_str(), notSoundfont, &info), nullptr);
    EXPECT_EQ(openMidiWithSoundfont(song.c_str(), (folder.path() / "missing.sf2").string(), &info), nullptr);

    const std::string zeroTracks = folder.write("zero.mid", header(0, 0, 96));
    const std::string randomBytes = folder.write("random.mid", Bytes{'M', 'T', 'h', 'd', 0x13, 0x77, 0xF0, 0x01, 0x99});
    for (const std::string &path :
         {zeroTracks, randomBytes, folder.path().string(), (folder.path() / "missing.mid").string()}) {
        EXPECT_EQ(midiDecoder.open(path.c_str(), &info), nullptr) << path;
    }
}

TEST_F(MidiDecoder, SoundfontSearchPrefersTheDefaultThenTheFirstByName)
{
    EXPECT_EQ(findSoundfont(folder.path().c_str()), "");
    EXPECT_EQ(findSoundfont((folder.path() / "missing").c_str()), "");
    folder.write("b.sf2", {1});
    folder.write("a.sf2", {1});
    folder.write("0.sf3", {1});
    EXPECT_EQ(findSoundfont(folder.path().c_str()), (folder.path() / "a.sf2").string());
    folder.write("default-GM.sf2", {1});
    EXPECT_EQ(findSoundfont(folder.path().c_str()), (folder.path() / "default-GM.sf2").string());
}

TEST_F(MidiDecoder, StreamsDecodeSideBySideInTheirOwnThreads)
{
    const std::string path = folder.write("song.mid", noteRestNote());
    OpenedMidi reference = openMidi(path);
    ASSERT_TRUE(reference.decoder);
    const std::vector<int16_t> expected = readAll(reference.decoder.get(), 4096);

    constexpr int kStreams = 3;
    std::vector<OpenedMidi> streams;
    for (int i = 0; i < kStreams; ++i) {
        streams.push_back(openMidi(path));
        ASSERT_TRUE(streams.back().decoder);
    }
    std::vector<std::vector<int16_t>> results(kStreams);
    std::vector<std::thread> threads;
    for (int i = 0; i < kStreams; ++i)
        threads.emplace_back([&, i] { results[i] = readAll(streams[i].decoder.get(), 512); });
    for (std::thread &thread : threads)
        thread.join();
    for (int i = 0; i < kStreams; ++i)
        EXPECT_TRUE(results[i] == expected) << "stream " << i;
}

} // namespace
} // namespace engine
