#include "display/tests/display_test_support.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/startup.h"
#include "platform/toolkit.h"
#include "skin/skin.h"

QImage textsOver(const QImage &background, const std::vector<PlacedText> &texts) {
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.setFont(LcdFont());
  painter.setPen(QColor(255, 255, 255));
  const int ascent = QFontMetrics(LcdFont(), &picture).ascent();
  for (const PlacedText &placed : texts)
    painter.drawText(QPoint(placed.place.x(), placed.place.y() + ascent), placed.text);
  return picture;
}

int differingPixels(const QImage &a, const QImage &b) {
  if (a.size() != b.size()) return a.width() * a.height() + b.width() * b.height();
  int count = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFFu) != (b.pixel(x, y) & 0xFFFFFFu)) ++count;
  return count;
}

void startDisplayTestPlayer(int &argc, char **argv) {
  startToolkit(argc, argv);
  createPlayerObjects();
}
