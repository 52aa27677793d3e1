// libpng reports errors by longjmp. Each setjmp below sits in a small function
// whose locals are all trivially destructible, and the jump never crosses a
// C++ frame with live objects, so unwinding by longjmp is well defined here.
#include "png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

// The skin never holds anything larger; limits keep hostile headers from
// asking for huge buffers.
constexpr png_uint_32 kMaxSide = 4096;
constexpr png_alloc_size_t kMaxChunkBytes = 1u << 20;

struct MemoryInput {
    const unsigned char *bytes;
    std::size_t size;
    std::size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto *input = static_cast<MemoryInput *>(png_get_io_ptr(png));
    if (length > input->size - input->offset)
        png_error(png, "read past end of data");
    std::memcpy(out, input->bytes + input->offset, length);
    input->offset += length;
}

[[noreturn]] void failQuietly(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool hasAlpha = false;
};

// Reads the header and sets up the conversion to 8-bit BGRA as QImage stores it.
bool readHeader(png_structp png, png_infop info, Header *header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    header->hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    if (!header->hasAlpha)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
#else
    if (header->hasAlpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
#endif
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == header->width * 4u;
}

bool readRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

} // namespace

QImage decodePng(const unsigned char *bytes, std::size_t size)
{
    if (!bytes || size < 8 || png_sig_cmp(bytes, 0, 8) != 0)
        return {};
    MemoryInput input{bytes, size, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    png_set_read_fn(png, &input, readFromMemory);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);

    Header header;
    QImage image;
    if (readHeader(png, info, &header)) {
        image = QImage(static_cast<int>(header.width), static_cast<int>(header.height),
                       header.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        std::vector<png_bytep> rows(header.height);
        for (png_uint_32 y = 0; y < header.height && !image.isNull(); ++y)
            rows[y] = image.scanLine(static_cast<int>(y));
        if (image.isNull() || !readRows(png, rows.data()))
            image = QImage();
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}
