/* The LCD strip and its ticker, white LcdFont glyphs on the orange face.
 *
 * Both canvases are repainted from their backgrounds every tick. The texts change at
 * most once a second (the readings) or once per track (the ticker), so each is laid
 * out once when it changes and drawn from that layout otherwise: a tick allocates
 * nothing while the texts stay the same. A text is placed by the top-left corner of
 * its cell.
 */
#include "display/displays.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStaticText>
#include <string>

#include "app/player_state.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"

namespace {

struct TextPlace {
  int x, y;
};
constexpr TextPlace elapsedPlace{45, 24};
constexpr TextPlace lengthPlace{160, 24};
constexpr TextPlace counterPlace{280, 24};
// The ticker's top cell row lies above the canvas.
constexpr int tickerTextRow = -1;
constexpr QRgb lcdTextColour = qRgb(255, 255, 255);

// "таймер:  " and "время:  " in code page 1251; two blanks stand before the value.
constexpr std::string_view elapsedLabel = "\xF2\xE0\xE9\xEC\xE5\xF0:  ";
constexpr std::string_view lengthLabel = "\xE2\xF0\xE5\xEC\xFF:  ";

QStaticText laidOut(const QString &text) {
  QStaticText staticText(text);
  staticText.setTextFormat(Qt::PlainText);
  staticText.setPerformanceHint(QStaticText::AggressiveCaching);
  return staticText;
}

/* A text that is laid out again only when the values it shows change. */
template <typename Key>
struct CachedText {
  bool valid = false;
  Key key{};
  QStaticText text;

  template <typename MakeText>
  const QStaticText &forKey(const Key &newKey, MakeText makeText) {
    if (!valid || !(key == newKey)) {
      text = laidOut(makeText());
      key = newKey;
      valid = true;
    }
    return text;
  }
};

struct CounterKey {
  int32_t selectedRow, rowCount;
  bool operator==(const CounterKey &) const = default;
};

struct LcdTexts {
  CachedText<int32_t> elapsed;
  CachedText<int32_t> length;
  CachedText<CounterKey> counter;
};

struct TickerTextCache {
  bool valid = false;
  std::string bytes;
  QStaticText text;
  int32_t width = 0;
};

LcdTexts &lcdTexts() {
  static LcdTexts texts;
  return texts;
}

TickerTextCache &tickerTextCache() {
  static TickerTextCache cache;
  return cache;
}

QString labelled(std::string_view label, const std::string &reading) {
  return decodeCp1251(label) + QString::fromLatin1(reading.data(), static_cast<qsizetype>(reading.size()));
}

/* A track's text may carry a file name's line breaks or other control bytes; they are
 * shown as replacement marks so that the ticker stays one line. */
QString tickerScreenText(const std::string &bytes) {
  QString text = decodeScreenText(bytes);
  for (QChar &character : text)
    if (character.unicode() < 0x20 || character.unicode() == 0x7F) character = QChar(0xFFFD);
  return text;
}

void prepareTextPainter(QPainter &painter) {
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setFont(LcdFont());
  painter.setPen(QColor::fromRgb(lcdTextColour));
}

}  // namespace

void paintLcdStrip(int32_t elapsedSeconds, int32_t lengthSeconds, int32_t selectedRow, int32_t rowCount) {
  LcdTexts &texts = lcdTexts();
  const QStaticText &elapsedText = texts.elapsed.forKey(
      elapsedSeconds, [&] { return labelled(elapsedLabel, elapsedReading(elapsedSeconds)); });
  const QStaticText &lengthText = texts.length.forKey(
      lengthSeconds, [&] { return labelled(lengthLabel, lengthReading(lengthSeconds)); });
  const QStaticText &counterText = texts.counter.forKey(CounterKey{selectedRow, rowCount}, [&] {
    return QString::fromStdString(trackCounterReading(selectedRow, rowCount));
  });

  QImage &lcd = canvas(Canvas::LcdCanvas);
  {
    QPainter painter(&lcd);
    painter.drawImage(0, 0, skinImage(SkinImage::LcdBackground));
    prepareTextPainter(painter);
    painter.drawStaticText(elapsedPlace.x, elapsedPlace.y, elapsedText);
    painter.drawStaticText(lengthPlace.x, lengthPlace.y, lengthText);
    painter.drawStaticText(counterPlace.x, counterPlace.y, counterText);
  }
  setControlImage(Control::LcdView, &lcd);
}

void paintTicker() {
  QImage &ticker = canvas(Canvas::TickerCanvas);
  TickerTextCache &cache = tickerTextCache();
  if (!cache.valid || cache.bytes != player.tickerText) {
    cache.bytes = player.tickerText;
    const QString text = tickerScreenText(cache.bytes);
    cache.text = laidOut(text);
    // Measured in the font it is drawn in, so the text restarts only after it has left.
    cache.width = text.isEmpty() ? 0 : QFontMetrics(LcdFont(), &ticker).horizontalAdvance(text);
    cache.valid = true;
  }

  QPainter painter(&ticker);
  painter.drawImage(0, 0, skinImage(SkinImage::TickerBackground));
  player.tickerX = advanceTickerX(player.tickerX, player.tickerStep, cache.width);
  if (!cache.bytes.empty()) {
    prepareTextPainter(painter);
    painter.drawStaticText(tickerDrawX(player.tickerX), tickerTextRow, cache.text);
  }
  painter.end();
  setControlImage(Control::TickerView, &ticker);
}
