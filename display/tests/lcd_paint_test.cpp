// The LCD strip, the ticker and the progress bar on their real canvases, and their
// image controls repainting after every tick.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <memory>
#include <vector>

#include "app/player_state.h"
#include "display/displays.h"
#include "display/tests/display_test_support.h"
#include "platform/toolkit.h"
#include "platform/widgets.h"

namespace {

QString utf8(const char *text) { return QString::fromUtf8(text); }

QImage expectedLcd(const char *elapsed, const char *length, const char *counter) {
  return textsOver(skinImage(SkinImage::LcdBackground), {{{45, 24}, utf8("таймер:  ") + utf8(elapsed)},
                                                         {{160, 24}, utf8("время:  ") + utf8(length)},
                                                         {{280, 24}, utf8(counter)}});
}

TEST(LcdStrip, ShowsLabelledReadingsAndCounter) {
  const struct {
    int32_t elapsed, length, selectedRow, rowCount;
    const char *elapsedText, *lengthText, *counterText;
  } cases[] = {
      {0, 0, -1, 0, "0:00", "0:00", "0/0"},
      {65, 185, 2, 12, "1:05", "3:05", "3/12"},
      {600, 600, 0, 1, "10:00", "10:00", "1/1"},
      {3725, 3725, 9, 10, "62:05", "62:05", "10/10"},
      {-1, -1, -1, 3, "0:00", "0:00", "0/3"},
      {-75, -2147483647 - 1, 4, 5, "0:00", "0:00", "5/5"},
      {3599, 17007, 99, 100, "59:59", "283:27", "100/100"},
  };
  for (const auto &lcdCase : cases) {
    SCOPED_TRACE(lcdCase.elapsedText);
    paintLcdStrip(lcdCase.elapsed, lcdCase.length, lcdCase.selectedRow, lcdCase.rowCount);
    const QImage expected = expectedLcd(lcdCase.elapsedText, lcdCase.lengthText, lcdCase.counterText);
    EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expected), 0);
    // The glyphs really are there: the strip is not just its background.
    EXPECT_GT(differingPixels(canvas(Canvas::LcdCanvas), skinImage(SkinImage::LcdBackground)), 50);
  }
}

TEST(LcdStrip, TickWithoutStreamShowsZeroesAndTheListSelection) {
  player.stream = 0;
  playlistBoxClear();
  for (int row = 0; row < 12; ++row) playlistBoxAppend("track " + std::to_string(row) + ".mp3");
  playlistBoxSelect(2);
  displayTick();
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd("0:00", "0:00", "3/12")), 0);
  // The counter follows the selection at once, whatever plays.
  playlistBoxSelect(11);
  displayTick();
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd("0:00", "0:00", "12/12")), 0);
  playlistBoxClear();
  displayTick();
  EXPECT_EQ(differingPixels(canvas(Canvas::LcdCanvas), expectedLcd("0:00", "0:00", "0/0")), 0);
}

int lcdWidthOf(const QString &text) {
  return QFontMetrics(LcdFont(), &canvas(Canvas::TickerCanvas)).horizontalAdvance(text);
}

QImage expectedTicker(int x, const QString &text) {
  return textsOver(skinImage(SkinImage::TickerBackground), {{{x, -1}, text}});
}

TEST(Ticker, MovesOnePixelPerTickFromItsStart) {
  player.tickerText = "Sample text";
  player.tickerX = tickerStartX;
  for (int expectedX : {19, 18, 17, 16}) {
    paintTicker();
    EXPECT_EQ(player.tickerX, float(expectedX));
    EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas), expectedTicker(expectedX, utf8("Sample text"))), 0);
  }
}

TEST(Ticker, DrawsAtTheNearestPixelTiesToEven) {
  player.tickerText = "Sample text";
  const struct {
    float before;
    int drawnAt;
  } cases[] = {{11.5f, 10}, {12.5f, 12}, {13.25f, 12}, {13.75f, 13}, {-3.5f, -4}};
  for (const auto &roundingCase : cases) {
    player.tickerX = roundingCase.before;
    paintTicker();
    EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas),
                              expectedTicker(roundingCase.drawnAt, utf8("Sample text"))), 0)
        << roundingCase.before;
  }
}

