// Names and geometry of the two windows and every control on them.
// Positions are pixels in the owning window's client area (PlaylistBox: in
// ListFrame). Each window's controls are listed in creation order, which is
// also their stacking order, the first created lying on top.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

enum class Window { None, MainWindow, PlaylistWindow };

enum class Control {
    None,
    LeftMeterView,
    RightMeterView,
    ButtonMp3,
    LabelMp3,
    ButtonFm,
    LabelFm,
    ButtonOpen,
    LabelOpen,
    ButtonPause,
    LabelPause,
    PowerButton,
    MinimizeButton,
    CloseButton,
    VolumeDigit0,
    VolumeDigit10 = VolumeDigit0 + 10,
    VolumeKnob0,
    VolumeKnob10 = VolumeKnob0 + 10,
    ListHeader,
    ListFrame,
    PlaylistBox,
    TickerView,
    LcdView,
    ProgressView,
    Count
};

constexpr Control VolumeDigit(int step) { return static_cast<Control>(static_cast<int>(Control::VolumeDigit0) + step); }
constexpr Control VolumeKnob(int step) { return static_cast<Control>(static_cast<int>(Control::VolumeKnob0) + step); }

struct PixelRect {
    int x, y, width, height;
};

struct Rgb {
    std::uint8_t red, green, blue;
};

// What an image control shows when it is created.
enum class InitialImage {
    None,
    LeftMeterCanvas,
    RightMeterCanvas,
    TickerCanvas,
    LcdCanvas,
    ProgressCanvas,
    KnobOfItsStep,
};

struct ImageControlLayout {
    Control control;
    PixelRect rect;
    InitialImage image;
};

constexpr int MainWindowWidth = 400;
constexpr int MainWindowHeight = 200;
constexpr int PlaylistWindowWidth = 400;
constexpr int PlaylistWindowStartHeight = 0;
constexpr int PanelDockOffset = 204;

// Where controls wait while they are out of use: off the window's client area.
constexpr int PushButtonParkedY = 1000;
constexpr int VolumeDigitParkedX = 1000;
constexpr int VolumeKnobParkedX = 2840;

constexpr std::array<int, 11> VolumeDigitY = {145, 121, 93, 63, 45, 38, 46, 67, 95, 123, 145};

constexpr std::array<ImageControlLayout, 35> MainWindowControls = [] {
    std::array<ImageControlLayout, 35> table{{
        {Control::LeftMeterView, {10, 10, 105, 61}, InitialImage::LeftMeterCanvas},
        {Control::RightMeterView, {120, 10, 105, 61}, InitialImage::RightMeterCanvas},
        {Control::ButtonMp3, {14, PushButtonParkedY, 50, 25}, InitialImage::None},
        {Control::LabelMp3, {25, 105, 26, 9}, InitialImage::None},
        {Control::ButtonFm, {66, PushButtonParkedY, 50, 25}, InitialImage::None},
        {Control::LabelFm, {79, 105, 26, 9}, InitialImage::None},
        {Control::ButtonOpen, {119, PushButtonParkedY, 50, 25}, InitialImage::None},
        {Control::LabelOpen, {127, 105, 26, 9}, InitialImage::None},
        {Control::ButtonPause, {172, PushButtonParkedY, 50, 25}, InitialImage::None},
        {Control::LabelPause, {178, 105, 26, 9}, InitialImage::None},
        {Control::PowerButton, {330, 0, 26, 13}, InitialImage::None},
        {Control::MinimizeButton, {348, 0, 26, 13}, InitialImage::None},
        {Control::CloseButton, {366, 0, 26, 13}, InitialImage::None},
    }};
    for (int step = 0; step <= 10; ++step) {
        table[13 + step] = {VolumeDigit(step), {VolumeDigitParkedX, VolumeDigitY[step], 11, 8}, InitialImage::None};
        table[24 + step] = {VolumeKnob(step), {VolumeKnobParkedX, 67, 80, 80}, InitialImage::KnobOfItsStep};
    }
    return table;
}();
static_assert(MainWindowControls.size() == 2 + 8 + 3 + 11 + 11);
static_assert(MainWindowControls[34].control == Control::VolumeKnob10);

constexpr PixelRect ListHeaderRect = {22, 90, 358, 15};
constexpr PixelRect ListFrameRect = {22, 106, 358, 254};
// Larger than ListFrame and shifted up-left, so that the list's edge and its
// scroll bars lie outside the frame's clip and the list shows flat.
constexpr PixelRect PlaylistBoxRect = {-2, -2, 385, 274};
constexpr int PlaylistBoxEdgeWidth = 2;

constexpr std::array<ImageControlLayout, 3> PlaylistWindowImageControls = {{
    {Control::TickerView, {64, 21, 273, 12}, InitialImage::TickerCanvas},
    {Control::LcdView, {24, 11, 352, 49}, InitialImage::LcdCanvas},
    {Control::ProgressView, {30, 68, 340, 2}, InitialImage::ProgressCanvas},
}};
static_assert(PlaylistWindowImageControls.size() == 3);

constexpr Rgb PanelBlack = {25, 25, 25};
constexpr Rgb ListHeaderTextColour = {102, 103, 103};
constexpr Rgb PlaylistTextColour = {95, 95, 95};

// The program's own texts, in code page 1251.
constexpr std::string_view MainWindowTitle = "\xCA\xEE\xF0\xE2\xE8\xED\xF2\xE0";         // Корвинта
constexpr std::string_view PlaylistWindowTitle = "\xCF\xEB\xE5\xE9\xEB\xE8\xF1\xF2";     // Плейлист
constexpr std::string_view ListHeaderStartText = "\xCD\xE0\xE7\xE2\xE0\xED\xE8\xE5";     // Название
