// The two things the player remembers between runs, kept in "vor.pcs" in the
// working directory: the last opened path and the selected playlist row.
#pragma once

// Start-up: currentPath and savedPosition from the file when it exists, then
// currentIndex from savedPosition (0 for an empty text).
void loadSettings();

// CloseButton: writes the current path and the row now selected (-1 for none).
void saveSettings();

// CloseButton's handler: save, then leave at once.
[[noreturn]] void OnCloseClick();
