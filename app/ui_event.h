// What the main loop records about one event: filled at the start of a pass
// and valid for that pass only.
#pragma once

#include <string>

#include "skin/layout.h"

enum class EventKind {
    LeftPress,
    LeftDoubleClick,
    RightRelease,
    MouseMove,
    ControlEvent,
    FilesDropped,
    CloseRequest,
    OtherEvent,
};

enum class ControlSubType { None, Click, RightClick, DoubleClick, RightDoubleClick, DragStart };

struct UiEvent {
    EventKind kind = EventKind::OtherEvent;
    Window window = Window::None;
    Control control = Control::None;
    ControlSubType subType = ControlSubType::None;
    int mouseX = -1;
    int mouseY = -1;
    // Dropped paths as the file system spells them, joined by line feeds.
    std::string droppedText;
};
