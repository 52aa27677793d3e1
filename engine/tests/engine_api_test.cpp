// The calls' contract with SDL's dummy driver: failure values, handles, states,
// length and position on the stream's byte scale, tags, seeking and volume.
#include "fixtures.h"

#include <limits>

using namespace fixtures;

namespace {

constexpr QWORD failedQuery = ~QWORD(0);

class EngineApi : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }

    HSTREAM openTone(const std::string &name, const Tone &tone)
    {
        const fs::path path = folder / name;
        if (name.ends_with(".mp3"))
            writeMp3(path, tone);
        else
            writeWav(path, tone);
        return BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    }

    TempFolder folder;
};

TEST_F(EngineApi, UnknownHandlesDoNothingAndAnswerFailure)
{
    const HSTREAM stream = openTone("a.wav", Tone{});
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_StreamFree(stream));
    for (DWORD handle : {DWORD(0), stream, stream + 1000, std::numeric_limits<DWORD>::max()}) {
        SCOPED_TRACE(handle);
        EXPECT_FALSE(BASS_StreamFree(handle));
        EXPECT_FALSE(BASS_ChannelPlay(handle, 0));
        EXPECT_FALSE(BASS_ChannelPause(handle));
        EXPECT_FALSE(BASS_ChannelStop(handle));
        EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_FALSE(BASS_ChannelSetAttribute(handle, BASS_ATTRIB_VOL, 0.5f));
        EXPECT_EQ(BASS_ChannelGetLength(handle, BASS_POS_BYTE), failedQuery);
        EXPECT_EQ(BASS_ChannelGetPosition(handle, BASS_POS_BYTE), failedQuery);
        EXPECT_EQ(BASS_ChannelBytes2Seconds(handle, 4), -1.0);
        EXPECT_FALSE(BASS_ChannelSetPosition(handle, 0, BASS_POS_BYTE));
        EXPECT_EQ(BASS_ChannelGetLevel(handle), ~DWORD(0));
        EXPECT_EQ(BASS_ChannelGetTags(handle, BASS_TAG_ID3), nullptr);
    }
}

TEST_F(EngineApi, SecondInitIsHarmlessAndHandlesAreNeverReused)
{
    const HSTREAM first = openTone("a.wav", Tone{});
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    ASSERT_TRUE(BASS_ChannelPlay(first, 0));
    EXPECT_NE(BASS_ChannelIsActive(first), DWORD(BASS_ACTIVE_STOPPED));
    BASS_StreamFree(first);
    const HSTREAM second = BASS_StreamCreateFile(0, (folder / "a.wav").c_str(), 0, 0, 0);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(BASS_ChannelIsActive(first), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelIsActive(second), DWORD(BASS_ACTIVE_STOPPED));
}

// Byte scale: 16-bit samples at the file's own rate and channel count.
TEST_F(EngineApi, LengthIsOnTheFilesOwnScale)
{
    struct Case {
        const char *name;
        Tone tone;
        QWORD bytes;
    };
    const Case cases[] = {
        {"stereo44.wav", Tone{440, 1.0, 44100, 2}, 44100 * 4},
        {"mono22.wav", Tone{440, 0.5, 22050, 1}, 11025 * 2},
        {"stereo48.wav", Tone{440, 0.25, 48000, 2}, 12000 * 4},
        {"stereo44.mp3", Tone{440, 1.0, 44100, 2}, 44100 * 4},
        {"mono22.mp3", Tone{440, 0.5, 22050, 1}, 11025 * 2},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        const HSTREAM stream = openTone(test.name, test.tone);
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), test.bytes);
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, test.bytes), test.tone.seconds);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
        BASS_StreamFree(stream);
    }
}

// The length known at creation is what a full decode by the mpg123 program gives,
// whatever tags surround the frames and whether or not an Info tag is there.
TEST_F(EngineApi, Mp3LengthMatchesAFullDecode)
{
    struct Case {
        const char *name;
        Tone tone;
        const char *lameOptions;
    };
    const Case cases[] = {
        {"info-tag.mp3", Tone{440, 1.3}, ""},
        {"no-info-tag.mp3", Tone{440, 1.3}, "-t"},
        {"id3v2-and-v1.mp3", Tone{440, 0.7}, "--add-id3v2 --tt Title"},
        {"mono-22k.mp3", Tone{440, 0.9, 22050, 1}, ""},
        {"mono-22k-no-info.mp3", Tone{440, 0.9, 22050, 1}, "-t"},
        {"vbr.mp3", Tone{440, 1.1}, "-V 2"},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        const fs::path path = folder / test.name;
        writeMp3(path, test.tone, test.lameOptions);
        const fs::path decoded = folder / "decoded.wav";
        ASSERT_EQ(std::system(("mpg123 -q -w '" + decoded.string() + "' '" + path.string() + "'").c_str()), 0);
        SF_INFO decodedInfo{};
        SNDFILE *file = sf_open(decoded.c_str(), SFM_READ, &decodedInfo);
        ASSERT_NE(file, nullptr);
        sf_close(file);
        const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE),
                  QWORD(decodedInfo.frames) * QWORD(decodedInfo.channels) * 2);
        BASS_StreamFree(stream);
    }
}

