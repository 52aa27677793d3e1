// The LCD strip, the ticker and the progress bar on their real canvases, and their
// image controls repainting after every tick.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QRegion>
#include <memory>
#include <vector>

#include "app/player_state.h"
#include "display/displays.h"
#include "display/tests/display_test_support.h"
#include "platform/text_codec.h"
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

// A text many times wider than the strip, at every stage of its way across.
TEST(Ticker, LongTextLooksTheSameAtEveryPosition) {
  player.tickerText = std::string(DefaultTickerText) + " \xC0\xE1\xE2 (\xFF) " + std::string(DefaultTickerText);
  const QString shown = decodeCp1251(player.tickerText);
  const int width = lcdWidthOf(shown);
  ASSERT_GT(width, 3 * 273);
  player.tickerStep = 1.0f;
  for (int x = 230; x >= -width - 20; x -= 3) {
    player.tickerX = float(x + 1);
    paintTicker();
    ASSERT_EQ(differingPixels(canvas(Canvas::TickerCanvas), expectedTicker(x, shown)), 0) << x;
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

// Counts the paints of one image control and gathers the area they covered.
struct PaintCounter : QObject {
  int paints = 0;
  QRegion painted;
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      painted += static_cast<QPaintEvent *>(event)->region();
    }
    return false;
  }
};

ImageControlWidget *controlShowing(const QImage &image) {
  for (QWidget *widget : QApplication::allWidgets())
    if (auto *control = dynamic_cast<ImageControlWidget *>(widget); control && control->image() == &image)
      return control;
  return nullptr;
}

// The smallest rect holding every pixel at which two images of one size differ.
QRect differingArea(const QImage &a, const QImage &b) {
  QRect area;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) area |= QRect(x, y, 1, 1);
  return area;
}

constexpr Canvas viewedCanvases[] = {Canvas::LeftMeterCanvas, Canvas::RightMeterCanvas, Canvas::TickerCanvas,
                                     Canvas::LcdCanvas, Canvas::ProgressCanvas};

// What one change does to every view: which canvases' pixels it changes, and
// whether their views repainted those pixels.
struct ViewWatch {
  std::vector<std::unique_ptr<PaintCounter>> counters;
  std::vector<QImage> before;

  ViewWatch() {
    for (Canvas name : viewedCanvases) {
      ImageControlWidget *control = controlShowing(canvas(name));
      EXPECT_NE(control, nullptr) << int(name);
      counters.push_back(std::make_unique<PaintCounter>());
      if (control) control->installEventFilter(counters.back().get());
      before.push_back(canvas(name).copy());
    }
  }
  ~ViewWatch() {
    for (size_t i = 0; i < counters.size(); ++i)
      if (ImageControlWidget *control = controlShowing(canvas(viewedCanvases[i])))
        control->removeEventFilter(counters[i].get());
  }

  // Each view repaints when, and only when, its pixels changed, and then covers
  // them. Returns how many canvases changed.
  int expectRepaintsExactlyWhereChanged(const char *change) {
    int changedCanvases = 0;
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
    for (size_t i = 0; i < counters.size(); ++i) {
      SCOPED_TRACE(testing::Message() << change << ", canvas " << i);
      const QImage &now = canvas(viewedCanvases[i]);
      const QRect changed = differingArea(before[i], now);
      if (changed.isEmpty()) {
        EXPECT_EQ(counters[i]->paints, 0);
      } else {
        ++changedCanvases;
        EXPECT_GE(counters[i]->paints, 1);
        EXPECT_EQ(QRegion(changed).subtracted(counters[i]->painted), QRegion());
      }
      counters[i]->paints = 0;
      counters[i]->painted = QRegion();
      before[i] = now.copy();
    }
    return changedCanvases;
  }
};

TEST(DisplayViews, RepaintExactlyWhenTheirPixelsChange) {
  showWindow(Window::MainWindow);
  resizeWindow(Window::PlaylistWindow, 400, 396);
  showWindow(Window::PlaylistWindow);
  player.stream = 0;
  player.tickerText = "Sample text";
  player.tickerX = 100.0f;
  player.tickerStep = 1.0f;
  displayTick();
  QCoreApplication::processEvents();

  ViewWatch watch;
  for (int tick = 1; tick <= 3; ++tick) {
    displayTick();
    EXPECT_EQ(watch.expectRepaintsExactlyWhereChanged("the ticker moves"), 1);
  }

  player.tickerStep = 0.0f;
  for (int tick = 1; tick <= 3; ++tick) {
    displayTick();
    EXPECT_EQ(watch.expectRepaintsExactlyWhereChanged("nothing changes"), 0);
  }

  const struct {
    const char *change;
    void (*apply)();
  } changes[] = {
      {"left needle", [] { player.leftNeedleX += 20; }},
      {"right needle lifts", [] { player.rightNeedleLift += 10; }},
      {"dark faces", [] { player.darkFaceOffset = player.darkFaceOffset == 0 ? 1000 : 0; }},
      {"counter", [] {
         playlistBoxClear();
         for (int row = 0; row < 12; ++row) playlistBoxAppend("track " + std::to_string(row) + ".mp3");
         playlistBoxSelect(7);
       }},
      {"ticker text", [] { player.tickerText = "Other text"; }},
  };
  for (const auto &change : changes) {
    change.apply();
    displayTick();
    EXPECT_GE(watch.expectRepaintsExactlyWhereChanged(change.change), 1);
    displayTick();
    EXPECT_EQ(watch.expectRepaintsExactlyWhereChanged(change.change), 0);
  }
  // Without a stream the tick leaves the bar empty; painted directly it still reaches the screen.
  paintProgressBar(60, 120);
  EXPECT_EQ(watch.expectRepaintsExactlyWhereChanged("progress"), 1);
  displayTick();
  EXPECT_EQ(watch.expectRepaintsExactlyWhereChanged("progress back to empty"), 1);

  playlistBoxClear();
  player.leftNeedleX -= 20;
  player.rightNeedleLift -= 10;
  player.darkFaceOffset = 0;
  player.tickerStep = 1.0f;
}

}  // namespace
