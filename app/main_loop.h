// The main event loop: one UiEvent per pass, then the fixed steps of a pass.
#pragma once

#include "app/ui_event.h"

// The event of the current pass, for the handlers (they take no arguments).
extern UiEvent uiEvent;

// One pass: wait for the next event, record it, route it, and end the
// program after a close request.
void runLoopPass();
[[noreturn]] void runMainLoop();
