// Shared body of the decoder fuzz targets: the input becomes a file, then the
// decoder's probe, open, read to the end, seek and read again, and close run on it.
#pragma once

#include "decoder.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzzing {

// One scratch file per process, removed at exit.
inline const char *scratchFile()
{
    static char path[] = "/tmp/engine-fuzz-XXXXXX";
    static const bool made = [] {
        const int fd = mkstemp(path);
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { unlink(path); });
        return true;
    }();
    (void)made;
    return path;
}

inline void writeScratch(const uint8_t *data, size_t size)
{
    FILE *file = std::fopen(scratchFile(), "wb");
    if (!file)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

inline void exercise(const engine::DecoderOps &ops, const uint8_t *data, size_t size)
{
    constexpr long chunkFrames = 4096;
    if (!ops.probe(data, size))
        return;
    writeScratch(data, size);
    engine::DecoderInfo info;
    engine::Decoder *decoder = ops.open(scratchFile(), &info);
    if (!decoder)
        return;
    if (info.channels < 1 || info.channels > 2 || info.sampleRate <= 0)
        std::abort();
    std::vector<int16_t> buffer(size_t(chunkFrames) * size_t(info.channels));
    uint64_t decoded = 0;
    const uint64_t limit = info.totalFrames + uint64_t(chunkFrames);
    for (long got; decoded <= limit && (got = ops.read(decoder, buffer.data(), chunkFrames)) > 0;)
        decoded += uint64_t(got);
    if (info.totalFrames > 0 && ops.seek(decoder, info.totalFrames / 2))
        ops.read(decoder, buffer.data(), chunkFrames);
    ops.close(decoder);
}

} // namespace fuzzing
