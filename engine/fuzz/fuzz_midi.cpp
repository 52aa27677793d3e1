// libFuzzer target: the MIDI reader on the bytes in memory, then for what it
// accepts, the whole decoder path through a real file: open, read, seek, close.
// A song may last hours, so only its start, middle and last frame are rendered.
#include "decoder_midi.h"
#include "midi_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr long kChunkFrames = 4096;
constexpr uint64_t kFramesRenderedAtEachPlace = 2 * kChunkFrames;

// A plain array, so the exit handler never sees a destroyed string.
char scratchPathBuffer[] = "/tmp/fuzz_midi.XXXXXX";

const char *scratchPath()
{
    static const bool created = [] {
        const int fd = mkstemp(scratchPathBuffer);
        if (fd < 0)
            return false;
        close(fd);
        std::atexit([] { std::remove(scratchPathBuffer); });
        return true;
    }();
    return created ? scratchPathBuffer : nullptr;
}

void readFrames(engine::Decoder *decoder, uint64_t frames)
{
    std::vector<int16_t> chunk(kChunkFrames * 2);
    while (frames > 0) {
        const long got = engine::midiDecoder.read(decoder, chunk.data(), static_cast<long>(std::min<uint64_t>(frames, kChunkFrames)));
        if (got <= 0)
            return;
        frames -= static_cast<uint64_t>(got);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    engine::MidiSong song;
    if (engine::parseMidiFile(data, size, &song) != engine::MidiParseResult::Ok)
        return 0;

    const char *path = scratchPath();
    FILE *file = path ? std::fopen(path, "wb") : nullptr;
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    engine::DecoderInfo info;
    engine::Decoder *decoder = engine::midiDecoder.open(path, &info);
    if (!decoder)
        return 0;
    if (info.totalFrames != song.endFrame + engine::kMidiReleaseFrames)
        __builtin_trap();
    readFrames(decoder, kFramesRenderedAtEachPlace);
    if (engine::midiDecoder.seek(decoder, info.totalFrames / 2))
        readFrames(decoder, kFramesRenderedAtEachPlace);
    if (!engine::midiDecoder.seek(decoder, info.totalFrames - 1))
        __builtin_trap();
    readFrames(decoder, kFramesRenderedAtEachPlace);
    int16_t frame[2];
    if (engine::midiDecoder.read(decoder, frame, 1) != 0 || engine::midiDecoder.seek(decoder, info.totalFrames))
        __builtin_trap();
    engine::midiDecoder.close(decoder);
    return 0;
}
