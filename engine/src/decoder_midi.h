// The MIDI decoder's pieces that tests reach below the decoder table: where the
// soundfont is looked for, and opening with a soundfont of the caller's choice.
#pragma once

#include "decoder.h"
#include "midi_file.h"

#include <string>

namespace engine {

inline constexpr const char *kSoundfontFolder = "/usr/share/sounds/sf2";
// Rendering goes on this long after the last event, so the last notes can ring out.
inline constexpr uint64_t kMidiReleaseFrames = kMidiSampleRate;

// "default-GM.sf2" in the folder when it is there, else the first "*.sf2" by
// name; empty when the folder holds none.
std::string findSoundfont(const char *folder);

// Opens a MIDI file rendered with the given soundfont; nullptr when either
// cannot be used. midiDecoder.open is this with findSoundfont(kSoundfontFolder).
Decoder *openMidiWithSoundfont(const char *path, const std::string &soundfont, DecoderInfo *info);

} // namespace engine
