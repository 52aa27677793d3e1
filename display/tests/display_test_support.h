// Shared by the display tests: one player (skin, windows, controls) per process,
// and reference pictures composed independently of the display painters.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

// A text drawn with its cell's top-left corner at `place`.
struct PlacedText {
  QPoint place;
  QString text;
};

// The background with the texts drawn over it in white LcdFont, the way any QPainter
// draws a text whose baseline lies one ascent below the cell's top.
QImage textsOver(const QImage &background, const std::vector<PlacedText> &texts);

// Pixels at which two images of the same size differ.
int differingPixels(const QImage &a, const QImage &b);

// Runs once from main: the toolkit on the offscreen platform and the player's objects.
void startDisplayTestPlayer(int &argc, char **argv);
