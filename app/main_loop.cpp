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
#include "platform/toolkit.h"

UiEvent uiEvent;

namespace {

enum class SubTypeFilter { Any, ClickOnly };

struct Route {
    EventKind kind;
    Control control; // Control::None: any control
    SubTypeFilter subType;
    void (*handler)();
};

constexpr std::array<Route, 1> Routes = {{
    {EventKind::ControlEvent, Control::CloseButton, SubTypeFilter::Any, exitProgram},
}};
static_assert(Routes.size() == 1);

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
    routeEvent(uiEvent);
    if (uiEvent.kind == EventKind::CloseRequest)
        exitProgram();
}

void runMainLoop()
{
    for (;;)
        runLoopPass();
}