TEST(Ticker, RestartsAt230OnlyAfterTheTextHasLeftTheStrip) {
  player.tickerText = "\xCA\xE0\xED\xE0\xEB\xEE\xE2 radio";  // "Каналов radio" in code page 1251
  const QString shown = utf8("Каналов radio");
  const int width = lcdWidthOf(shown);
  ASSERT_GT(width, 20);
  player.tickerX = float(-(width + 20) + 1);
  paintTicker();
  EXPECT_EQ(player.tickerX, float(-(width + 20)));  // exactly at the limit: no restart yet
  EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas), skinImage(SkinImage::TickerBackground)), 0);
  paintTicker();
  EXPECT_EQ(player.tickerX, tickerRestartX);
  EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas), expectedTicker(230, shown)), 0);
  // In every position on the way out some of the text is still visible.
  player.tickerX = 0.0f;
  while (player.tickerX > float(-width + 2)) {
    paintTicker();
    EXPECT_GT(differingPixels(canvas(Canvas::TickerCanvas), skinImage(SkinImage::TickerBackground)), 0)
        << player.tickerX;
  }
}

TEST(Ticker, EmptyTextDrawsNothingAndRestartsBelowMinus20) {
  player.tickerText.clear();
  player.tickerX = -19.0f;
  paintTicker();
  EXPECT_EQ(player.tickerX, -20.0f);
  EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas), skinImage(SkinImage::TickerBackground)), 0);
  paintTicker();
  EXPECT_EQ(player.tickerX, tickerRestartX);
}

TEST(Ticker, NewTextContinuesFromThePositionAndStaysOneLine) {
  player.tickerText = "first";
  player.tickerX = 100.0f;
  paintTicker();
  player.tickerText = std::string("two\nlines \xFF\x00 end", 16);
  paintTicker();
  EXPECT_EQ(player.tickerX, 98.0f);
  EXPECT_EQ(differingPixels(canvas(Canvas::TickerCanvas),
                            expectedTicker(98, utf8("two\xEF\xBF\xBDlines я\xEF\xBF\xBD end"))), 0);
}

TEST(ProgressBar, PlayedPartInOrangeOnTheDarkTrack) {
  const struct {
    int32_t elapsed, length, orange;
  } cases[] = {
      {30, 120, 85},  {119, 120, 337}, {120, 120, 340}, {1, 1000, 0},   {500, 0, 0},
      {5, -1, 0},     {-5, 100, 0},    {500, 120, 340}, {8503, 17007, 169},
      {2147483647, 2147483647, 340},   {-2147483647 - 1, 1, 0},
  };
  for (const auto &barCase : cases) {
    SCOPED_TRACE(testing::Message() << barCase.elapsed << " of " << barCase.length);
    paintProgressBar(barCase.elapsed, barCase.length);
    const QImage &bar = canvas(Canvas::ProgressCanvas);
    ASSERT_EQ(bar.size(), QSize(340, 2));
    int orange = 0, grey = 0;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 340; ++x) {
        const QRgb shown = bar.pixel(x, y) & 0xFFFFFFu;
        if (shown == 0xE76411u && x < barCase.orange) ++orange;
        if (shown == 0x191919u && x >= barCase.orange) ++grey;
      }
    EXPECT_EQ(orange, 2 * barCase.orange);
    EXPECT_EQ(grey, 2 * (340 - barCase.orange));
  }
}

// Counts the paints of one image control.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

ImageControlWidget *controlShowing(const QImage &image) {
  for (QWidget *widget : QApplication::allWidgets())
    if (auto *control = dynamic_cast<ImageControlWidget *>(widget); control && control->image() == &image)
      return control;
  return nullptr;
}

TEST(DisplayViews, EveryTickRepaintsEveryView) {
  showWindow(Window::MainWindow);
  resizeWindow(Window::PlaylistWindow, 400, 396);
  showWindow(Window::PlaylistWindow);
  displayTick();
  QCoreApplication::processEvents();
  const Canvas canvases[] = {Canvas::LeftMeterCanvas, Canvas::RightMeterCanvas, Canvas::TickerCanvas,
                             Canvas::LcdCanvas, Canvas::ProgressCanvas};
  std::vector<std::unique_ptr<PaintCounter>> counters;
  for (Canvas name : canvases) {
    ImageControlWidget *control = controlShowing(canvas(name));
    ASSERT_NE(control, nullptr) << int(name);
    counters.push_back(std::make_unique<PaintCounter>());
    control->installEventFilter(counters.back().get());
  }
  // Nothing changes between these ticks except the ticker, yet each view repaints.
  player.stream = 0;
  for (int tick = 1; tick <= 3; ++tick) {
    displayTick();
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
    for (size_t i = 0; i < counters.size(); ++i) EXPECT_GE(counters[i]->paints, tick) << "canvas " << i;
  }
  for (size_t i = 0; i < counters.size(); ++i)
    controlShowing(canvas(canvases[i]))->removeEventFilter(counters[i].get());
}

}  // namespace
