// How a pass works: the Qt adapter queues one UiEvent for each thing that
// happened (platform/toolkit.h). A pass takes the next one, samples the
// cursor against MainWindow, routes the event through the table below to at
// most one handler, and finally leaves the program if the event was a close
// request. The display timer queues an OtherEvent on every tick, so a pass
// runs at least every 35 ms. Each subsystem adds its own rows and per-pass
// steps as its handlers come into being.
#include "app/main_loop.h"

#include <array>

#include "app/exit_program.h"
#include "app/player_settings.h"
#include "platform/toolkit.h"
#include "playback/media_remote.h"
#include "playback/playback.h"
#include "skin/front_panel.h"

UiEvent uiEvent;

namespace {

enum class SubTypeFilter { Any, ClickOnly };

struct Route {
    EventKind kind;
    Control control; // Control::None: any control
    SubTypeFilter subType;
    void (*handler)();
};

template <int Step>
void OnVolumeDigitStep()
{
    OnVolumeDigitClick(Step);
}

constexpr std::array<Route, 6 + 5 + 11> Routes = {{
    {EventKind::FilesDropped, Control::None, SubTypeFilter::Any, OnFilesDropped},
    {EventKind::LeftDoubleClick, Control::PlaylistBox, SubTypeFilter::Any, OnPlaylistDoubleClick},
    {EventKind::ControlEvent, Control::ButtonMp3, SubTypeFilter::ClickOnly, OnMp3Click},
    {EventKind::ControlEvent, Control::ButtonPause, SubTypeFilter::Any, OnPauseClick},
    {EventKind::ControlEvent, Control::CloseButton, SubTypeFilter::Any, OnCloseClick},
    {EventKind::ControlEvent, Control::ProgressView, SubTypeFilter::Any, OnProgressClick},
    {EventKind::RightRelease, Control::None, SubTypeFilter::Any, OnRightButtonUp},
    {EventKind::ControlEvent, Control::ButtonFm, SubTypeFilter::Any, OnFmClick},
    {EventKind::ControlEvent, Control::ButtonOpen, SubTypeFilter::Any, OnOpenClick},
    {EventKind::ControlEvent, Control::PowerButton, SubTypeFilter::ClickOnly, OnPowerClick},
    {EventKind::ControlEvent, Control::MinimizeButton, SubTypeFilter::ClickOnly, OnMinimizeClick},
    {EventKind::ControlEvent, VolumeDigit(0), SubTypeFilter::Any, OnVolumeDigitStep<0>},
    {EventKind::ControlEvent, VolumeDigit(1), SubTypeFilter::Any, OnVolumeDigitStep<1>},
    {EventKind::ControlEvent, VolumeDigit(2), SubTypeFilter::Any, OnVolumeDigitStep<2>},
    {EventKind::ControlEvent, VolumeDigit(3), SubTypeFilter::Any, OnVolumeDigitStep<3>},
    {EventKind::ControlEvent, VolumeDigit(4), SubTypeFilter::Any, OnVolumeDigitStep<4>},
    {EventKind::ControlEvent, VolumeDigit(5), SubTypeFilter::Any, OnVolumeDigitStep<5>},
    {EventKind::ControlEvent, VolumeDigit(6), SubTypeFilter::Any, OnVolumeDigitStep<6>},
    {EventKind::ControlEvent, VolumeDigit(7), SubTypeFilter::Any, OnVolumeDigitStep<7>},
    {EventKind::ControlEvent, VolumeDigit(8), SubTypeFilter::Any, OnVolumeDigitStep<8>},
    {EventKind::ControlEvent, VolumeDigit(9), SubTypeFilter::Any, OnVolumeDigitStep<9>},
    {EventKind::ControlEvent, VolumeDigit(10), SubTypeFilter::Any, OnVolumeDigitStep<10>},
}};
static_assert(Routes.size() == 6 + 5 + 11);

bool routeApplies(const Route &route, const UiEvent &event)
{
    if (route.kind != event.kind)
        return false;
    if (route.control != Control::None && route.control != event.control)
        return false;
    return route.subType == SubTypeFilter::Any || event.subType == ControlSubType::Click;
}

void routeEvent(const UiEvent &event)
{
    for (const Route &route : Routes) {
        if (routeApplies(route, event)) {
            route.handler();
            return;
        }
    }
}

// The cursor relative to MainWindow's client area; -1, -1 anywhere else.
void sampleMousePosition(UiEvent &event)
{
    event.mouseX = -1;
    event.mouseY = -1;
    const std::optional<PixelRect> client = windowClientOnScreen(Window::MainWindow);
    if (!client)
        return;
    const ScreenPoint cursor = cursorScreenPosition();
    const int x = cursor.x - client->x;
    const int y = cursor.y - client->y;
    if (x >= 0 && x < MainWindowWidth && y >= 0 && y < MainWindowHeight) {
        event.mouseX = x;
        event.mouseY = y;
    }
}

} // namespace

void runLoopPass()
{
    uiEvent = waitForUiEvent();
    sampleMousePosition(uiEvent);
    if (uiEvent.kind == EventKind::LeftPress)
        OnLeftButtonDown(uiEvent.window);
    UpdateTitleButtonGlow(uiEvent.mouseX, uiEvent.mouseY);
    checkAutoAdvance();
    routeEvent(uiEvent);
    UpdatePushButtonGlow(uiEvent.kind);
    UpdateHandCursor(uiEvent.kind);
    runMediaRequests();
    if (uiEvent.kind == EventKind::CloseRequest)
        exitProgram();
}

void runMainLoop()
{
    for (;;)
        runLoopPass();
}
