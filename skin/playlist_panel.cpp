// The playlist drawer: PlaylistWindow hangs PanelDockOffset pixels below
// MainWindow and slides open and closed by changing its height in 6-pixel
// steps. During a slide the toolkit keeps painting, ticking and docking, but
// every event of ours that arrives is thrown away, so no handler runs until
// the slide is over. The drawer follows MainWindow's moves, never the reverse.
#include <optional>

#include "app/player_state.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"

namespace {

// Shown as far as the drawer's states go (open, sliding, or collapsed at height 0).
bool panelShown = false;
// While the drawer opens: where it belongs. Some window managers place a
// window anew each time it is mapped; the drawer keeps its own place instead.
std::optional<ScreenPoint> openingPlace;

void keepOpeningPlace()
{
    const PixelRect panel = windowGeometry(Window::PlaylistWindow);
    if (openingPlace && (panel.x != openingPlace->x || panel.y != openingPlace->y))
        moveWindow(Window::PlaylistWindow, openingPlace->x, openingPlace->y);
}

void setPanelHeightForStep(int height)
{
    resizeWindow(Window::PlaylistWindow, PlaylistWindowWidth, height);
    pumpPendingEventsDiscarding(SlideDrainedEventsPerStep);
    sleepMilliseconds(SlideStepWaitMs);
}

void lightOnly(const Lamp &lit)
{
    for (const Lamp &lamp : Lamps)
        if (lamp.label != lit.label)
            setControlImage(lamp.label, nullptr);
    setControlImage(lit.label, &skinImage(lit.litImage));
}

} // namespace

void SlidePanel()
{
    if (player.panelOpen == 1) {
        const PixelRect panel = windowGeometry(Window::PlaylistWindow);
        openingPlace = ScreenPoint{panel.x, panel.y};
        showWindow(Window::PlaylistWindow);
        panelShown = true;
        for (int height = 0; height <= PanelSlideTopHeight; height += SlideStepPixels) {
            setPanelHeightForStep(height);
            keepOpeningPlace();
        }
        openingPlace.reset();
        return;
    }
    for (int height = PanelSlideTopHeight; height >= 0; height -= SlideStepPixels)
        setPanelHeightForStep(height);
    hideWindow(Window::PlaylistWindow);
    panelShown = false;
    setControlImage(LampOpen.label, nullptr);
    handLampBackToMp3();
}

void retractPanelForPowerOff()
{
    for (int height = PowerOffSlideStartHeight; height >= 0; height -= SlideStepPixels)
        setPanelHeightForStep(height);
}

void handLampBackToMp3()
{
    setControlImage(LampMp3.label, player.trackLit == 1 ? &skinImage(LampMp3.litImage) : nullptr);
}

void DockPanel()
{
    const PixelRect main = windowGeometry(Window::MainWindow);
    moveWindow(Window::PlaylistWindow, main.x, main.y + PanelDockOffset);
    if (openingPlace)
        openingPlace = ScreenPoint{main.x, main.y + PanelDockOffset};
}

// Window managers keep part of a window on screen however far it is moved, so
// the drawer cannot follow MainWindow off screen: it leaves by being hidden.
void FollowMainWindowMinimized(bool minimized)
{
    if (!panelShown)
        return;
    if (minimized) {
        hideWindow(Window::PlaylistWindow);
        return;
    }
    DockPanel();
    showWindow(Window::PlaylistWindow);
}

void OnOpenClick()
{
    lightOnly(LampOpen);
    player.panelOpen = 1 - player.panelOpen;
    SlidePanel();
}

void OnFmClick()
{
    lightOnly(LampFm);
}

void OnRightButtonUp()
{
    if (player.powerOn != 1)
        return;
    player.panelOpen = 1 - player.panelOpen;
    SlidePanel();
}
