// Where the front panel's controls stand when in use, the title strip's hot
// zones, the controls that take the hand cursor, and the drawer's slide
// geometry. The parking places and window sizes are in skin/layout.h.
#pragma once

#include <array>

#include "skin/layout.h"
#include "skin/skin.h"

constexpr int PushButtonShownY = 76;
constexpr int VolumeKnobShownX = 284;
constexpr int VolumeStepCount = 11;

// Each over the dim figure of its step printed on MainBackground.
constexpr std::array<int, VolumeStepCount> VolumeDigitShownX = {271, 253, 250, 260, 283, 316,
                                                                350, 372, 379, 375, 361};
static_assert(VolumeDigitShownX.size() == VolumeDigitY.size());

constexpr std::array<Control, 4> PushButtons = {Control::ButtonMp3, Control::ButtonFm, Control::ButtonOpen,
                                                Control::ButtonPause};
static_assert(PushButtons.size() == 4);

// The printed indicator bars of the title strip, both bounds included.
struct HotZone {
    Control control;
    int xFrom, xTo, yFrom, yTo;
};
constexpr std::array<HotZone, 3> TitleButtonHotZones = {{
    {Control::PowerButton, 336, 348, 1, 6},
    {Control::MinimizeButton, 354, 366, 1, 6},
    {Control::CloseButton, 371, 386, 3, 6},
}};
static_assert(TitleButtonHotZones.size() == 3);

constexpr std::array<Control, 16> HandCursorControls = [] {
    std::array<Control, 16> table{Control::ButtonMp3, Control::ButtonFm, Control::ButtonOpen, Control::ButtonPause,
                                  Control::ProgressView};
    for (int step = 0; step < VolumeStepCount; ++step)
        table[static_cast<size_t>(5 + step)] = VolumeDigit(step);
    return table;
}();
static_assert(HandCursorControls.size() == 4 + 1 + VolumeStepCount);

struct Lamp {
    Control label;
    SkinImage litImage;
};
constexpr Lamp LampMp3 = {Control::LabelMp3, SkinImage::LabelMp3Lit};
constexpr Lamp LampFm = {Control::LabelFm, SkinImage::LabelFmLit};
constexpr Lamp LampOpen = {Control::LabelOpen, SkinImage::LabelOpenLit};
constexpr Lamp LampPause = {Control::LabelPause, SkinImage::LabelPauseLit};
constexpr std::array<Lamp, 4> Lamps = {LampMp3, LampFm, LampOpen, LampPause};
static_assert(Lamps.size() == 4);

// The drawer moves 6 pixels per step; the opening and closing slides take 67
// steps each, the power switch's retraction 65.
constexpr int SlideStepPixels = 6;
constexpr int SlideStepWaitMs = 8;
constexpr int SlideDrainedEventsPerStep = 10;
constexpr int PanelOpenHeight = 396;
constexpr int PanelSlideTopHeight = 400;
constexpr int PanelClosedHeight = 4;
constexpr int PowerOffSlideStartHeight = 384;
constexpr int SlideStepCount = PanelSlideTopHeight / SlideStepPixels + 1;
constexpr int PowerOffSlideStepCount = PowerOffSlideStartHeight / SlideStepPixels + 1;
static_assert(SlideStepCount == 67 && (SlideStepCount - 1) * SlideStepPixels == PanelOpenHeight);
static_assert(PanelSlideTopHeight - (SlideStepCount - 1) * SlideStepPixels == PanelClosedHeight);
static_assert(PowerOffSlideStepCount == 65);
