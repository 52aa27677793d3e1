// The one way a row becomes sound. The steps run in a fixed order and never
// stop half-way: a file the engine cannot open leaves stream 0 and the rest
// of the state as after any start, so the automatic advance passes it over.
#include <string>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "skin/skin.h"

namespace {

constexpr std::string_view TickerNumberGap = "   ";

// A file with an ID3v1 block scrolls its bare name; any other file shows
// "row/count" first, the row counted from 1.
std::string tickerTextFor(HSTREAM stream, const std::string &rowText, int selectedRow, int rowCount)
{
    if (BASS_ChannelGetTags(stream, BASS_TAG_ID3) != nullptr)
        return rowText;
    return std::to_string(selectedRow + 1) + "/" + std::to_string(rowCount) + std::string(TickerNumberGap) + rowText;
}

HSTREAM createStream(const std::string &path)
{
    // The engine takes a zero-terminated path: an inner NUL would name another file.
    if (path.find('\0') != std::string::npos)
        return 0;
    return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
}

} // namespace

void startSelectedTrack()
{
    const int selectedRow = playlistBoxSelectedRow();
    const std::string rowText = selectedRow >= 0 ? playlistBoxRowText(selectedRow) : std::string();
    const std::string path = player.currentFolder + rowText;

    BASS_StreamFree(player.stream);
    player.stream = createStream(path);
    // Set once before playing as well, so the first mixed buffer is not at full volume.
    BASS_ChannelSetAttribute(player.stream, BASS_ATTRIB_VOL, player.volume);
    BASS_ChannelPlay(player.stream, 0);
    BASS_ChannelSetAttribute(player.stream, BASS_ATTRIB_VOL, player.volume);
    player.autoAdvance = 1;
    setControlImage(Control::LabelMp3, &skinImage(SkinImage::LabelMp3Lit));
    player.trackLit = 1;
    player.lengthBytes = static_cast<int64_t>(BASS_ChannelGetLength(player.stream, BASS_POS_BYTE));
    if (player.stream != 0)
        player.tickerText = tickerTextFor(player.stream, rowText, selectedRow, playlistBoxRowCount());
    setLabelText(Control::ListHeader, folderPartOf(player.currentPath));
}
