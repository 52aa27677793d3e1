// The MIDI file reader on small files built byte by byte, good and damaged.
#include "../src/midi_file.h"
#include "midi_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace engine {
namespace {

using namespace midi_fixture;
constexpr uint64_t kRate = kMidiSampleRate;

MidiParseResult parse(const Bytes &bytes, MidiSong *song)
{
    return parseMidiFile(bytes.data(), bytes.size(), song);
}

TEST(MidiFile, TempoMapPlacesEventsOnExactFrames)
{
    // 480 ticks per quarter: 120 bpm for one quarter, then 240 bpm.
    Track conductor;
    conductor.tempo(0, 500000).tempo(480, 250000).end(1440);
    Track notes;
    notes.event(0, {0x90, 60, 100}).event(480, {0x80, 60, 0}).event(480, {0x90, 62, 100}).event(480, {0x80, 62, 0}).end(0);
    MidiSong song;
    ASSERT_EQ(parse(midiFile(1, 480, {conductor, notes}), &song), MidiParseResult::Ok);

    const std::vector<uint64_t> expected = {0, kRate / 2, kRate / 2 + kRate / 4, kRate};
    ASSERT_EQ(song.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(song.events[i].frame, expected[i]) << "event " << i;
    EXPECT_EQ(song.endFrame, kRate / 2 + 3 * kRate / 4);
}

TEST(MidiFile, TracksMergeInTimeOrderAndTiesKeepTrackOrder)
{
    Track first;
    first.event(0, {0xC0, 5}).event(96, {0x90, 60, 90}).end(0);
    Track second;
    second.event(48, {0x91, 64, 80}).event(48, {0xB1, 7, 30}).end(0);
    MidiSong song;
    ASSERT_EQ(parse(midiFile(1, 96, {first, second}), &song), MidiParseResult::Ok);

    const std::vector<uint8_t> statusOrder = {0xC0, 0x91, 0x90, 0xB1};
    ASSERT_EQ(song.events.size(), statusOrder.size());
    for (size_t i = 0; i < statusOrder.size(); ++i)
        EXPECT_EQ(song.events[i].status, statusOrder[i]) << "event " << i;
    EXPECT_EQ(song.events[1].frame, kRate / 4);
}

TEST(MidiFile, RunningStatusSurvivesMetaAndSysexWhichAreSkipped)
{
    Track track;
    track.event(0, {0x93, 60, 100})
        .event(0, {62, 101})                         // running status
        .event(96, {0xF0, 0x03, 0x7E, 0x09, 0xF7})   // sysex, skipped
        .event(0, {0xFF, 0x01, 0x02, 'h', 'i'})      // text meta, skipped
        .event(0, {60, 0})                           // still running status: note off by velocity 0
        .event(0, {0xC3, 7})
        .event(96, {40})                             // running one-data-byte status
        .end(0);
    MidiSong song;
    ASSERT_EQ(parse(midiFile(0, 96, {track}), &song), MidiParseResult::Ok);

    struct Expected {
        uint64_t frame;
        uint8_t status, data1, data2;
    };
    const Expected expected[] = {
        {0, 0x93, 60, 100}, {0, 0x93, 62, 101}, {kRate / 2, 0x93, 60, 0}, {kRate / 2, 0xC3, 7, 0}, {kRate, 0xC3, 40, 0},
    };
    ASSERT_EQ(song.events.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(song.events[i].frame, expected[i].frame) << "event " << i;
        EXPECT_EQ(song.events[i].status, expected[i].status) << "event " << i;
        EXPECT_EQ(song.events[i].data1, expected[i].data1) << "event " << i;
        EXPECT_EQ(song.events[i].data2, expected[i].data2) << "event " << i;
    }
}

TEST(MidiFile, SmpteDivisionCountsTicksPerSecondAndIgnoresTempo)
{
    // 25 frames per second x 40 ticks per frame = 1000 ticks per second.
    const uint16_t division = static_cast<uint16_t>((256 - 25) << 8 | 40);
    Track track;
    track.tempo(0, 250000).event(500, {0x90, 60, 100}).end(1500);
    MidiSong song;
    ASSERT_EQ(parse(midiFile(0, division, {track}), &song), MidiParseResult::Ok);
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_EQ(song.events[0].frame, kRate / 2);
    EXPECT_EQ(song.endFrame, 2 * kRate);
}

TEST(MidiFile, LongSongKeepsExactTimeWithoutDrift)
{
    // 3 ticks per quarter at 120 bpm: every tick is 7350 frames exactly, and an
    // hour of ticks must not drift by a single frame.
    Track track;
    track.event(0, {0x90, 60, 100});
    for (int i = 0; i < 3600; ++i)
        track.event(6, {0x80 | 0x00, 60, 0});
    track.end(0);
    MidiSong song;
    ASSERT_EQ(parse(midiFile(0, 3, {track}), &song), MidiParseResult::Ok);
    EXPECT_EQ(song.endFrame, 3600 * kRate);
}

struct DamagedCase {
    const char *name;
    Bytes bytes;
    MidiParseResult expected;
    size_t eventsKept;  // when it still plays
    uint64_t endFrame;  // when it still plays
};

Bytes withTrackLength(Bytes file, uint32_t length)
{
    const size_t lengthAt = 14 + 4; // the first track's length field
    for (int i = 0; i < 4; ++i)
        file[lengthAt + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    return file;
}

Bytes withBytes(Bytes file, std::initializer_list<uint8_t> extra)
{
    file.insert(file.end(), extra);
    return file;
}

std::vector<DamagedCase> damagedCases()
{
    using R = MidiParseResult;
    const Track oneNote = Track{}.event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end(0);
    Track endlessRunning;
    endlessRunning.event(0, {0x90, 60, 100});
    for (int i = 0; i < 30000; ++i)
        endlessRunning.event(0, {static_cast<uint8_t>(i % 128), 64});
    Track manyHugeDeltas;
    for (int i = 0; i < 5; ++i)
        manyHugeDeltas.event(0x0FFFFFFF, {0x90, 60, 100});
    const uint64_t slowestQuarter = uint64_t{0xFFFFFF} * kRate / 1000000;

    return {
        {"empty file", {}, R::NotMidi, 0, 0},
        {"header magic only", {'M', 'T', 'h', 'd'}, R::BadHeader, 0, 0},
        {"header length below six", withBytes({'M', 'T', 'h', 'd', 0, 0, 0, 2}, {0, 0, 0, 1, 0, 96}), R::BadHeader, 0, 0},
        {"header length past the end", withBytes({'M', 'T', 'h', 'd', 0, 0, 1, 0}, {0, 0, 0, 1, 0, 96}), R::BadHeader, 0, 0},
        {"zero tracks", header(0, 0, 96), R::NoTracks, 0, 0},
        {"track count but no chunk", header(1, 3, 96), R::NoTracks, 0, 0},
        {"alien chunk only", withBytes(header(0, 1, 96), {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2}), R::NoTracks, 0, 0},
        {"division zero", midiFile(0, 0, {oneNote}), R::BadHeader, 0, 0},
        {"frame rate 23", midiFile(0, (256 - 23) << 8 | 40, {oneNote}), R::BadHeader, 0, 0},
        {"format 2", midiFile(2, 96, {oneNote}), R::UnsupportedFormat, 0, 0},
        {"no note at all", midiFile(0, 96, {Track{}.event(0, {0xC0, 1}).event(0, {0x90, 60, 0}).end(96)}), R::NoNotes, 0, 0},
        {"zero tempo is ignored", midiFile(0, 96, {Track{}.tempo(0, 0).event(96, {0x90, 60, 100}).end(96)}), R::Ok, 1, kRate},
        {"slowest tempo", midiFile(0, 96, {Track{}.tempo(0, 0xFFFFFF).event(0, {0x90, 60, 100}).end(96)}), R::Ok, 1,
         slowestQuarter},
        {"huge delta", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).end(0x0FFFFFFF)}), R::TooLong, 0, 0},
        {"many huge deltas", midiFile(0, 0x7FFF, {manyHugeDeltas}), R::TooLong, 0, 0},
        {"slowest tempo and a long gap", midiFile(0, 1, {Track{}.tempo(0, 0xFFFFFF).event(0, {0x90, 60, 100}).end(1000)}),
         R::TooLong, 0, 0},
        {"event cut short", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(96, {0x90, 62})}), R::Ok, 1, 0},
        {"track length past the file's end", withTrackLength(midiFile(0, 96, {oneNote}), 0xFFFFFFF0), R::Ok, 2, kRate / 2},
        {"data byte before any status", midiFile(0, 96, {Track{}.event(0, {60, 100}).event(0, {0x90, 60, 100})}), R::NoNotes,
         0, 0},
        {"five-byte delta", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(0, {0x81, 0x81, 0x81, 0x81, 0x01, 0x80})}),
         R::Ok, 1, 0},
        {"status byte where data belongs", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(96, {0x90, 62, 0x90})}),
         R::Ok, 1, 0},
        {"real-time byte in a track", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(96, {0xF8}).end(96)}), R::Ok, 1,
         0},
        {"sysex longer than its track", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(96, {0xF0, 0xFF, 0x7F, 1})}),
         R::Ok, 1, 0},
        {"meta longer than its track", midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).event(96, {0xFF, 0x51, 0x7F, 1})}),
         R::Ok, 1, 0},
        {"endless running status", midiFile(0, 96, {endlessRunning}), R::Ok, 30001, 0},
    };
}

