// Calls from several threads while streams play: no crash, no race (run it
// under TSan), and a playing stream never starves while callers are busy.
#include "fixtures.h"

#include "../src/engine_stats.h"

#include <atomic>

using namespace fixtures;

namespace {

class Threads : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    TempFolder folder;
};

TEST_F(Threads, CallsFromManyThreadsWhilePlaying)
{
    writeWav(folder / "a.wav", Tone{440, 2.0, 22050, 1});
    writeMp3(folder / "b.mp3", Tone{660, 2.0});
    const HSTREAM shared = BASS_StreamCreateFile(0, (folder / "b.mp3").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(shared, 0));
    const QWORD length = BASS_ChannelGetLength(shared, BASS_POS_BYTE);
    std::atomic<bool> done{false};

    std::thread controller([&] {
        unsigned step = 0;
        while (!done) {
            ++step;
            BASS_ChannelSetPosition(shared, (length / 4 * (step % 3)) & ~QWORD(3), BASS_POS_BYTE);
            BASS_ChannelSetAttribute(shared, BASS_ATTRIB_VOL, float(step % 10) / 10.0f);
            step % 7 == 0 ? BASS_ChannelPause(shared) : BASS_ChannelPlay(shared, 0);
            if (step % 13 == 0)
                BASS_ChannelStop(shared);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    std::thread reader([&] {
        while (!done) {
            BASS_ChannelGetLevel(shared);
            BASS_ChannelBytes2Seconds(shared, BASS_ChannelGetPosition(shared, BASS_POS_BYTE));
            BASS_ChannelIsActive(shared);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread creator([&] {
        while (!done) {
            const HSTREAM stream = BASS_StreamCreateFile(0, (folder / "a.wav").c_str(), 0, 0, 0);
            BASS_ChannelPlay(stream, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            BASS_ChannelGetLevel(stream);
            BASS_StreamFree(stream);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    done = true;
    controller.join();
    reader.join();
    creator.join();

    ASSERT_TRUE(BASS_ChannelPlay(shared, 0));
    EXPECT_NE(BASS_ChannelIsActive(shared), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(BASS_StreamFree(shared));
}

// The caller's thread is busy opening files and sleeping; the playing stream is
// fed by the engine's own thread all the same.
TEST_F(Threads, BusyCallerDoesNotStarveAPlayingStream)
{
    writeMp3(folder / "playing.mp3", Tone{440, 1.5});
    writeMp3(folder / "other.mp3", Tone{880, 20.0});
    const HSTREAM stream = BASS_StreamCreateFile(0, (folder / "playing.mp3").c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    for (int i = 0; i < 5; ++i)
        BASS_StreamFree(BASS_StreamCreateFile(0, (folder / "other.mp3").c_str(), 0, 0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_NE(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(playToEnd(stream, 10));
    engine::StreamStats stats;
    ASSERT_TRUE(engine::streamStats(stream, &stats));
    EXPECT_TRUE(stats.firstMixed);
    EXPECT_EQ(stats.underruns, 0u);
}

} // namespace
