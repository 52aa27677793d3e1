#include "app/tests/spine_test_support.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <sstream>

#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "app/startup.h"

bool toolkitStarted = false;

void createPlayerWindowsOnce()
{
    static bool created = false;
    if (created)
        return;
    created = true;
    createPlayerObjects();
}

void showBothWindowsOpen()
{
    showWindow(Window::MainWindow);
    showWindow(Window::PlaylistWindow);
    resizeWindow(Window::PlaylistWindow, PlaylistWindowWidth, 396);
    QApplication::processEvents();
    takeEvents();
}

QWidget *windowWidget(Window window)
{
    const QString title = decodeCp1251(window == Window::MainWindow ? MainWindowTitle : PlaylistWindowTitle);
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->windowTitle() == title)
            return widget;
    return nullptr;
}

QWindow *qtWindow(Window window)
{
    QWidget *widget = windowWidget(window);
    return widget ? widget->windowHandle() : nullptr;
}

std::vector<UiEvent> takeEvents(bool keepMouseMoves)
{
    QApplication::processEvents();
    std::vector<UiEvent> events;
    while (std::optional<UiEvent> event = takePendingUiEvent()) {
        if (event->kind == EventKind::OtherEvent || (event->kind == EventKind::MouseMove && !keepMouseMoves))
            continue;
        events.push_back(*event);
    }
    return events;
}

std::vector<ExpectedEvent> summarise(const std::vector<UiEvent> &events)
{
    std::vector<ExpectedEvent> summary;
    for (const UiEvent &event : events)
        summary.push_back({event.kind, event.window, event.control, event.subType});
    return summary;
}

std::string describe(const std::vector<ExpectedEvent> &events)
{
    std::ostringstream text;
    for (const ExpectedEvent &event : events)
        text << "{kind " << static_cast<int>(event.kind) << ", window " << static_cast<int>(event.window)
             << ", control " << static_cast<int>(event.control) << ", subType " << static_cast<int>(event.subType)
             << "} ";
    return text.str();
}

QPoint centreOf(PixelRect rect)
{
    return QPoint(rect.x + rect.width / 2, rect.y + rect.height / 2);
}
