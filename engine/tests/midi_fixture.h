// Builds Standard MIDI Files byte by byte for the MIDI tests, and a temp folder to put them in.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace engine::midi_fixture {

using Bytes = std::vector<uint8_t>;

inline void appendVarLength(Bytes &out, uint32_t value)
{
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value && count < 4);
    while (count > 1)
        out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

inline void appendBigEndian(Bytes &out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// One track chunk's body: each event is a delta time followed by its raw bytes.
struct Track {
    Bytes bytes;
    Track &event(uint32_t delta, std::initializer_list<uint8_t> raw)
    {
        appendVarLength(bytes, delta);
        bytes.insert(bytes.end(), raw);
        return *this;
    }
    Track &tempo(uint32_t delta, uint32_t microsPerQuarter)
    {
        appendVarLength(bytes, delta);
        bytes.insert(bytes.end(), {0xFF, 0x51, 0x03});
        appendBigEndian(bytes, microsPerQuarter, 3);
        return *this;
    }
    Track &end(uint32_t delta) { return event(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes header(uint16_t format, uint16_t trackCount, uint16_t division)
{
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    appendBigEndian(out, format, 2);
    appendBigEndian(out, trackCount, 2);
    appendBigEndian(out, division, 2);
    return out;
}

inline void appendTrack(Bytes &file, const Track &track)
{
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(file, static_cast<uint32_t>(track.bytes.size()), 4);
    file.insert(file.end(), track.bytes.begin(), track.bytes.end());
}

inline Bytes midiFile(uint16_t format, uint16_t division, std::initializer_list<Track> tracks)
{
    Bytes file = header(format, static_cast<uint16_t>(tracks.size()), division);
    for (const Track &track : tracks)
        appendTrack(file, track);
    return file;
}

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "midi_test.XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    std::string write(const std::string &name, const Bytes &bytes) const
    {
        const std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        return file;
    }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace engine::midi_fixture
