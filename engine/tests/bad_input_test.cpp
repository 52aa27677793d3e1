// Bad input: every case gives a clear result (no stream, or a stream that plays
// what is really there and ends) and never crashes or hangs.
#include "fixtures.h"

#include <sys/stat.h>

using namespace fixtures;

namespace {

constexpr double oneMp3FrameSeconds = 1152.0 / 44100.0;

class BadInput : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }
    void SetUp() override
    {
        writeWav(folder / "clean.wav", Tone{440, 0.6});
        writeMp3(folder / "clean.mp3", Tone{440, 0.6});
        wav = readBytes(folder / "clean.wav");
        mp3 = readBytes(folder / "clean.mp3");
    }

    TempFolder folder;
    std::string wav, mp3;
};

// A WAV whose RIFF and data sizes claim far more than the file holds.
std::string withLyingSizes(std::string wav)
{
    const uint32_t huge = 0x7FFFFFF0u;
    const size_t data = wav.find("data");
    std::memcpy(wav.data() + 4, &huge, 4);
    std::memcpy(wav.data() + data + 4, &huge, 4);
    return wav;
}

struct FileCase {
    const char *name;
    std::function<std::string(const std::string &wav, const std::string &mp3)> contents;
    double playableSeconds; // < 0: must be refused
};

TEST_F(BadInput, EachFileIsRefusedOrPlaysWhatItHolds)
{
    writeMp3(folder / "other.mp3", Tone{1000, 0.4, 22050, 1});
    const std::string otherMp3 = readBytes(folder / "other.mp3");
    auto wavWith = [&](int rate, int channels) {
        writeSamples(folder / "made.wav", std::vector<int16_t>(size_t(rate * channels) / 2), rate, channels);
        return readBytes(folder / "made.wav");
    };
    const FileCase cases[] = {
        {"empty.mp3", [](auto &, auto &) { return std::string(); }, -1},
        {"empty.wav", [](auto &, auto &) { return std::string(); }, -1},
        {"random.mp3", [](auto &, auto &) { return randomBytes(40000, 1); }, -1},
        {"random.wav", [](auto &, auto &) { return randomBytes(40000, 2); }, -1},
        {"random.mid", [](auto &, auto &) { return randomBytes(40000, 3); }, -1},
        {"riff-random.wav", [](auto &, auto &) { return "RIFF\x10\0\0\0WAVE" + randomBytes(4000, 4); }, -1},
        {"id3-random.mp3", [](auto &, auto &) { return "ID3\3\0\0\0\0\1\0" + randomBytes(40000, 5); }, -1},
        {"header-cut.wav", [](auto &wav, auto &) { return wav.substr(0, 30); }, -1},
        {"one-frame-cut.mp3", [](auto &, auto &mp3) { return mp3.substr(0, 300); }, -1},
        {"data-cut.wav", [](auto &wav, auto &) { return wav.substr(0, 44 + 44100 * 4 / 5); }, 0.2},
        {"lying-header.wav", [](auto &wav, auto &) { return withLyingSizes(wav); }, 0.6},
        {"half-cut.mp3", [](auto &, auto &mp3) { return mp3.substr(0, mp3.size() / 2); }, 0.3},
        {"garbage-after.mp3", [](auto &, auto &mp3) { return mp3 + randomBytes(5000, 6); }, 0.6},
        {"garbage-before.mp3", [](auto &, auto &mp3) { return randomBytes(3000, 7) + mp3; }, 0.6},
        {"two-files-stitched.mp3", [&](auto &, auto &mp3) { return mp3 + otherMp3; }, 0.6},
        {"rate-100.wav", [&](auto &, auto &) { return wavWith(100, 1); }, -1},
        {"six-channels.wav", [&](auto &, auto &) { return wavWith(44100, 6); }, -1},
        {"rate-8000.wav", [&](auto &, auto &) { return wavWith(8000, 1); }, 0.5},
    };
    for (const FileCase &test : cases) {
        SCOPED_TRACE(test.name);
        writeBytes(folder / test.name, test.contents(wav, mp3));
        const HSTREAM stream = BASS_StreamCreateFile(0, (folder / test.name).c_str(), 0, 0, 0);
        if (test.playableSeconds < 0) {
            EXPECT_EQ(stream, 0u);
            continue;
        }
        ASSERT_NE(stream, 0u);
        const double seconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        EXPECT_NEAR(seconds, test.playableSeconds, 2 * oneMp3FrameSeconds + 0.01);
        ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
        EXPECT_TRUE(playToEnd(stream, test.playableSeconds + 10));
        BASS_StreamFree(stream);
    }
}

TEST_F(BadInput, PathsThatAreNotPlayableFilesAreRefusedAtOnce)
{
    fs::create_directory(folder / "folder.mp3");
    ASSERT_EQ(mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
    fs::create_symlink(folder / "folder.mp3", folder / "link-to-folder.wav");
    for (const char *name : {"folder.mp3", "pipe.wav", "missing.wav", "link-to-folder.wav", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(BASS_StreamCreateFile(0, (folder / name).c_str(), 0, 0, 0), 0u);
    }
}

// Paths are bytes: names that are not UTF-8, or hold spaces and line feeds, open.
TEST_F(BadInput, OddNamesOpen)
{
    for (const std::string name : {"\xff\xfe\xe9 latin1 \xe0.wav", "with space and\nnewline.mp3", "\xd0\xf3\xf1.mp3"}) {
        SCOPED_TRACE(name);
        writeBytes(folder / name, name.ends_with(".wav") ? wav : mp3);
        const HSTREAM stream = BASS_StreamCreateFile(0, (folder / name).c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)), 0.6, 0.001);
    }
}

// A file deleted while it plays keeps playing from the open file; one cut short
// while it plays ends early. Neither crashes nor hangs.
TEST_F(BadInput, FileDeletedOrCutWhilePlayingEnds)
{
    writeWav(folder / "long.wav", Tone{440, 3.0});
    writeMp3(folder / "long.mp3", Tone{440, 3.0});
    for (const char *name : {"long.wav", "long.mp3"}) {
        for (const bool cut : {false, true}) {
            SCOPED_TRACE(std::string(name) + (cut ? " cut" : " deleted"));
            const fs::path copy = folder / ("playing-" + std::string(name));
            fs::copy_file(folder / name, copy, fs::copy_options::overwrite_existing);
            const HSTREAM stream = BASS_StreamCreateFile(0, copy.c_str(), 0, 0, 0);
            ASSERT_NE(stream, 0u);
            ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (cut)
                fs::resize_file(copy, 2000);
            else
                fs::remove(copy);
            const auto started = std::chrono::steady_clock::now();
            EXPECT_TRUE(playToEnd(stream, 10));
            const double playedFor = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            if (cut) {
                EXPECT_LT(playedFor, 2.5);
            }
            EXPECT_EQ(BASS_ChannelGetLevel(stream), 0u);
            BASS_StreamFree(stream);
        }
    }
}

} // namespace
