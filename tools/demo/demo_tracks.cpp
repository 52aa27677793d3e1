// The list of demo tracks and the one call that writes them all.
#include "demo_tracks.h"

#include <array>
#include <filesystem>
#include <functional>

namespace demo {
namespace {

struct WavTrack {
    const char *name;
    std::function<Pcm()> make;
};

struct MidiTrack {
    const char *name;
    std::function<MidiSong()> make;
};

// Middle C major with the octave: C4 E4 G4 C5.
const std::vector<double> kCmajorChord = {261.626, 329.628, 391.995, 523.251};

const std::array<WavTrack, 4> kWavTracks = {{
    {"tone-440hz.wav", [] { return sineTone(440.0, 3.0, 0.5, 44100, 1); }},
    {"chord-c-major.wav", [] { return chord(kCmajorChord, 4.0, 0.16, 44100); }},
    // 48 kHz on purpose: the engine resamples it to the output rate.
    {"sweep-loud-left.wav", [] { return stereoSweep(100.0, 8000.0, 5.0, 0.8, 0.1, 48000); }},
    {"arpeggios-3min.wav", [] { return arpeggioPiece(180.0, 44100); }},
}};

const std::array<MidiTrack, 2> kMidiTracks = {{
    {"melody.mid", melodySong},
    {"chord-progression.mid", chordProgressionSong},
}};

} // namespace

bool writeDemoTracks(const std::string &folder)
{
    const std::filesystem::path base(folder);
    for (const WavTrack &track : kWavTracks)
        if (!writeWav((base / track.name).string(), track.make()))
            return false;
    for (const MidiTrack &track : kMidiTracks)
        if (!writeMidi((base / track.name).string(), track.make()))
            return false;
    return true;
}

} // namespace demo
