// Shared by the player-spine tests: one set of windows per test process,
// driven through Qt's own input path (QWindow events, so that Qt itself
// detects double-clicks), and the UiEvents they produce.
#pragma once

#include <QPoint>
#include <QString>
#include <vector>

#include "app/ui_event.h"

class QWidget;
class QWindow;

extern bool toolkitStarted;

// LoadSkin and both windows, created once per process.
void createPlayerWindowsOnce();
// Both windows on screen, the panel at its full open height.
void showBothWindowsOpen();

QWidget *windowWidget(Window window);
QWindow *qtWindow(Window window);

// Lets Qt deliver what is pending, then takes every queued UiEvent except
// OtherEvents (and MouseMoves unless asked for).
std::vector<UiEvent> takeEvents(bool keepMouseMoves = false);

struct ExpectedEvent {
    EventKind kind;
    Window window;
    Control control = Control::None;
    ControlSubType subType = ControlSubType::None;
    friend bool operator==(const ExpectedEvent &, const ExpectedEvent &) = default;
};
std::vector<ExpectedEvent> summarise(const std::vector<UiEvent> &events);
std::string describe(const std::vector<ExpectedEvent> &events);

QPoint centreOf(PixelRect rect);