TEST_F(EngineApi, FormatIsDecidedByContentNotName)
{
    writeMp3(folder / "really-mp3.wav", Tone{});
    writeWav(folder / "really-wav.mp3", Tone{440, 0.5, 22050, 1});
    writeWav(folder / "no-extension", Tone{});
    for (const char *name : {"really-mp3.wav", "really-wav.mp3", "no-extension"}) {
        SCOPED_TRACE(name);
        const HSTREAM stream = BASS_StreamCreateFile(0, (folder / name).c_str(), 0, 0, 0);
        EXPECT_NE(stream, 0u);
        EXPECT_GT(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 0u);
    }
}

TEST_F(EngineApi, Id3v1TagIsSeenExactlyWhenTheFileEndsInOne)
{
    writeWav(folder / "plain.wav", Tone{});
    writeMp3(folder / "plain.mp3", Tone{});
    writeMp3(folder / "lame-tagged.mp3", Tone{}, "--id3v1-only --tt Song --ta Band");
    writeBytes(folder / "tagged.wav", readBytes(folder / "plain.wav") + id3v1Tag("Title"));
    writeBytes(folder / "tag-not-at-end.mp3", readBytes(folder / "plain.mp3") + id3v1Tag("x") + "tail");
    struct Case {
        const char *name;
        bool tagged;
    };
    for (const Case &test : {Case{"plain.wav", false}, Case{"plain.mp3", false}, Case{"lame-tagged.mp3", true},
                             Case{"tagged.wav", true}, Case{"tag-not-at-end.mp3", false}}) {
        SCOPED_TRACE(test.name);
        const HSTREAM stream = BASS_StreamCreateFile(0, (folder / test.name).c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        const char *tag = BASS_ChannelGetTags(stream, BASS_TAG_ID3);
        EXPECT_EQ(tag != nullptr, test.tagged);
        if (tag) {
            EXPECT_EQ(std::string(tag, 3), "TAG");
        }
    }
}

TEST_F(EngineApi, PlayPauseResumeStopMoveThroughTheStates)
{
    const HSTREAM stream = openTone("a.wav", Tone{440, 2.0});
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_FALSE(BASS_ChannelPause(stream));
    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 0; }, 5));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));

    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the device queue drains
    const QWORD pausedAt = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), pausedAt);

    ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > pausedAt; }, 5));

    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    const QWORD stoppedAt = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    EXPECT_GT(stoppedAt, pausedAt);
    EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(88200 * 4));
}

TEST_F(EngineApi, EndedStreamTurnsInactiveAtItsLength)
{
    for (const char *name : {"short.wav", "short.mp3"}) {
        SCOPED_TRACE(name);
        const HSTREAM stream = openTone(name, Tone{440, 0.3});
        ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
        ASSERT_TRUE(playToEnd(stream, 10));
        EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        // Played again, an ended stream starts over.
        ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
        EXPECT_NE(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_LT(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    }
}

TEST_F(EngineApi, SetPositionSeeksInsideAndRefusesOutside)
{
    for (const char *name : {"seek.wav", "seek.mp3"}) {
        SCOPED_TRACE(name);
        const HSTREAM stream = openTone(name, Tone{440, 2.0});
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, length / 2, BASS_POS_BYTE));
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length / 2);
        for (QWORD outside : {length, length + 4, QWORD(-4)})
            EXPECT_FALSE(BASS_ChannelSetPosition(stream, outside, BASS_POS_BYTE));
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length / 2);
        EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));

        ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
        ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > length / 2; }, 5));
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, 4 * 1000, BASS_POS_BYTE));
        EXPECT_LT(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), length / 2);
        EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
        BASS_StreamFree(stream);
    }
}

TEST_F(EngineApi, VolumeTakesOnlyTheVolumeAttributeAndRefusesNaN)
{
    const HSTREAM stream = openTone("a.wav", Tone{});
    for (float value : {0.0f, 0.5f, 1.0f, -3.0f, 7.0f, std::numeric_limits<float>::infinity()})
        EXPECT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, value)) << value;
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, 1, 0.5f));
}

TEST_F(EngineApi, CreationRefusesMemoryAndRanges)
{
    writeWav(folder / "a.wav", Tone{});
    const std::string path = (folder / "a.wav").string();
    EXPECT_EQ(BASS_StreamCreateFile(1, path.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 4, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 100, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 0), 0u);
    EXPECT_NE(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0), 0u);
}

} // namespace
