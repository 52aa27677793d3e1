// One small interface for every decoder; each decoder lives in a file of its own
// and exposes one const table of these operations. The engine picks a decoder by
// the file's content (probe), never by its name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

struct DecoderInfo {
    int sampleRate = 0;       // frames per second of the decoded PCM
    int channels = 0;         // 1 or 2
    uint64_t totalFrames = 0; // exact length, known when open returns
};

struct Decoder; // a decoder's own state, opaque to the engine

struct DecoderOps {
    const char *name;
    // True when the first bytes of a file look like this decoder's format.
    bool (*probe)(const unsigned char *head, size_t size);
    // Opens a path given as bytes; nullptr when the file cannot be decoded.
    Decoder *(*open)(const char *path, DecoderInfo *info);
    // Fills up to `frames` interleaved 16-bit frames; returns the number written,
    // 0 at the end of the stream, negative on a read error (treated as the end).
    long (*read)(Decoder *decoder, int16_t *out, long frames);
    // Continues from `frame` (< totalFrames); false when it cannot.
    bool (*seek)(Decoder *decoder, uint64_t frame);
    void (*close)(Decoder *decoder);
};

extern const DecoderOps wavDecoder;
extern const DecoderOps mp3Decoder;
extern const DecoderOps midiDecoder;

} // namespace engine
