// Any bytes at all go through decodePng from an exact-size buffer: the reader
// must neither read outside it nor crash, and a result must be self-consistent.
#include "png_reader.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<unsigned char> exact(data, data + size);
    const QImage image = decodePng(exact.data(), exact.size());
    if (!image.isNull()) {
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
            std::abort();
        volatile unsigned sink = 0;
        for (int y = 0; y < image.height(); ++y)
            sink = sink + image.constScanLine(y)[0];
    }
    return 0;
}
