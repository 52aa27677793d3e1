// The skin art generator draws every skin image from code. Each image is a pure
// function of its parameters (no clock, no random source), so a build always
// produces the same pixels and therefore the same PNG bytes.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QRect>
#include <QRgb>

#include <array>
#include <cstdint>
#include <string_view>

namespace art {

// Colours the program's other parts rely on.
inline constexpr QRgb kPanelBlack = qRgb(25, 25, 25);
inline constexpr QRgb kLetteringGrey = qRgb(102, 103, 103);
inline constexpr QRgb kLitBlue = qRgb(0, 108, 255);
inline constexpr QRgb kIndicatorCyan = qRgb(0, 173, 238);
inline constexpr QRgb kIndicatorUnlit = qRgb(74, 77, 80);
// The shadow gap between the volume knob cap and its bezel. Every partly
// transparent rim pixel of a knob image carries this colour, so the knob
// composited over the printed gap leaves exactly the printed pixels.
inline constexpr QRgb kKnobGap = qRgb(9, 9, 10);

// Where the controls that show lit art stand on MainBackground.
struct LitRegion {
    QRect rect;
    std::string_view text;
};
inline constexpr std::array<LitRegion, 4> kLabelRegions{{
    {QRect(25, 105, 26, 9), "MP3"},
    {QRect(79, 105, 26, 9), "FM"},
    {QRect(127, 105, 35, 9), "OPEN"},
    {QRect(178, 105, 40, 9), "PAUSA"},
}};
inline constexpr std::array<LitRegion, 11> kDigitRegions{{
    {QRect(271, 145, 11, 8), "0"},
    {QRect(253, 121, 11, 8), "1"},
    {QRect(250, 93, 11, 8), "2"},
    {QRect(260, 63, 11, 8), "3"},
    {QRect(283, 45, 11, 8), "4"},
    {QRect(316, 38, 11, 8), "5"},
    {QRect(350, 46, 11, 8), "6"},
    {QRect(372, 67, 11, 8), "7"},
    {QRect(379, 95, 11, 8), "8"},
    {QRect(375, 123, 11, 8), "9"},
    {QRect(361, 145, 12, 8), "10"},
}};

inline constexpr QPoint kMeterWindowPositions[2] = {{10, 10}, {120, 10}};
inline constexpr QSize kMeterSize{105, 61};
inline constexpr QRect kMeterCapRegion{24, 40, 57, 21};
inline constexpr std::array<int, 4> kPushButtonXs{14, 66, 119, 172};
inline constexpr int kPushButtonY = 76;
inline constexpr QSize kPushButtonSize{50, 25};
inline constexpr QRect kKeyInButton{3, 3, 44, 19};
inline constexpr std::array<int, 3> kIndicatorBarXs{336, 354, 372};
inline constexpr int kIndicatorBarRow = 4;
inline constexpr int kIndicatorBarLength = 14;
inline constexpr QPoint kKnobPosition{284, 67};
inline constexpr int kKnobSide = 80;
inline constexpr double kKnobCapRadius = 38.6;
// Clockwise from straight up, where the indicator dot of each step points.
inline constexpr std::array<double, 11> kKnobDotDegrees{-136, -105, -79, -60, -38, -6,
                                                        25,   51,   81,  107, 137};
inline constexpr QRect kLcdRegion{24, 11, 352, 49};
inline constexpr QRect kTickerInLcd{40, 10, 273, 12};

// ---- procedural helpers (art_metal.cpp) ----
struct Rgbf {
    float r, g, b;
};
float hashUnit(uint32_t x, uint32_t y, uint32_t seed);
float brushedGrain(int x, int y, uint32_t seed);
QRgb toRgb(Rgbf c);
Rgbf mix(Rgbf a, Rgbf b, float t);
Rgbf scaled(Rgbf c, float k);
void fillBrushedMetal(QImage &image, const QRect &area, Rgbf base, float grainAmount, uint32_t seed);
// Tints the outer `width` rings of `outer`: top and left edges towards
// `topLeft`, bottom and right towards `bottomRight` (swap them for a recess).
void drawBevel(QImage &image, const QRect &outer, int width, Rgbf topLeft, Rgbf bottomRight, float strength);
void drawScrew(QImage &image, QPointF centre, double radius, double slotDegrees);
void fillRect(QImage &image, const QRect &area, QRgb colour);
void blendOver(QImage &target, const QImage &source, QPoint at);

// ---- lettering (art_lettering.cpp) ----
enum class PixelFont { Legend, Tiny };
int pixelTextWidth(std::string_view text, PixelFont font, int spacing);
void drawPixelText(QImage &image, int x, int y, std::string_view text, QRgb colour, PixelFont font,
                   int spacing);
void drawChromeText(QImage &image, const QRectF &box, const QString &text, const QString &family,
                    int pixelHeight);

void drawKey(QImage &image, QPoint topLeft, bool lit);
void drawSmallKnob(QImage &image, QPointF centre, double radius, double indicatorDegrees);
void drawKnobBezel(QImage &image, QPointF centre);

// ---- the images ----
QImage drawMeterFace(bool lit);
QImage drawKnob(int step, bool withDot);
QImage drawButtonGlow();
QImage drawTitleButtonGlow();
QImage drawMainBackground(const QImage &meterFaceLit, const QImage &printedCap);
QImage drawPlaylistBackground();
// The lit variant of a region of MainBackground: lettering grey becomes lit blue.
QImage litCopy(const QImage &mainBackground, const QRect &region);

} // namespace art
