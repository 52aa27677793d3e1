// The in-memory PNG reader against the real embedded skin files, against Qt's
// own PNG reader as a second opinion, and against broken and hostile input.
#include "embedded_skin.h"
#include "png_reader.h"
#include "skin_expectations.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes embeddedBytes(SkinImage name)
{
    const EmbeddedPng &png = embeddedSkinPngs[static_cast<std::size_t>(name)];
    return Bytes(png.bytes, png.bytes + png.size);
}

uint32_t readBigEndian(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void writeBigEndian(unsigned char *p, uint32_t value)
{
    p[0] = static_cast<unsigned char>(value >> 24);
    p[1] = static_cast<unsigned char>(value >> 16);
    p[2] = static_cast<unsigned char>(value >> 8);
    p[3] = static_cast<unsigned char>(value);
}

struct Chunk {
    std::string type;
    std::size_t offset; // of the chunk's length field
    uint32_t length;
};

std::vector<Chunk> chunksOf(const Bytes &png)
{
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = readBigEndian(&png[at]);
        chunks.push_back({std::string(reinterpret_cast<const char *>(&png[at + 4]), 4), at, length});
        at += 12 + std::size_t(length);
    }
    return chunks;
}

void fixChunkCrc(Bytes &png, const Chunk &chunk)
{
    const uLong crc = crc32(0, &png[chunk.offset + 4], chunk.length + 4);
    writeBigEndian(&png[chunk.offset + 8 + chunk.length], static_cast<uint32_t>(crc));
}

QImage decode(const Bytes &bytes)
{
    return decodePng(bytes.data(), bytes.size());
}

TEST(PngReader, EveryEmbeddedImageHasTheRequiredHeaderAndOnlyImageChunks)
{
    for (const ExpectedImage &expected : kExpectedImages) {
        const Bytes png = embeddedBytes(expected.name);
        SCOPED_TRACE(std::string(skinImageNames[static_cast<std::size_t>(expected.name)]));
        ASSERT_GT(png.size(), 33u);
        const auto chunks = chunksOf(png);
        ASSERT_FALSE(chunks.empty());
        ASSERT_EQ(chunks.front().type, "IHDR");
        const unsigned char *ihdr = &png[chunks.front().offset + 8];
        EXPECT_EQ(readBigEndian(ihdr), uint32_t(expected.width));
        EXPECT_EQ(readBigEndian(ihdr + 4), uint32_t(expected.height));
        EXPECT_EQ(ihdr[8], 8) << "bit depth";
        EXPECT_EQ(ihdr[9], expected.alpha ? 6 : 2) << "colour type";
        EXPECT_EQ(ihdr[12], 0) << "interlace";
        for (const Chunk &chunk : chunks)
            EXPECT_TRUE(chunk.type == "IHDR" || chunk.type == "IDAT" || chunk.type == "IEND") << chunk.type;
        EXPECT_EQ(chunks.back().type, "IEND");
    }
}

TEST(PngReader, DecodesEveryEmbeddedImageExactlyAsQtsReaderDoes)
{
    for (const ExpectedImage &expected : kExpectedImages) {
        const Bytes png = embeddedBytes(expected.name);
        SCOPED_TRACE(std::string(skinImageNames[static_cast<std::size_t>(expected.name)]));
        const QImage ours = decode(png);
        ASSERT_FALSE(ours.isNull());
        EXPECT_EQ(ours.format(), expected.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const QImage qts = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG").convertToFormat(ours.format());
        ASSERT_EQ(qts.size(), ours.size());
        EXPECT_TRUE(qts == ours);
    }
}

TEST(PngReader, ConvertsOtherPngKindsToo)
{
    QImage source(23, 7, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgba(x * 11, y * 36, (x * y) % 256, x * 11));
    const QImage kinds[] = {source.convertToFormat(QImage::Format_Grayscale8),
                            source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
                            source.convertToFormat(QImage::Format_RGBA64), source};
    for (const QImage &kind : kinds) {
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(kind.save(&buffer, "PNG"));
        const auto *bytes = reinterpret_cast<const unsigned char *>(encoded.constData());
        const QImage ours = decodePng(bytes, static_cast<std::size_t>(encoded.size()));
        ASSERT_FALSE(ours.isNull()) << kind.format();
        const QImage qts = QImage::fromData(encoded, "PNG").convertToFormat(ours.format());
        EXPECT_TRUE(qts == ours) << kind.format();
    }
}

TEST(PngReader, BrokenInputGivesANullImage)
{
    const Bytes good = embeddedBytes(SkinImage::MeterCap);
    ASSERT_FALSE(decode(good).isNull());
    const auto chunks = chunksOf(good);
    const Chunk &ihdr = chunks.front();
    const Chunk &idat = chunks.at(1);
    ASSERT_EQ(idat.type, "IDAT");

    struct Case {
        const char *what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"garbage", Bytes(300, 0x5a)});
    for (std::size_t cut : {std::size_t(8), std::size_t(20), std::size_t(33), idat.offset + 20, good.size() / 2,
                            good.size() - 13, good.size() - 1})
        cases.push_back({"truncated", Bytes(good.begin(), good.begin() + static_cast<long>(cut))});
    Bytes badIhdrCrc = good;
    badIhdrCrc[ihdr.offset + 8 + 9] ^= 0x04;
    cases.push_back({"IHDR changed without its CRC", badIhdrCrc});
    Bytes badCompressed = good;
    for (uint32_t i = 2; i < idat.length; i += 7)
        badCompressed[idat.offset + 8 + i] ^= 0xa5;
    fixChunkCrc(badCompressed, idat);
    cases.push_back({"corrupt compressed data", badCompressed});
    Bytes huge = good;
    writeBigEndian(&huge[ihdr.offset + 8], 1u << 20);
    writeBigEndian(&huge[ihdr.offset + 12], 1u << 20);
    fixChunkCrc(huge, ihdr);
    cases.push_back({"huge dimensions", huge});
    Bytes zeroWidth = good;
    writeBigEndian(&zeroWidth[ihdr.offset + 8], 0);
    fixChunkCrc(zeroWidth, ihdr);
    cases.push_back({"zero width", zeroWidth});
    Bytes badDepth = good;
    badDepth[ihdr.offset + 8 + 8] = 7;
    fixChunkCrc(badDepth, ihdr);
    cases.push_back({"impossible bit depth", badDepth});

    for (const Case &c : cases) {
        // An exact-size heap copy, so a read past the end would be caught by ASan.
        const Bytes exact(c.bytes);
        EXPECT_TRUE(decode(exact).isNull()) << c.what;
    }
    EXPECT_TRUE(decodePng(nullptr, 100).isNull());
}

} // namespace
