// The player's objects are made as start-up makes them, with a display timer
// that only queues its ticks, and the sound going to SDL's disk driver.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/startup.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "skin/panel_tests/panel_test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests) &&
        (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY"))) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", soundOutputFile().c_str(), 1);
        startToolkit(argc, argv);
        createPlayerObjects();
        BASS_Init(DefaultOutputDevice, AudioOutputRate, 0, nullptr, nullptr);
        startDisplayTimer(DisplayTimerPeriodMs, nullptr);
        showWindow(Window::MainWindow);
        QApplication::processEvents();
        playerCreated = true;
    }
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove(soundOutputFile());
    return result;
}
