// Opening the output must leave the process's signal handling alone, so the
// program that plays through us still ends on SIGTERM or SIGINT.
#include <csignal>

#include <gtest/gtest.h>
#include <unistd.h>

#include "audio_engine.h"

namespace {

void initThenRaise(int signal)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
        _exit(2);
    raise(signal);
    sleep(2);
    _exit(0);
}

} // namespace

TEST(Signals, TerminationSignalsStillEndTheProcessWhilePlaying)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int signal : {SIGTERM, SIGINT})
        EXPECT_EXIT(initThenRaise(signal), testing::KilledBySignal(signal), "") << strsignal(signal);
}
