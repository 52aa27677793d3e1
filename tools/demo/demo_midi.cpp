// Our Standard MIDI File writer and the two demo songs written with it.
#include "demo_tracks.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <set>

namespace demo {
namespace {

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kVolumeController = 7;
constexpr uint8_t kDrumChannel = 9;
constexpr uint16_t kTicksPerQuarter = 480;

// One channel message or meta event at a tick. At equal ticks, lower `order`
// goes first: channel set-up, then note-offs, then note-ons, so a repeated key is
// released before it is struck again.
struct TimedEvent {
    uint32_t tick;
    int order;
    std::vector<uint8_t> bytes; // status first; meta events start with 0xFF
};

void appendVarLength(std::vector<uint8_t> &out, uint32_t value)
{
    std::array<uint8_t, 4> groups{};
    size_t count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value && count < groups.size());
    while (count > 1)
        out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

void appendBigEndian(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

TimedEvent metaEvent(uint32_t tick, uint8_t type, std::vector<uint8_t> payload)
{
    std::vector<uint8_t> bytes = {0xFF, type};
    appendVarLength(bytes, static_cast<uint32_t>(payload.size()));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return {tick, -1, bytes};
}

std::vector<TimedEvent> conductorEvents(const MidiSong &song)
{
    std::vector<TimedEvent> events;
    const std::string name = "Quorvel demo";
    events.push_back(metaEvent(0, 0x03, {name.begin(), name.end()}));
    events.push_back(metaEvent(0, 0x58, {4, 2, 24, 8})); // 4/4 time
    for (const MidiTempo &tempo : song.tempos) {
        std::vector<uint8_t> payload;
        appendBigEndian(payload, tempo.microsPerQuarter, 3);
        events.push_back(metaEvent(tempo.tick, 0x51, payload));
    }
    return events;
}

std::vector<TimedEvent> channelEvents(const MidiSong &song, int channel)
{
    std::vector<TimedEvent> events;
    const auto mine = [&](int c) { return channel < 0 || c == channel; };
    for (const MidiChannelSetup &setup : song.channels) {
        if (!mine(setup.channel))
            continue;
        events.push_back({0, 0, {static_cast<uint8_t>(kProgramChange | setup.channel), setup.program}});
        events.push_back({0, 0, {static_cast<uint8_t>(kControlChange | setup.channel), kVolumeController, setup.volume}});
    }
    for (const MidiNote &note : song.notes) {
        if (!mine(note.channel))
            continue;
        const uint8_t status = kNoteOn | note.channel;
        events.push_back({note.startTick, 2, {status, note.key, note.velocity}});
        events.push_back({note.startTick + note.lengthTicks, 1, {status, note.key, 0}});
    }
    return events;
}

// A track chunk: events in time order, running status where the status repeats.
void appendTrack(std::vector<uint8_t> &file, std::vector<TimedEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent &a, const TimedEvent &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    uint32_t tick = 0;
    uint8_t runningStatus = 0;
    for (const TimedEvent &event : events) {
        appendVarLength(body, event.tick - tick);
        tick = event.tick;
        const bool meta = event.bytes[0] == 0xFF;
        const bool running = !meta && event.bytes[0] == runningStatus;
        body.insert(body.end(), event.bytes.begin() + (running ? 1 : 0), event.bytes.end());
        runningStatus = meta ? 0 : event.bytes[0];
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
}

// Adds notes of equal length one after another; key 0 is a rest.
void addLine(MidiSong &song, uint8_t channel, uint8_t velocity, uint32_t startTick,
             const std::vector<std::pair<uint8_t, uint32_t>> &keysAndLengths)
{
    uint32_t tick = startTick;
    for (const auto &[key, length] : keysAndLengths) {
        if (key != 0)
            song.notes.push_back({channel, key, velocity, tick, length - length / 8});
        tick += length;
    }
}

constexpr uint32_t kQuarter = kTicksPerQuarter;
constexpr uint32_t kEighth = kQuarter / 2;
constexpr uint32_t kHalf = kQuarter * 2;
constexpr uint32_t kBar = kQuarter * 4;

} // namespace

std::vector<uint8_t> encodeMidi(const MidiSong &song)
{
    std::set<int> channels;
    for (const MidiNote &note : song.notes)
        channels.insert(note.channel);
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    appendBigEndian(file, song.format == 0 ? 0 : 1, 2);
    appendBigEndian(file, song.format == 0 ? 1 : static_cast<uint32_t>(channels.size() + 1), 2);
    appendBigEndian(file, song.ticksPerQuarter, 2);
    if (song.format == 0) {
        std::vector<TimedEvent> all = conductorEvents(song);
        std::vector<TimedEvent> notes = channelEvents(song, -1);
        all.insert(all.end(), notes.begin(), notes.end());
        appendTrack(file, all);
        return file;
    }
    appendTrack(file, conductorEvents(song));
    for (int channel : channels)
        appendTrack(file, channelEvents(song, channel));
    return file;
}

bool writeMidi(const std::string &path, const MidiSong &song)
{
    const std::vector<uint8_t> bytes = encodeMidi(song);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

MidiSong melodySong()
{
    MidiSong song;
    song.ticksPerQuarter = kTicksPerQuarter;
    song.tempos = {{0, 500000}};
    constexpr uint8_t kFlute = 0, kVibraphone = 1, kBass = 2, kStrings = 3;
    song.channels = {{kFlute, 73, 110}, {kVibraphone, 11, 110}, {kBass, 33, 100}, {kStrings, 48, 85}, {kDrumChannel, 0, 100}};

    // Four bars of tune on the flute, answered by the vibraphone an octave lower.
    addLine(song, kFlute, 100, 0,
            {{76, kQuarter}, {79, kQuarter}, {81, kEighth}, {79, kEighth}, {76, kQuarter},
             {74, kQuarter}, {76, kEighth}, {74, kEighth}, {72, kHalf},
             {76, kQuarter}, {79, kQuarter}, {84, kQuarter}, {83, kEighth}, {81, kEighth},
             {79, kHalf + kQuarter}, {0, kQuarter}});
    addLine(song, kVibraphone, 105, 4 * kBar,
            {{64, kQuarter}, {67, kQuarter}, {69, kEighth}, {67, kEighth}, {64, kQuarter},
             {62, kQuarter}, {64, kEighth}, {62, kEighth}, {65, kHalf},
             {64, kQuarter}, {62, kQuarter}, {60, kEighth}, {62, kEighth}, {67, kQuarter},
             {60, kBar}});

    // Harmony: one chord a bar on strings, the bass walking root-root-fifth-root.
    const std::array<std::array<uint8_t, 3>, 8> chords = {{{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62},
                                                           {60, 64, 67}, {57, 60, 64}, {50, 53, 57}, {55, 60, 64}}};
    const std::array<uint8_t, 8> roots = {36, 33, 41, 43, 36, 33, 38, 36};
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const uint32_t start = static_cast<uint32_t>(bar) * kBar;
        for (uint8_t key : chords[bar])
            song.notes.push_back({kStrings, key, 70, start, kBar - kEighth / 2});
        const uint8_t root = roots[bar];
        addLine(song, kBass, 95, start,
                {{root, kQuarter}, {root, kQuarter}, {static_cast<uint8_t>(root + 7), kQuarter}, {root, kQuarter}});
    }

    // Drums: kick on one and three, snare on two and four, hi-hat eighths, a crash at each half.
    constexpr uint8_t kKick = 36, kSnare = 38, kHiHat = 42, kCrash = 49;
    for (uint32_t bar = 0; bar < 8; ++bar) {
        const uint32_t start = bar * kBar;
        for (uint32_t beat = 0; beat < 4; ++beat)
            song.notes.push_back({kDrumChannel, beat % 2 ? kSnare : kKick, 100, start + beat * kQuarter, kEighth});
        for (uint32_t e = 0; e < 8; ++e)
            song.notes.push_back({kDrumChannel, kHiHat, static_cast<uint8_t>(e % 2 ? 60 : 80), start + e * kEighth, kEighth / 2});
        if (bar % 4 == 0)
            song.notes.push_back({kDrumChannel, kCrash, 90, start, kQuarter});
    }
    song.notes.push_back({kDrumChannel, kCrash, 100, 8 * kBar, kQuarter});
    song.notes.push_back({kDrumChannel, kKick, 110, 8 * kBar, kQuarter});
    return song;
}

uint32_t melodySongTicks() { return 9 * kBar; }

MidiSong repeatedSong(const MidiSong &song, uint32_t roundTicks, int times)
{
    MidiSong result = song;
    result.notes.clear();
    for (int round = 0; round < times; ++round)
        for (MidiNote note : song.notes) {
            note.startTick += static_cast<uint32_t>(round) * roundTicks;
            result.notes.push_back(note);
        }
    return result;
}

MidiSong chordProgressionSong()
{
    MidiSong song;
    song.format = 0;
    song.ticksPerQuarter = kTicksPerQuarter;
    // 90 bpm, slowing to 72 and then 60 over the last two bars.
    song.tempos = {{0, 666667}, {4 * kBar, 833333}, {5 * kBar, 1000000}};
    constexpr uint8_t kPiano = 0;
    song.channels = {{kPiano, 0, 127}};
    const std::array<std::array<uint8_t, 4>, 6> chords = {{{48, 60, 64, 67}, {45, 60, 64, 69}, {41, 60, 65, 69},
                                                           {43, 59, 62, 67}, {41, 57, 60, 65}, {36, 55, 60, 64}}};
    for (size_t bar = 0; bar < chords.size(); ++bar) {
        const bool last = bar + 1 == chords.size();
        for (uint32_t half = 0; half < (last ? 1u : 2u); ++half)
            for (uint8_t key : chords[bar])
                song.notes.push_back({kPiano, key, static_cast<uint8_t>(half ? 100 : 115),
                                      static_cast<uint32_t>(bar) * kBar + half * kHalf, last ? kBar : kHalf - kEighth / 2});
    }
    return song;
}

} // namespace demo