TEST(MidiFile, DamagedFilesGiveAClearResult)
{
    for (const DamagedCase &item : damagedCases()) {
        SCOPED_TRACE(item.name);
        MidiSong song;
        ASSERT_EQ(parse(item.bytes, &song), item.expected);
        if (item.expected != MidiParseResult::Ok) {
            EXPECT_TRUE(song.events.empty());
            continue;
        }
        EXPECT_EQ(song.events.size(), item.eventsKept);
        EXPECT_EQ(song.endFrame, item.endFrame);
    }
}

// Whatever the damage, a song that parses is bounded and in order.
void expectWellFormed(const MidiSong &song)
{
    EXPECT_LE(song.endFrame, kMidiMaxSeconds * kRate);
    for (size_t i = 0; i < song.events.size(); ++i) {
        const MidiEvent &event = song.events[i];
        ASSERT_GE(event.status, 0x80);
        ASSERT_LE(event.status, 0xEF);
        ASSERT_LT(event.data1 | event.data2, 0x80);
        ASSERT_LE(event.frame, song.endFrame);
        if (i > 0) {
            ASSERT_LE(song.events[i - 1].frame, event.frame);
        }
    }
}

TEST(MidiFile, RandomDamageNeverBreaksTheSong)
{
    Track conductor;
    conductor.tempo(0, 400000).event(0, {0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'}).tempo(960, 600000).end(0);
    Track melody;
    melody.event(0, {0xC0, 40}).event(0, {0xB0, 7, 90});
    for (uint8_t key = 60; key < 72; ++key)
        melody.event(0, {0x90, key, 100}).event(120, {key, 0}).event(0, {0xE0, 0, key});
    melody.event(0, {0xF0, 0x02, 0x01, 0xF7}).end(240);
    const Bytes original = midiFile(1, 240, {conductor, melody});

    std::mt19937 random(20261211);
    int playable = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = original;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i)
            damaged[4 + random() % (damaged.size() - 4)] = static_cast<uint8_t>(random());
        if (random() % 4 == 0)
            damaged.resize(4 + random() % (damaged.size() - 4));
        MidiSong song;
        if (parse(damaged, &song) == MidiParseResult::Ok) {
            ++playable;
            expectWellFormed(song);
        } else
            EXPECT_TRUE(song.events.empty());
        if (HasFatalFailure())
            FAIL() << "round " << round;
    }
    // Most damage hits event bytes, which leaves a playable song to check.
    EXPECT_GT(playable, 1000);
}

TEST(MidiFile, ReadsPathsAsBytesAndRefusesWhatIsNoFile)
{
    TempFolder folder;
    const Bytes song = midiFile(0, 96, {Track{}.event(0, {0x90, 60, 100}).end(96)});
    const std::string oddName = folder.write("odd \xff\xfe name\n.mid", song);
    Bytes huge = song;
    huge.resize(kMidiMaxFileBytes + 1);
    const std::string hugeName = folder.write("huge.mid", huge);

    MidiSong parsed;
    EXPECT_EQ(readMidiFile(oddName.c_str(), &parsed), MidiParseResult::Ok);
    EXPECT_EQ(parsed.endFrame, kRate / 2);
    EXPECT_EQ(readMidiFile(hugeName.c_str(), &parsed), MidiParseResult::TooLarge);
    EXPECT_EQ(readMidiFile(folder.path().c_str(), &parsed), MidiParseResult::Unreadable);
    EXPECT_EQ(readMidiFile((folder.path() / "missing.mid").c_str(), &parsed), MidiParseResult::Unreadable);
}

} // namespace
} // namespace engine
