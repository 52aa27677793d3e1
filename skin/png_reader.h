// Decodes a PNG held in memory with libpng. Never reads outside the given
// bytes; anything it cannot decode (truncated, corrupt, oversized) gives a null
// image. Opaque results are Format_RGB32, results with alpha Format_ARGB32
// with the PNG's straight alpha.
#pragma once

#include <QImage>

#include <cstddef>

QImage decodePng(const unsigned char *bytes, std::size_t size);
