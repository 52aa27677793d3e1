// The tick with the real engine: a stream playing a loud-left, quiet-right file moves
// the left needle higher than the right and the LCD counts the seconds; a stream of
// more than 2 GiB keeps its true length on the LCD and the bar.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

#include "app/player_state.h"
#include "audio_engine.h"
#include "display/displays.h"
#include "display/tests/display_test_support.h"
#include "platform/toolkit.h"

namespace {

constexpr int sampleRate = 44100;

QImage expectedLcd(const std::string &elapsed, const std::string &length, const char *counter) {
  return textsOver(skinImage(SkinImage::LcdBackground),
                   {{{45, 24}, QString::fromUtf8("таймер:  ") + QString::fromStdString(elapsed)},
                    {{160, 24}, QString::fromUtf8("время:  ") + QString::fromStdString(length)},
                    {{280, 24}, QString::fromUtf8(counter)}});
}

bool writeStereoSine(const std::string &path, double seconds, double leftPeak, double rightPeak) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const auto frames = static_cast<sf_count_t>(seconds * sampleRate);
  std::vector<float> samples(static_cast<size_t>(frames) * 2);
  for (sf_count_t frame = 0; frame < frames; ++frame) {
    const double wave = std::sin(2.0 * M_PI * 440.0 * double(frame) / sampleRate);
    samples[size_t(frame) * 2] = float(leftPeak * wave);
    samples[size_t(frame) * 2 + 1] = float(rightPeak * wave);
  }
  const bool written = sf_writef_float(file, samples.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

// A canonical 16-bit stereo WAV header claiming dataBytes, the data left as a hole.
bool writeSparseWav(const std::string &path, uint32_t dataBytes) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  auto le32 = [&](uint32_t value) {
    const unsigned char bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    std::fwrite(bytes, 1, 4, file);
  };
  auto le16 = [&](uint16_t value) {
    const unsigned char bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
    std::fwrite(bytes, 1, 2, file);
  };
  std::fwrite("RIFF", 1, 4, file);
  le32(36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, file);
  le32(16);
  le16(1);
  le16(2);
  le32(sampleRate);
  le32(sampleRate * 4);
  le16(4);
  le16(16);
  std::fwrite("data", 1, 4, file);
  le32(dataBytes);
  const bool headerWritten = std::ftell(file) == 44;
  const bool closed = std::fclose(file) == 0;
  return headerWritten && closed && truncate(path.c_str(), off_t{44} + dataBytes) == 0;
}

class LiveDisplay : public testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_NE(BASS_Init(-1, sampleRate, 0, nullptr, nullptr), 0); }
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    playlistBoxClear();
    player.darkFaceOffset = 1000;
  }
  void TearDown() override {
    BASS_StreamFree(player.stream);
    player.stream = 0;
  }
  std::string pathOf(const char *name) const { return folder.filePath(name).toStdString(); }
  QTemporaryDir folder;
};

TEST_F(LiveDisplay, LoudLeftQuietRightSwingsTheLeftNeedleAndCountsSeconds) {
  const std::string path = pathOf("loud left.wav");
  ASSERT_TRUE(writeStereoSine(path, 4.0, 0.9, 0.03));
  player.stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(player.stream, 0u);
  ASSERT_NE(BASS_ChannelPlay(player.stream, 0), 0);

  int activeTicks = 0, leftHigher = 0, previousElapsed = 0;
  NeedleTip lastLeft{0, 0};
  // Ticks at the timer's pace until a second has been heard (bounded for a loaded machine).
  for (int tick = 0; tick < 300 && (player.elapsedSeconds < 1 || activeTicks < 30); ++tick) {
    QThread::msleep(35);
    const bool active = BASS_ChannelIsActive(player.stream) != 0;
    displayTick();
    EXPECT_GE(player.elapsedSeconds, previousElapsed);
    previousElapsed = player.elapsedSeconds;
    if (!active || player.leftNeedleX == 5) continue;
    ++activeTicks;
    lastLeft = {player.leftNeedleX, player.leftNeedleLift};
    if (player.leftNeedleX > player.rightNeedleX + 20 && player.leftNeedleLift > player.rightNeedleLift) ++leftHigher;
  }
  ASSERT_GE(activeTicks, 10);
  EXPECT_GE(leftHigher, activeTicks * 9 / 10);
  EXPECT_GE(player.elapsedSeconds, 1);
  // A 0.9 peak scales to about 81: far up the arc, while the quiet right lies at rest.
  EXPECT_GE(lastLeft.x, 60);
  EXPECT_EQ(player.rightNeedleX, 5);
  EXPECT_EQ(player.lengthBytes, int64_t{4 * sampleRate * 4});
  EXPECT_EQ(canvas(Canvas::LeftMeterCanvas).pixel(lastLeft.x, 40 - lastLeft.lift) & 0xFFFFFFu, 0xFFFFFFu);

  const std::string elapsed = elapsedReading(player.elapsedSeconds);
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd(elapsed, "0:04", "0/0")), 0) << elapsed;
}

TEST_F(LiveDisplay, StreamOfMoreThan2GiBShowsItsTrueLengthAndFillsTheBar) {
  const std::string path = pathOf("long.wav");
  constexpr uint32_t dataBytes = 3000000000u;  // 17006.8 s of CD audio, 4:43:27
  ASSERT_TRUE(writeSparseWav(path, dataBytes));
  player.stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(player.stream, 0u);
  ASSERT_NE(BASS_ChannelSetPosition(player.stream, dataBytes / 2, BASS_POS_BYTE), 0);
  displayTick();
  EXPECT_EQ(player.lengthBytes, int64_t{dataBytes});
  EXPECT_EQ(player.elapsedSeconds, 8503);
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd("141:43", "283:27", "0/0")), 0);
  const QImage &bar = canvas(Canvas::ProgressCanvas);
  EXPECT_EQ(bar.pixel(168, 1) & 0xFFFFFFu, 0xE76411u);  // 8503 * 340 / 17007 = 169.99: 169 pixels
  EXPECT_EQ(bar.pixel(169, 1) & 0xFFFFFFu, 0x191919u);
}

TEST_F(LiveDisplay, NoStreamReadsZeroesAndLeavesTheBarGrey) {
  player.stream = 0;
  player.leftNeedleX = player.leftNeedleLift = 3;
  displayTick();
  EXPECT_EQ(player.elapsedSeconds, -1);
  EXPECT_EQ(player.lengthBytes, -1);
  EXPECT_EQ(player.leftNeedleX, 3);
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd("0:00", "0:00", "0/0")), 0);
  for (int x = 0; x < 340; ++x) EXPECT_EQ(canvas(Canvas::ProgressCanvas).pixel(x, 0) & 0xFFFFFFu, 0x191919u);
}

}  // namespace
