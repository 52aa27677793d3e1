// The power switch arms and disarms the front panel by moving controls onto
// or off MainWindow; the volume selector moves the knob of the chosen step
// into place and lights its figure. Both work on `player` and the controls.
#include <algorithm>
#include <cmath>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"

namespace {

constexpr int DarkFaceHidden = 1000;
constexpr int DarkFaceCovering = 0;
constexpr int NeedleRestPowerOn = 5;
constexpr int NeedleRestPowerOff = 3;

// The single-precision float nearest to step / 10.
float volumeOfStep(int step)
{
    return static_cast<float>(step / 10.0);
}

// The step whose volume lies nearest to `volume`, so that knob, figure and sound agree.
int stepNearestVolume(float volume)
{
    if (!std::isfinite(volume))
        return 5;
    return static_cast<int>(std::clamp(std::lround(volume * 10.0), 0L, 10L));
}

void setNeedleRest(int32_t rest)
{
    player.leftNeedleX = rest;
    player.leftNeedleLift = rest;
    player.rightNeedleX = rest;
    player.rightNeedleLift = rest;
}

void movePushButtonsTo(int y)
{
    for (Control button : PushButtons)
        moveControl(button, controlGeometry(button).x, y);
}

void PowerOn()
{
    player.darkFaceOffset = DarkFaceHidden;
    setNeedleRest(NeedleRestPowerOn);
    movePushButtonsTo(PushButtonShownY);
    for (int step = 0; step < VolumeStepCount; ++step)
        moveControl(VolumeDigit(step), VolumeDigitShownX[static_cast<size_t>(step)],
                    VolumeDigitY[static_cast<size_t>(step)]);
    SetVolumeStep(stepNearestVolume(player.volume));
}

void PowerOff()
{
    player.autoAdvance = 0;
    player.darkFaceOffset = DarkFaceCovering;
    setNeedleRest(NeedleRestPowerOff);
    movePushButtonsTo(PushButtonParkedY);
    for (int step = 0; step < VolumeStepCount; ++step)
        moveControl(VolumeDigit(step), VolumeDigitParkedX, VolumeDigitY[static_cast<size_t>(step)]);
    if (player.panelOpen == 1)
        retractPanelForPowerOff();
    player.panelOpen = 0;
    for (const Lamp &lamp : Lamps)
        setControlImage(lamp.label, nullptr);
    BASS_ChannelStop(player.stream);
}

} // namespace

void OnPowerClick()
{
    player.powerOn = 1 - player.powerOn;
    if (player.powerOn == 1)
        PowerOn();
    else
        PowerOff();
}

void OnMinimizeClick()
{
    minimizeWindow(Window::MainWindow);
}

void OnVolumeDigitClick(int step)
{
    if (step < 0 || step >= VolumeStepCount)
        return;
    player.volume = volumeOfStep(step);
    SetVolumeStep(step);
}

void SetVolumeStep(int step)
{
    if (step < 0 || step >= VolumeStepCount)
        return;
    BASS_ChannelSetAttribute(player.stream, BASS_ATTRIB_VOL, player.volume);
    for (int knob = 0; knob < VolumeStepCount; ++knob)
        moveControl(VolumeKnob(knob), VolumeKnobParkedX, controlGeometry(VolumeKnob(knob)).y);
    moveControl(VolumeKnob(step), VolumeKnobShownX, controlGeometry(VolumeKnob(step)).y);
    for (int digit = 0; digit < VolumeStepCount; ++digit)
        setControlImage(VolumeDigit(digit), nullptr);
    setControlImage(VolumeDigit(step), &DigitLit(step));
}
