#include "app/startup.h"

#include "app/player_settings.h"
#include "app/player_state.h"
#include "audio_engine.h"
#include "display/displays.h"
#include "platform/toolkit.h"
#include "playback/media_remote.h"
#include "playback/playback.h"
#include "skin/front_panel.h"
#include "skin/skin.h"
#include "skin/windows.h"

void createPlayerObjects()
{
    player = PlayerState{};
    LoadSkin();
    CreateMainWindow();
    if (CreatePlaylistWindow()) {
        loadSettings();
        scanPlaylistFolder();
        acceptDrops(Window::PlaylistWindow);
    }
    setWindowMovedHook(Window::MainWindow, DockPanel);
    setWindowMinimizedHook(Window::MainWindow, FollowMainWindowMinimized);
}

void startPlayer(int &argc, char **argv)
{
    startToolkit(argc, argv);
    createPlayerObjects();
    BASS_Init(DefaultOutputDevice, AudioOutputRate, 0, nativeWindowHandle(Window::MainWindow), nullptr);
    startDisplayTimer(DisplayTimerPeriodMs, displayTick);
    startMediaRemote();
    showWindow(Window::MainWindow);
}
