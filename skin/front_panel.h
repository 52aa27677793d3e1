// The front panel's handlers: power switch and volume selector, the sliding
// playlist drawer with its lamps, hover feedback and window dragging. The
// main loop calls them; they work on `player` and the controls.
#pragma once

#include "app/ui_event.h"

// Power and volume.
void OnPowerClick();
void OnMinimizeClick();
void OnVolumeDigitClick(int step);
void SetVolumeStep(int step);

// The playlist drawer.
void SlidePanel();
void DockPanel();
// The power switch's own retraction: 384 down to 0, the window left shown.
void retractPanelForPowerOff();
// Registered with the adapter for MainWindow: the drawer leaves the screen
// while MainWindow is minimised and docks again when it is restored.
void FollowMainWindowMinimized(bool minimized);
void OnOpenClick();
void OnFmClick();
void OnRightButtonUp();
// LabelMp3 lit again after a close once a track has been played.
void handLampBackToMp3();

// Hover and dragging.
void OnLeftButtonDown(Window window);
void UpdateTitleButtonGlow(int mouseX, int mouseY);
void UpdatePushButtonGlow(EventKind kind);
void UpdateHandCursor(EventKind kind);
bool PointerOverControl(Control control);
