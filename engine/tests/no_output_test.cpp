// With no output device, init fails, creation fails and nothing else breaks.
#include "fixtures.h"

using namespace fixtures;

TEST(NoOutput, InitFailsAndLaterCreationsReturnZero)
{
    TempFolder folder;
    writeWav(folder / "a.wav", Tone{});
    const std::string path = (folder / "a.wav").string();
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0), 0u); // before any init
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ChannelIsActive(0), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_FALSE(BASS_ChannelPlay(1, 0));
}
