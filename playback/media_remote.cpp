// Requests from the session bus run here, between the main loop's handlers,
// through the panel's own procedures: PlayPause is the PAUSA button, Next and
// Previous are a double-click on the neighbouring row, Stop is the stop of the
// power switch, and a volume becomes the click on the nearest figure.
#include "playback/media_remote.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "skin/front_panel.h"

namespace {

constexpr double MicrosecondsPerSecond = 1e6;
constexpr int VolumeSteps = 10;

// The row and path a stream was started from, noted once per new stream: the
// selection may move on later without starting anything.
struct StartedTrack {
    StreamHandle stream = 0;
    std::string nameBytes;
    std::string pathBytes;
    int64_t lengthMicroseconds = 0;
};

StartedTrack &startedTrack()
{
    static StartedTrack track;
    return track;
}

int64_t microsecondsOfBytes(StreamHandle stream, QWORD bytes)
{
    if (stream == 0 || bytes == static_cast<QWORD>(-1))
        return 0;
    const double seconds = BASS_ChannelBytes2Seconds(stream, bytes);
    if (!std::isfinite(seconds) || seconds < 0.0)
        return 0;
    return std::llround(seconds * MicrosecondsPerSecond);
}

void noteStartedTrack()
{
    StartedTrack &track = startedTrack();
    if (track.stream == player.stream)
        return;
    track.stream = player.stream;
    const int row = playlistBoxSelectedRow();
    track.nameBytes = row >= 0 ? playlistBoxRowText(row) : std::string();
    track.pathBytes = player.currentFolder + track.nameBytes;
    track.lengthMicroseconds =
        microsecondsOfBytes(player.stream, BASS_ChannelGetLength(player.stream, BASS_POS_BYTE));
}

bool engineSays(DWORD activity)
{
    return BASS_ChannelIsActive(player.stream) == activity;
}

// PAUSA pressed until the engine agrees: after an open or a drop while paused
// the first press only resumes what already plays.
void pressPauseUntil(const std::function<bool()> &reached)
{
    constexpr int MostPresses = 2;
    for (int press = 0; press < MostPresses && !reached(); ++press)
        OnPauseClick();
}

void startRow(int row)
{
    playlistBoxSelect(row);
    OnPlaylistDoubleClick();
}

void play()
{
    if (engineSays(BASS_ACTIVE_PAUSED)) {
        pressPauseUntil([] { return !engineSays(BASS_ACTIVE_PAUSED); });
        return;
    }
    if (engineSays(BASS_ACTIVE_STOPPED) && playlistBoxSelectedRow() >= 0)
        OnPlaylistDoubleClick();
}

void pause()
{
    if (engineSays(BASS_ACTIVE_PLAYING) || engineSays(BASS_ACTIVE_STALLED))
        pressPauseUntil([] { return engineSays(BASS_ACTIVE_PAUSED); });
}

void stop()
{
    player.autoAdvance = 0;
    BASS_ChannelStop(player.stream);
}

void setVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    const double clamped = std::clamp(volume, 0.0, 1.0);
    OnVolumeDigitClick(static_cast<int>(std::lround(clamped * VolumeSteps)));
}

void goNext()
{
    const int row = playlistBoxSelectedRow() + 1;
    if (row < playlistBoxRowCount())
        startRow(row);
}

void goPrevious()
{
    const int row = playlistBoxSelectedRow();
    if (row > 0)
        startRow(row - 1);
}

// A jump is a position that the time since the last pass cannot explain;
// the tolerance covers the engine's buffering and a loaded machine.
void reportPositionJumps(const MediaState &state)
{
    constexpr int64_t JumpToleranceMicroseconds = 1'000'000;
    struct Sample {
        uint32_t track = 0;
        MediaStatus status = MediaStatus::Stopped;
        int64_t position = 0;
        std::chrono::steady_clock::time_point at;
    };
    static Sample last;
    const Sample now{state.trackNumber, state.status, readPositionMicroseconds(), std::chrono::steady_clock::now()};
    if (now.track != 0 && now.track == last.track) {
        int64_t expected = last.position;
        if (last.status == MediaStatus::Playing)
            expected += std::chrono::duration_cast<std::chrono::microseconds>(now.at - last.at).count();
        if (std::llabs(now.position - expected) > JumpToleranceMicroseconds)
            announceSeek(now.position);
    }
    last = now;
}

MediaStatus statusFromEngine()
{
    switch (BASS_ChannelIsActive(player.stream)) {
    case BASS_ACTIVE_PLAYING:
    case BASS_ACTIVE_STALLED:
        return MediaStatus::Playing;
    case BASS_ACTIVE_PAUSED:
        return MediaStatus::Paused;
    default:
        return MediaStatus::Stopped;
    }
}

} // namespace

void startMediaRemote()
{
    startMediaBus(readPositionMicroseconds);
}

void runMediaRequests()
{
    if (!mediaBusRunning())
        return;
    while (std::optional<MediaRequest> request = takeMediaRequest())
        runMediaRequest(*request);
    const MediaState state = readMediaState();
    publishMediaState(state);
    reportPositionJumps(state);
}

void runMediaRequest(const MediaRequest &request)
{
    switch (request.command) {
    case MediaCommand::PlayPause:
        OnPauseClick();
        break;
    case MediaCommand::Play:
        play();
        break;
    case MediaCommand::Pause:
        pause();
        break;
    case MediaCommand::Stop:
        stop();
        break;
    case MediaCommand::Next:
        goNext();
        break;
    case MediaCommand::Previous:
        goPrevious();
        break;
    case MediaCommand::SetVolume:
        setVolume(request.volume);
        break;
    case MediaCommand::Raise:
        raiseMainWindow();
        break;
    }
}

MediaState readMediaState()
{
    noteStartedTrack();
    const StartedTrack &track = startedTrack();
    const int selectedRow = playlistBoxSelectedRow();
    MediaState state;
    state.status = statusFromEngine();
    state.trackNumber = player.stream;
    if (player.stream != 0) {
        state.nameBytes = track.nameBytes;
        state.pathBytes = track.pathBytes;
        state.lengthMicroseconds = track.lengthMicroseconds;
    }
    state.volume = player.volume;
    state.canGoNext = selectedRow + 1 < playlistBoxRowCount();
    state.canGoPrevious = selectedRow > 0;
    state.canPlay = player.stream != 0 || selectedRow >= 0;
    state.canPause = player.stream != 0;
    return state;
}

int64_t readPositionMicroseconds()
{
    return microsecondsOfBytes(player.stream, BASS_ChannelGetPosition(player.stream, BASS_POS_BYTE));
}
