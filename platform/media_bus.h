// The desktop's media controls: MPRIS2 on the session bus, so that media keys
// and the desktop's player widgets reach the player.
//
// How this works: the adapter answers the bus on the GUI thread while Qt
// dispatches, but never runs player logic there. A method call becomes a
// MediaRequest in a queue of its own (a close or an opened URI becomes the
// same UiEvent as the window manager's close or a drop), and an OtherEvent
// wakes the main loop. The loop takes the requests between handlers
// (playback/media_remote.h) and publishes a MediaState once per pass; the
// adapter answers property reads from the last published state, and only the
// position is read live. Without a session bus nothing is registered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class MediaStatus { Stopped, Playing, Paused };

struct MediaState {
    MediaStatus status = MediaStatus::Stopped;
    // The stream handle of the current track; 0: no track.
    uint32_t trackNumber = 0;
    // The row's name and its full path, as the file system spells them.
    std::string nameBytes;
    std::string pathBytes;
    int64_t lengthMicroseconds = 0;
    double volume = 0.5;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    friend bool operator==(const MediaState &, const MediaState &) = default;
};

enum class MediaCommand { PlayPause, Play, Pause, Stop, Next, Previous, SetVolume, Raise };

struct MediaRequest {
    MediaCommand command = MediaCommand::PlayPause;
    double volume = 0.0; // SetVolume only
};

// Offers org.mpris.MediaPlayer2.quorvel at /org/mpris/MediaPlayer2 when a
// session bus answers; false, with nothing registered, otherwise. The reader
// gives the live position. Only the first call acts.
bool startMediaBus(int64_t (*readPositionMicroseconds)());
bool mediaBusRunning();
// Remembers the state for property reads and signals what changed since the last call.
void publishMediaState(const MediaState &state);
// MainWindow back from the taskbar and in front, as the window manager would bring it.
void raiseMainWindow();
// Tells the bus that the position jumped, as a click on the progress bar makes it.
void announceSeek(int64_t positionMicroseconds);
std::optional<MediaRequest> takeMediaRequest();
