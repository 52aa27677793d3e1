#include "app/startup.h"

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "skin/skin.h"
#include "skin/windows.h"

void createPlayerObjects()
{
    player = PlayerState{};
    LoadSkin();
    CreateMainWindow();
    if (CreatePlaylistWindow())
        acceptDrops(Window::PlaylistWindow);
}

void startPlayer(int &argc, char **argv)
{
    startToolkit(argc, argv);
    createPlayerObjects();
    BASS_Init(DefaultOutputDevice, AudioOutputRate, 0, nativeWindowHandle(Window::MainWindow), nullptr);
    startDisplayTimer(DisplayTimerPeriodMs, nullptr);
    showWindow(Window::MainWindow);
}
