// What the rest of the player relies on about each skin image, written out
// independently of the art generator's own tables.
#pragma once

#include "skin.h"

#include <QRect>
#include <QRgb>

#include <array>

inline constexpr QRgb kPanelBlack = qRgb(25, 25, 25);
inline constexpr QRgb kLetteringGrey = qRgb(102, 103, 103);
inline constexpr QRgb kLitBlue = qRgb(0, 108, 255);
inline constexpr QRgb kIndicatorCyan = qRgb(0, 173, 238);

struct ExpectedImage {
    SkinImage name;
    int width;
    int height;
    bool alpha;
};

inline constexpr std::array<ExpectedImage, 35> kExpectedImages{{
    {SkinImage::MeterFaceLit, 105, 61, false},   {SkinImage::MeterCap, 57, 21, false},
    {SkinImage::MainBackground, 400, 200, false}, {SkinImage::ButtonGlow, 50, 25, true},
    {SkinImage::LabelMp3Lit, 26, 9, false},       {SkinImage::LabelFmLit, 26, 9, false},
    {SkinImage::LabelOpenLit, 35, 9, false},      {SkinImage::LabelPauseLit, 40, 9, false},
    {SkinImage::TitleButtonGlow, 26, 13, true},   {SkinImage::MeterFaceDark, 105, 61, false},
    {SkinImage(int(SkinImage::DigitLit0) + 0), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 1), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 2), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 3), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 4), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 5), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 6), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 7), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 8), 11, 8, false},
    {SkinImage(int(SkinImage::DigitLit0) + 9), 11, 8, false},
    {SkinImage::DigitLit10, 12, 8, false},
    {SkinImage(int(SkinImage::KnobImage0) + 0), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 1), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 2), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 3), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 4), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 5), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 6), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 7), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 8), 80, 80, true},
    {SkinImage(int(SkinImage::KnobImage0) + 9), 80, 80, true},
    {SkinImage::KnobImage10, 80, 80, true},
    {SkinImage::PlaylistBackground, 400, 400, false},
    {SkinImage::LcdBackground, 352, 49, false},
    {SkinImage::TickerBackground, 273, 12, false},
}};

// Lit images and the shown position of the control that carries each.
struct LitPlacement {
    const char *what;
    SkinImage image;
    QPoint at;
};
inline constexpr std::array<LitPlacement, 15> kLitPlacements{{
    {"LabelMp3Lit", SkinImage::LabelMp3Lit, {25, 105}},
    {"LabelFmLit", SkinImage::LabelFmLit, {79, 105}},
    {"LabelOpenLit", SkinImage::LabelOpenLit, {127, 105}},
    {"LabelPauseLit", SkinImage::LabelPauseLit, {178, 105}},
    {"DigitLit0", SkinImage(int(SkinImage::DigitLit0) + 0), {271, 145}},
    {"DigitLit1", SkinImage(int(SkinImage::DigitLit0) + 1), {253, 121}},
    {"DigitLit2", SkinImage(int(SkinImage::DigitLit0) + 2), {250, 93}},
    {"DigitLit3", SkinImage(int(SkinImage::DigitLit0) + 3), {260, 63}},
    {"DigitLit4", SkinImage(int(SkinImage::DigitLit0) + 4), {283, 45}},
    {"DigitLit5", SkinImage(int(SkinImage::DigitLit0) + 5), {316, 38}},
    {"DigitLit6", SkinImage(int(SkinImage::DigitLit0) + 6), {350, 46}},
    {"DigitLit7", SkinImage(int(SkinImage::DigitLit0) + 7), {372, 67}},
    {"DigitLit8", SkinImage(int(SkinImage::DigitLit0) + 8), {379, 95}},
    {"DigitLit9", SkinImage(int(SkinImage::DigitLit0) + 9), {375, 123}},
    {"DigitLit10", SkinImage::DigitLit10, {361, 145}},
}};

inline constexpr QPoint kKnobAt{284, 67};
inline constexpr std::array<double, 11> kKnobDotDegrees{-136, -105, -79, -60, -38, -6, 25, 51, 81, 107, 137};

inline QRgb rgbOnly(QRgb pixel)
{
    return pixel & 0xffffffu;
}
