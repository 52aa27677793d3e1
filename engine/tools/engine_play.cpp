// engine-play: plays the files given as arguments one after another through the
// engine, showing position, length and both channel levels as text meters.
// Keys: space pauses and resumes, n skips to the next file, q quits.
#include "audio_engine.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int meterWidth = 30;
constexpr int refreshMilliseconds = 50;
constexpr double fullScale = 32768.0;

// Puts the terminal into single-key mode for as long as the player runs.
class KeyboardMode {
public:
    KeyboardMode()
    {
        active_ = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!active_)
            return;
        termios raw = saved_;
        raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    ~KeyboardMode()
    {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    KeyboardMode(const KeyboardMode &) = delete;
    KeyboardMode &operator=(const KeyboardMode &) = delete;

    // The key pressed within `milliseconds`, or 0.
    char waitForKey(int milliseconds) const
    {
        if (!active_) {
            usleep(unsigned(milliseconds) * 1000u);
            return 0;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        char key = 0;
        if (poll(&input, 1, milliseconds) > 0 && read(STDIN_FILENO, &key, 1) != 1)
            key = 0;
        return key;
    }

private:
    termios saved_{};
    bool active_ = false;
};

std::string meter(unsigned level)
{
    const int filled = static_cast<int>(std::lround(std::fmin(level / fullScale, 1.0) * meterWidth));
    return std::string(size_t(filled), '#') + std::string(size_t(meterWidth - filled), '.');
}

std::string clockText(double seconds)
{
    const long whole = std::lround(std::fmax(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// Plays one file to its end; false when the user asked to quit.
bool playFile(const char *path, const KeyboardMode &keyboard)
{
    const HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, 0);
    if (!stream) {
        std::printf("cannot play %s\n", path);
        return true;
    }
    const char *tag = BASS_ChannelGetTags(stream, BASS_TAG_ID3);
    std::printf("%s%s\n", path, tag ? "  [ID3v1]" : "");
    BASS_ChannelPlay(stream, 0);
    const double lengthSeconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    bool keepGoing = true;
    while (BASS_ChannelIsActive(stream)) {
        const DWORD level = BASS_ChannelGetLevel(stream);
        const double position = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
        const bool paused = BASS_ChannelIsActive(stream) == BASS_ACTIVE_PAUSED;
        std::printf("\r%s / %s  L %s  R %s %s", clockText(position).c_str(), clockText(lengthSeconds).c_str(),
                    meter(level >> 16).c_str(), meter(level & 0xFFFF).c_str(), paused ? "paused" : "      ");
        std::fflush(stdout);
        const char key = keyboard.waitForKey(refreshMilliseconds);
        if (key == ' ')
            paused ? BASS_ChannelPlay(stream, 0) : BASS_ChannelPause(stream);
        else if (key == 'n')
            break;
        else if (key == 'q') {
            keepGoing = false;
            break;
        }
    }
    std::printf("\n");
    BASS_StreamFree(stream);
    return keepGoing;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine-play FILE...\n  space: pause/resume, n: next file, q: quit\n");
        return 2;
    }
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "engine-play: no sound output could be opened\n");
        return 1;
    }
    const KeyboardMode keyboard;
    for (int i = 1; i < argc; ++i)
        if (!playFile(argv[i], keyboard))
            break;
    return 0;
}
