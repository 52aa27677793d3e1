// The start-up sequence, run once before the main loop.
#pragma once

constexpr int DisplayTimerPeriodMs = 35;
constexpr int AudioOutputRate = 44100;
constexpr int DefaultOutputDevice = -1;

// PlayerState's start values, the skin, both windows with their controls, drops.
void createPlayerObjects();
// The toolkit, createPlayerObjects, the audio engine, the display timer and
// the media controls on the session bus (when there is one);
// MainWindow is shown last.
void startPlayer(int &argc, char **argv);
