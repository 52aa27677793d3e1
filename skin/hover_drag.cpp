// Feedback a real front panel gives by itself: title-strip bars that light
// under the pointer, push buttons that glow while hovered, the hand cursor
// over what acts when clicked, and dragging a window by its own surface.
// The title strip is judged from the pass's sampled position on every pass;
// the push buttons and the hand only on pointer moves.
#include <algorithm>

#include "app/player_state.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"

namespace {

bool insideZone(const HotZone &zone, int mouseX, int mouseY)
{
    return mouseX >= zone.xFrom && mouseX <= zone.xTo && mouseY >= zone.yFrom && mouseY <= zone.yTo;
}

bool isPlaylistWindowControl(Control control)
{
    return control >= Control::ListHeader && control <= Control::ProgressView;
}

struct HoverFlag {
    Control button;
    int32_t PlayerState::*flag;
};
constexpr std::array<HoverFlag, 4> PushButtonHoverFlags = {{
    {Control::ButtonMp3, &PlayerState::hoverMp3},
    {Control::ButtonFm, &PlayerState::hoverFm},
    {Control::ButtonOpen, &PlayerState::hoverOpen},
    {Control::ButtonPause, &PlayerState::hoverPause},
}};
static_assert(PushButtonHoverFlags.size() == PushButtons.size());

} // namespace

void OnLeftButtonDown(Window window)
{
    if (window == Window::MainWindow)
        startWindowDrag(Window::MainWindow);
    if (window == Window::PlaylistWindow)
        startWindowDrag(Window::PlaylistWindow);
}

void UpdateTitleButtonGlow(int mouseX, int mouseY)
{
    for (const HotZone &zone : TitleButtonHotZones) {
        if (insideZone(zone, mouseX, mouseY)) {
            setHandCursor();
            setControlImage(zone.control, &skinImage(SkinImage::TitleButtonGlow));
        } else {
            setControlImage(zone.control, nullptr);
        }
    }
}

void UpdatePushButtonGlow(EventKind kind)
{
    if (kind != EventKind::MouseMove)
        return;
    for (const HoverFlag &hover : PushButtonHoverFlags) {
        int32_t &flag = player.*hover.flag;
        if (PointerOverControl(hover.button)) {
            flag = 1;
            setControlImage(hover.button, &skinImage(SkinImage::ButtonGlow));
        } else if (flag == 1) {
            flag = 0;
            setControlImage(hover.button, nullptr);
        }
    }
}

void UpdateHandCursor(EventKind kind)
{
    if (kind != EventKind::MouseMove)
        return;
    const bool overAny = std::any_of(HandCursorControls.begin(), HandCursorControls.end(),
                                     PointerOverControl);
    if (overAny)
        setHandCursor();
}

// Left and top edges belong to the control, right and bottom ones do not. Only
// the part inside its window's client area counts: a parked control lies off
// the window, and must not answer where another window happens to be.
bool PointerOverControl(Control control)
{
    const std::optional<PixelRect> rect = controlScreenRect(control);
    const std::optional<PixelRect> client =
        windowClientOnScreen(isPlaylistWindowControl(control) ? Window::PlaylistWindow : Window::MainWindow);
    if (!rect || !client)
        return false;
    const ScreenPoint pointer = cursorScreenPosition();
    const bool overControl = pointer.x >= rect->x && pointer.x < rect->x + rect->width && pointer.y >= rect->y &&
                             pointer.y < rect->y + rect->height;
    const bool overClient = pointer.x >= client->x && pointer.x < client->x + client->width &&
                            pointer.y >= client->y && pointer.y < client->y + client->height;
    return overControl && overClient;
}
