// PNG encoding for the skin art: 8 bits per sample, no interlace, colour type 2
// for opaque images and 6 for images with alpha, fixed compression settings and
// no time or text chunks, so equal pixels always give equal bytes.
#pragma once

#include <QImage>

#include <vector>

std::vector<unsigned char> encodeSkinPng(const QImage &image);
