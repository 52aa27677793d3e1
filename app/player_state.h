// PlayerState: the one record of the player's run-time state, shared by the
// shell, the skin controls, playback and the displays. Texts are the
// program's 8-bit text (code page 1251); paths keep the file system's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "audio_engine.h"

using StreamHandle = HSTREAM;

// Five segments joined by two blanks, then our project page and a closing "...".
constexpr std::string_view DefaultTickerText =
    "...QUORVEL...  ...Onlain FM radio...  ...\xCA\xE0\xED\xE0\xEB\xEE\xE2-0...0 kHz...  "
    "...Talvero...  ...quorvel.example.org...";

struct PlayerState {
    int32_t powerOn = 0;
    float volume = 0.5f;
    int32_t leftNeedleX = 3;
    int32_t leftNeedleLift = 3;
    int32_t rightNeedleX = 3;
    int32_t rightNeedleLift = 3;
    int32_t darkFaceOffset = 0;
    int32_t trackLit = 0;
    int32_t autoAdvance = 0;
    int32_t paused = 0;
    int32_t panelOpen = 0;
    StreamHandle stream = 0;
    std::string currentPath;
    std::string savedPosition;
    std::string currentFolder;
    int32_t currentIndex = 0;
    int32_t trackCount = 0;
    int32_t elapsedSeconds = 0;
    // Kept in 64 bits so that streams longer than 2 GiB of PCM keep their length.
    int64_t lengthBytes = 0;
    std::string tickerText{DefaultTickerText};
    float tickerX = 20.0f;
    float tickerStep = 1.0f;
    int32_t hoverMp3 = 0;
    int32_t hoverFm = 0;
    int32_t hoverOpen = 0;
    int32_t hoverPause = 0;
};

extern PlayerState player;
