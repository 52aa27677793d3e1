// Standard MIDI File reader: formats 0 and 1, running status, tempo map.
// The whole file is turned into one list of channel events, each already
// placed on the 44100 Hz frame scale the MIDI decoder renders at, so the
// scheduler never has to think about ticks or tempo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

inline constexpr int kMidiSampleRate = 44100;
// Longer songs are refused: they are damaged files, not music, and would make
// the event list and every seek unbounded.
inline constexpr uint64_t kMidiMaxSeconds = 4 * 3600;
// A MIDI file is tiny; anything larger is refused before it is read. With at
// least two bytes an event, this caps the event list near 16 MB.
inline constexpr size_t kMidiMaxFileBytes = 4u << 20;
// Every frame of an accepted song fits in 32 bits, which halves the event list.
static_assert(kMidiMaxSeconds * kMidiSampleRate < (uint64_t{1} << 32));

struct MidiEvent {
    uint32_t frame = 0;  // when it sounds, in frames from the start
    uint8_t status = 0;  // channel message status 0x80..0xEF
    uint8_t data1 = 0;
    uint8_t data2 = 0;   // 0 for the one-data-byte messages
};

struct MidiSong {
    std::vector<MidiEvent> events; // in play order; ties keep track order
    uint64_t endFrame = 0;         // time of the last event of any kind (end-of-track included)
};

enum class MidiParseResult {
    Ok,
    NotMidi,           // no "MThd" header
    BadHeader,         // short header, division 0 or an unknown frame rate
    UnsupportedFormat, // format 2 (independent sequences)
    NoTracks,          // header says zero tracks, or no track chunk is present
    NoNotes,           // tracks hold no note to play
    TooLong,           // the song would last longer than kMidiMaxSeconds
    TooLarge,          // the file is larger than kMidiMaxFileBytes
    Unreadable,        // the path cannot be read
};

// Parses a whole file held in memory. Damage inside a track (a truncated event,
// a data byte with no running status, a track chunk running past the file's end)
// ends that track where the damage starts; what came before still plays.
MidiParseResult parseMidiFile(const unsigned char *data, size_t size, MidiSong *song);

// Reads a path (taken as bytes) and parses it.
MidiParseResult readMidiFile(const char *path, MidiSong *song);

} // namespace engine
