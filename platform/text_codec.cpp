#include "platform/text_codec.h"

#include <array>
#include <cstdint>

namespace {

// Code points of bytes 0x80 to 0xFF; 0x98 is unassigned in the code page.
constexpr std::array<char16_t, 128> Cp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};
static_assert(Cp1251High.size() == 128);

char16_t cp1251CodePoint(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return static_cast<char16_t>(0x0410 + (byte - 0xC0)); // А to я in alphabet order
    return Cp1251High[byte - 0x80];
}

} // namespace

QString decodeCp1251(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char byte : bytes)
        text.append(QChar(cp1251CodePoint(static_cast<unsigned char>(byte))));
    return text;
}

bool isValidUtf8(std::string_view bytes)
{
    size_t index = 0;
    while (index < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[index]);
        size_t trailing = 0;
        uint32_t codePoint = 0;
        uint32_t smallest = 0;
        if (lead < 0x80) {
            ++index;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1, codePoint = lead & 0x1Fu, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2, codePoint = lead & 0x0Fu, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3, codePoint = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - index - 1 < trailing)
            return false;
        for (size_t k = 1; k <= trailing; ++k) {
            const auto next = static_cast<unsigned char>(bytes[index + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        index += trailing + 1;
    }
    return true;
}

QString decodeScreenText(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decodeCp1251(bytes);
}
