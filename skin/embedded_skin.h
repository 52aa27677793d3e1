// The skin's PNG files as built into the executable. The bytes are generated
// at build time by the skin art tool, in the order of SkinImage.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

struct EmbeddedPng {
    const unsigned char *bytes;
    std::size_t size;
};

inline constexpr std::size_t kSkinImageCount = 35;

extern const std::array<EmbeddedPng, kSkinImageCount> embeddedSkinPngs;

// The images' names in decode order, as used for file names by the art tools.
inline constexpr std::array<std::string_view, kSkinImageCount> skinImageNames{
    "MeterFaceLit",  "MeterCap",      "MainBackground", "ButtonGlow",     "LabelMp3Lit",
    "LabelFmLit",    "LabelOpenLit",  "LabelPauseLit",  "TitleButtonGlow", "MeterFaceDark",
    "DigitLit0",     "DigitLit1",     "DigitLit2",      "DigitLit3",      "DigitLit4",
    "DigitLit5",     "DigitLit6",     "DigitLit7",      "DigitLit8",      "DigitLit9",
    "DigitLit10",    "KnobImage0",    "KnobImage1",     "KnobImage2",     "KnobImage3",
    "KnobImage4",    "KnobImage5",    "KnobImage6",     "KnobImage7",     "KnobImage8",
    "KnobImage9",    "KnobImage10",   "PlaylistBackground", "LcdBackground", "TickerBackground",
};
