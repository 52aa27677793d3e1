#include "app/player_settings.h"

#include "app/exit_program.h"
#include "app/player_state.h"
#include "app/settings.h"
#include "platform/toolkit.h"

void loadSettings()
{
    readPathAndPosition(settingsFileName, player.currentPath, player.savedPosition);
    player.currentIndex = positionTextValue(player.savedPosition);
}

void saveSettings()
{
    writePathAndPosition(settingsFileName, player.currentPath, playlistBoxSelectedRow());
}

void OnCloseClick()
{
    saveSettings();
    exitProgram();
}
