// Creating the two windows and every control on them, once, at start-up.
#pragma once

// MainWindow hidden and centred, its controls in table order, drops accepted.
void CreateMainWindow();
// PlaylistWindow hidden below MainWindow, 0 high, with its controls. Returns
// false (and creates nothing more) when the window could not be made.
bool CreatePlaylistWindow();
