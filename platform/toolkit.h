// What the Qt adapter offers the rest of the player. Only platform/ includes
// Qt Widgets; everything else works through these procedures, addressing
// windows and controls by name.
//
// The adapter turns Qt's events into UiEvents and queues them: Qt's event
// handlers only translate and forward. The main loop takes them one at a time
// with waitForUiEvent. Every adapter procedure accepts a window or control
// that was never created and then does nothing (or answers "nothing").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/ui_event.h"
#include "skin/layout.h"

class QFont;
class QImage;

struct ScreenPoint {
    int x, y;
};

struct ScreenSize {
    int width, height;
};

// Qt on its X11 platform (unless QT_QPA_PLATFORM chose another), the
// application object, and the facilities the player uses. Only the first call acts.
void startToolkit(int &argc, char **argv);
ScreenSize primaryScreenSize();

// A frameless top-level window, created hidden. Returns false if it could not be made.
bool createWindow(Window window, PixelRect clientRect, std::string_view titleCp1251, const QImage &background);
void showWindow(Window window);
void hideWindow(Window window);
void minimizeWindow(Window window);
void moveWindow(Window window, int x, int y);
// Height 0 is kept as the window's height and shows nothing: X cannot map it.
void resizeWindow(Window window, int width, int height);
// Screen position and size of the client area, nothing if the window is not on screen.
std::optional<PixelRect> windowClientOnScreen(Window window);
PixelRect windowGeometry(Window window);
void acceptDrops(Window window);
// Runs the hook whenever the window reports it has moved, while Qt dispatches that report.
void setWindowMovedHook(Window window, void (*hook)());
// Runs the hook when the window becomes minimised (true) or leaves that state (false).
void setWindowMinimizedHook(Window window, void (*hook)(bool minimized));
// The system's interactive move, as a press on a title bar would start it.
void startWindowDrag(Window window);
void *nativeWindowHandle(Window window);

// Image controls: show one image or none; the image is not copied and must
// outlive its use. Setting an image resizes the control to it.
void createImageControl(Window window, Control control, PixelRect rect, const QImage *image);
void setControlImage(Control control, const QImage *image);
void moveControl(Control control, int x, int y);
std::optional<PixelRect> controlScreenRect(Control control);
PixelRect controlGeometry(Control control);

// A centred text that takes no clicks.
void createTextLabel(Window window, Control control, PixelRect rect, std::string_view text, const QFont &font,
                     Rgb textColour, Rgb backgroundColour);
void setLabelText(Control control, std::string_view text);

// A borderless clipping frame with a single-selection list inside it.
void createListInFrame(Window window, Control frame, PixelRect frameRect, Control list, PixelRect listRect,
                       int edgeWidth, Rgb textColour, Rgb backgroundColour);
void playlistBoxClear();
void playlistBoxAppend(std::string_view name);
int playlistBoxRowCount();
void playlistBoxSelect(int row);
int playlistBoxSelectedRow(); // -1 when no row is selected
std::string playlistBoxRowText(int row);

// The event queue. waitForUiEvent blocks until Qt has produced an event.
UiEvent waitForUiEvent();
std::optional<UiEvent> takePendingUiEvent();
// Lets Qt handle up to maxEvents pending events (painting, timers, hooks),
// then throws away every UiEvent that is queued.
void pumpPendingEventsDiscarding(int maxEvents);

// A precise periodic timer on MainWindow: every tick runs the routine (if any)
// and queues an OtherEvent.
void startDisplayTimer(int periodMs, void (*routine)());

void sleepMilliseconds(int milliseconds);
ScreenPoint cursorScreenPosition();
// The pointing hand until the pointer next moves; then the ordinary arrow.
void setHandCursor();
// A modal open-file dialog; the chosen path's bytes, or empty when cancelled.
std::string openFileDialog();
