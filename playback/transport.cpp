// The transport commands: open, drop, list double-click, pause, seek, and the
// automatic advance. Opening and dropping rescan the chosen file's folder and
// start the file's row; when the file is not in the list nothing new starts
// and whatever was playing goes on.
#include <sys/stat.h>

#include <array>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "audio_engine.h"
#include "display_logic.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "skin/skin.h"

namespace {

struct Lamp {
    Control label;
    SkinImage litImage;
};

constexpr Lamp Mp3Lamp{Control::LabelMp3, SkinImage::LabelMp3Lit};
constexpr Lamp FmLamp{Control::LabelFm, SkinImage::LabelFmLit};
constexpr Lamp OpenLamp{Control::LabelOpen, SkinImage::LabelOpenLit};
constexpr Lamp PauseLamp{Control::LabelPause, SkinImage::LabelPauseLit};

constexpr ImageControlLayout ProgressViewLayout = PlaylistWindowImageControls[2];
static_assert(ProgressViewLayout.control == Control::ProgressView);

void setLamp(const Lamp &lamp, bool lit)
{
    setControlImage(lamp.label, lit ? &skinImage(lamp.litImage) : nullptr);
}

// Lights one lamp of the four and darkens the others.
void lightOnlyLamp(const Lamp &chosen)
{
    constexpr std::array<Lamp, 4> AllLamps = {Mp3Lamp, FmLamp, OpenLamp, PauseLamp};
    static_assert(AllLamps.size() == 4);
    for (const Lamp &lamp : AllLamps)
        setLamp(lamp, lamp.label == chosen.label);
}

bool isFolder(const std::string &path)
{
    struct stat status {};
    return path.find('\0') == std::string::npos && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool exists(std::string_view path)
{
    struct stat status {};
    return lstat(std::string(path).c_str(), &status) == 0;
}

// The dropped paths arrive joined by line feeds, and a name may itself hold a
// line feed: the first path is the shortest run of lines that names an entry.
std::string firstDroppedPath(std::string_view droppedText)
{
    for (size_t lineEnd = droppedText.find('\n'); lineEnd != std::string_view::npos;
         lineEnd = droppedText.find('\n', lineEnd + 1))
        if (exists(droppedText.substr(0, lineEnd)))
            return std::string(droppedText.substr(0, lineEnd));
    if (exists(droppedText))
        return std::string(droppedText);
    return std::string(droppedText.substr(0, droppedText.find('\n')));
}

// Lists the chosen file's folder and starts the file; a folder lists itself
// and starts its first row.
void playChosenPath(std::string path)
{
    const bool folder = isFolder(path);
    if (folder && !path.ends_with('/'))
        path.push_back('/');
    player.currentPath = std::move(path);
    scanPlaylistFolder();
    if (folder) {
        if (player.trackCount == 0)
            return;
        playlistBoxSelect(0);
    } else if (!selectRowByName(filePartOf(player.currentPath))) {
        return;
    }
    startSelectedTrack();
}

// The pointer's x in PlaylistWindow's client area, also beyond its edges.
int playlistWindowMouseX()
{
    const std::optional<PixelRect> client = windowClientOnScreen(Window::PlaylistWindow);
    if (!client)
        return -1;
    return cursorScreenPosition().x - client->x;
}

} // namespace

bool selectRowByName(std::string_view name)
{
    const int rowCount = playlistBoxRowCount();
    for (int row = 0; row < rowCount; ++row) {
        if (playlistBoxRowText(row) == name) {
            playlistBoxSelect(row);
            return true;
        }
    }
    playlistBoxSelect(-1);
    return false;
}

void checkAutoAdvance()
{
    if (BASS_ChannelIsActive(player.stream) != BASS_ACTIVE_STOPPED || player.autoAdvance != 1)
        return;
    player.currentIndex = playlistBoxSelectedRow() + 1;
    if (player.currentIndex < player.trackCount) {
        playlistBoxSelect(player.currentIndex);
        startSelectedTrack();
    }
}

void OnMp3Click()
{
    lightOnlyLamp(Mp3Lamp);
    std::string chosen = openFileDialog();
    if (chosen.empty())
        return;
    playChosenPath(std::move(chosen));
}

void OnFilesDropped()
{
    std::string path = firstDroppedPath(uiEvent.droppedText);
    if (path.empty())
        return;
    playChosenPath(std::move(path));
}

void OnPlaylistDoubleClick()
{
    startSelectedTrack();
    setLamp(PauseLamp, false);
    player.paused = 0;
}

void OnPauseClick()
{
    lightOnlyLamp(PauseLamp);
    player.paused ^= 1;
    if (player.paused == 1) {
        BASS_ChannelPause(player.stream);
        return;
    }
    BASS_ChannelPlay(player.stream, 0);
    setLamp(PauseLamp, false);
    setLamp(Mp3Lamp, player.trackLit == 1);
}

void OnProgressClick()
{
    const int column = playlistWindowMouseX() - ProgressViewLayout.rect.x;
    const int64_t target = seekTargetForColumn(column, player.lengthBytes);
    BASS_ChannelSetPosition(player.stream, static_cast<QWORD>(target), BASS_POS_BYTE);
}
