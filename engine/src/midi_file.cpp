// How this works: each track chunk is read into events stamped with their tick;
// the tracks are merged by a stable sort (equal ticks keep track order), and one
// walk through the merged list with the tempo map turns ticks into frames.
// Time is kept exactly as microseconds x ticks-per-quarter, so a frame is one
// division away and rounding never accumulates over a long song.
#include "midi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace engine {
namespace {

constexpr uint32_t kDefaultMicrosPerQuarter = 500000; // 120 beats per minute
constexpr uint64_t kMicrosPerSecond = 1000000;
// frames = micros x 44100 / 1e6, reduced so the product stays far inside 64 bits
constexpr uint64_t kFramesPerMicroNumerator = 441;
constexpr uint64_t kFramesPerMicroDenominator = 10000;
static_assert(kMidiSampleRate * kFramesPerMicroDenominator == kFramesPerMicroNumerator * kMicrosPerSecond);

constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kSysexStart = 0xF0;
constexpr uint8_t kSysexContinue = 0xF7;
constexpr uint8_t kNoteOn = 0x90;

struct TickEvent {
    uint64_t tick;
    MidiEvent event;
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

uint32_t readBigEndian(const unsigned char *bytes, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// A cursor over one track chunk; every read fails cleanly at the chunk's end.
struct TrackCursor {
    const unsigned char *at;
    const unsigned char *end;

    bool readByte(uint8_t *byte)
    {
        if (at == end)
            return false;
        *byte = *at++;
        return true;
    }
    // Variable-length quantity: at most four bytes, so at most 0x0FFFFFFF.
    bool readVarLength(uint32_t *value)
    {
        *value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte;
            if (!readByte(&byte))
                return false;
            *value = (*value << 7) | (byte & 0x7Fu);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }
    bool skip(uint32_t count)
    {
        if (static_cast<size_t>(end - at) < count)
            return false;
        at += count;
        return true;
    }
};

int dataBytesOf(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// Reads one track; stops at its end-of-track event or at the first damage.
void readTrack(TrackCursor cursor, std::vector<TickEvent> *events, std::vector<TempoChange> *tempos,
               uint64_t *lastTick)
{
    uint64_t tick = 0;
    uint8_t runningStatus = 0;
    while (cursor.at != cursor.end) {
        uint32_t delta;
        uint8_t first;
        if (!cursor.readVarLength(&delta) || !cursor.readByte(&first))
            return;
        const uint64_t eventTick = tick + delta;
        if (first < 0xF0) {
            // Running status is kept across meta and sysex events: files in the
            // wild rely on it, and keeping it never misreads a valid file.
            const bool running = first < 0x80;
            if (running && runningStatus == 0)
                return;
            const uint8_t status = running ? runningStatus : first;
            uint8_t data[2] = {0, 0};
            int have = 0;
            if (running)
                data[have++] = first;
            while (have < dataBytesOf(status)) {
                if (!cursor.readByte(&data[have]))
                    return;
                ++have;
            }
            if ((data[0] | data[1]) & 0x80)
                return;
            runningStatus = status;
            events->push_back({eventTick, {0, status, data[0], data[1]}});
        } else if (first == kMetaEvent) {
            uint8_t type;
            uint32_t length;
            if (!cursor.readByte(&type) || !cursor.readVarLength(&length))
                return;
            const unsigned char *payload = cursor.at;
            if (!cursor.skip(length))
                return;
            if (type == kMetaTempo && length >= 3) {
                const uint32_t micros = readBigEndian(payload, 3);
                // A zero tempo would put the rest of the song at one instant; ignore it.
                if (micros > 0)
                    tempos->push_back({eventTick, micros});
            }
            if (type == kMetaEndOfTrack) {
                *lastTick = std::max(*lastTick, eventTick);
                return;
            }
        } else if (first == kSysexStart || first == kSysexContinue) {
            uint32_t length;
            if (!cursor.readVarLength(&length) || !cursor.skip(length))
                return;
        } else {
            return; // real-time and system common messages have no place in a file
        }
        tick = eventTick;
        *lastTick = std::max(*lastTick, tick);
    }
}

// Exact time of a tick: microseconds x ticks-per-quarter since the start.
class TempoClock {
public:
    explicit TempoClock(uint64_t ticksPerQuarter)
        : ticksPerQuarter_(ticksPerQuarter), limit_(kMidiMaxSeconds * kMicrosPerSecond * ticksPerQuarter)
    {
    }
    // False when the tick lies past the longest song we accept.
    bool scaledMicrosAt(uint64_t tick, uint64_t *scaled) const
    {
        const uint64_t ticks = tick - segmentTick_;
        if (ticks > (limit_ - segmentScaled_) / microsPerQuarter_)
            return false;
        *scaled = segmentScaled_ + ticks * microsPerQuarter_;
        return true;
    }
    bool changeTempo(const TempoChange &change)
    {
        if (!scaledMicrosAt(change.tick, &segmentScaled_))
            return false;
        segmentTick_ = change.tick;
        microsPerQuarter_ = change.microsPerQuarter;
        return true;
    }
    bool frameAt(uint64_t tick, uint64_t *frame) const
    {
        uint64_t scaled;
        if (!scaledMicrosAt(tick, &scaled))
            return false;
        *frame = scaled * kFramesPerMicroNumerator / (ticksPerQuarter_ * kFramesPerMicroDenominator);
        return true;
    }
    void setMicrosPerQuarter(uint32_t micros) { microsPerQuarter_ = micros; }

private:
    uint64_t ticksPerQuarter_;
    uint64_t limit_;
    uint64_t segmentTick_ = 0;
    uint64_t segmentScaled_ = 0;
    uint32_t microsPerQuarter_ = kDefaultMicrosPerQuarter;
};

// Ticks per quarter note; SMPTE time (frames per second x ticks per frame) is
// expressed as ticks per second with a fixed one-second "quarter".
bool readDivision(uint16_t division, uint64_t *ticksPerQuarter, bool *smpte)
{
    *smpte = (division & 0x8000) != 0;
    if (!*smpte) {
        *ticksPerQuarter = division;
        return division != 0;
    }
    const int framesPerSecond = 256 - (division >> 8);
    const int ticksPerFrame = division & 0xFF;
    if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) ||
        ticksPerFrame == 0)
        return false;
    // 29 stands for 30 drop-frame, whose real rate differs by 0.1 %.
    *ticksPerQuarter = static_cast<uint64_t>(framesPerSecond == 29 ? 30 : framesPerSecond) * ticksPerFrame;
    return true;
}

} // namespace

MidiParseResult parseMidiFile(const unsigned char *data, size_t size, MidiSong *song)
{
    *song = MidiSong{};
    if (size < 4 || std::memcmp(data, "MThd", 4) != 0)
        return MidiParseResult::NotMidi;
    if (size > kMidiMaxFileBytes)
        return MidiParseResult::TooLarge;
    if (size < 14)
        return MidiParseResult::BadHeader;
    const uint32_t headerLength = readBigEndian(data + 4, 4);
    if (headerLength < 6 || headerLength > size - 8)
        return MidiParseResult::BadHeader;
    const uint32_t format = readBigEndian(data + 8, 2);
    const uint32_t trackCount = readBigEndian(data + 10, 2);
    uint64_t ticksPerQuarter;
    bool smpte;
    if (!readDivision(static_cast<uint16_t>(readBigEndian(data + 12, 2)), &ticksPerQuarter, &smpte))
        return MidiParseResult::BadHeader;
    if (format > 1)
        return MidiParseResult::UnsupportedFormat;

    std::vector<TickEvent> events;
    std::vector<TempoChange> tempos;
    uint64_t lastTick = 0;
    uint32_t tracksRead = 0;
    size_t at = 8 + size_t{headerLength};
    while (tracksRead < trackCount && size - at >= 8) {
        const bool isTrack = std::memcmp(data + at, "MTrk", 4) == 0;
        const size_t length = std::min<size_t>(readBigEndian(data + at + 4, 4), size - at - 8);
        at += 8;
        if (isTrack) {
            readTrack({data + at, data + at + length}, &events, &tempos, &lastTick);
            ++tracksRead;
        }
        at += length;
    }
    if (tracksRead == 0)
        return MidiParseResult::NoTracks;
    const bool hasNote = std::any_of(events.begin(), events.end(), [](const TickEvent &e) {
        return (e.event.status & 0xF0) == kNoteOn && e.event.data2 > 0;
    });
    if (!hasNote)
        return MidiParseResult::NoNotes;

    std::stable_sort(events.begin(), events.end(), [](const TickEvent &a, const TickEvent &b) { return a.tick < b.tick; });
    std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange &a, const TempoChange &b) { return a.tick < b.tick; });
    if (smpte)
        tempos.clear();

    TempoClock clock(ticksPerQuarter);
    if (smpte)
        clock.setMicrosPerQuarter(kMicrosPerSecond);
    size_t nextTempo = 0;
    auto applyTemposUpTo = [&](uint64_t tick) {
        for (; nextTempo < tempos.size() && tempos[nextTempo].tick <= tick; ++nextTempo)
            if (!clock.changeTempo(tempos[nextTempo]))
                return false;
        return true;
    };
    song->events.reserve(events.size());
    for (TickEvent &timed : events) {
        uint64_t frame;
        if (!applyTemposUpTo(timed.tick) || !clock.frameAt(timed.tick, &frame)) {
            *song = MidiSong{};
            return MidiParseResult::TooLong;
        }
        timed.event.frame = static_cast<uint32_t>(frame);
        song->events.push_back(timed.event);
    }
    if (!applyTemposUpTo(lastTick) || !clock.frameAt(lastTick, &song->endFrame)) {
        *song = MidiSong{};
        return MidiParseResult::TooLong;
    }
    return MidiParseResult::Ok;
}

MidiParseResult readMidiFile(const char *path, MidiSong *song)
{
    *song = MidiSong{};
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return MidiParseResult::Unreadable;
    const std::unique_ptr<const int, void (*)(const int *)> closer(&fd, [](const int *open) { ::close(*open); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return MidiParseResult::Unreadable;
    // Read until the end, not to the size fstat gave: the file may change meanwhile.
    std::vector<unsigned char> bytes(std::min<size_t>(static_cast<size_t>(status.st_size), kMidiMaxFileBytes) + 1);
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return MidiParseResult::Unreadable;
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
        if (filled == bytes.size() && bytes.size() <= kMidiMaxFileBytes)
            bytes.resize(std::min(bytes.size() * 2, kMidiMaxFileBytes + 1));
    }
    return parseMidiFile(bytes.data(), filled, song);
}

} // namespace engine
