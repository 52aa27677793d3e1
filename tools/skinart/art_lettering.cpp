// Printed lettering. Legends this small read best as hand-set pixel glyphs in
// one flat ink (which also lets the lit art swap that ink exactly); only the
// large chrome name is drawn from an outline font.
#include "art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace art {

namespace {

struct Glyph {
    char character;
    std::string_view rows; // rows separated by spaces, '#' is ink
};

// 5 x 7 capitals and figures for panel legends.
constexpr Glyph kLegendGlyphs[] = {
    {'A', ".###. #...# #...# ##### #...# #...# #...#"}, {'B', "####. #...# #...# ####. #...# #...# ####."},
    {'C', ".###. #...# #.... #.... #.... #...# .###."}, {'D', "####. #...# #...# #...# #...# #...# ####."},
    {'E', "##### #.... #.... ####. #.... #.... #####"}, {'F', "##### #.... #.... ####. #.... #.... #...."},
    {'G', ".###. #...# #.... #.### #...# #...# .###."}, {'H', "#...# #...# #...# ##### #...# #...# #...#"},
    {'I', "### .#. .#. .#. .#. .#. ###"},             {'J', "..### ...#. ...#. ...#. ...#. #..#. .##.."},
    {'K', "#...# #..#. #.#.. ##... #.#.. #..#. #...#"}, {'L', "#.... #.... #.... #.... #.... #.... #####"},
    {'M', "#...# ##.## #.#.# #.#.# #...# #...# #...#"}, {'N', "#...# ##..# #.#.# #.#.# #..## #...# #...#"},
    {'O', ".###. #...# #...# #...# #...# #...# .###."}, {'P', "####. #...# #...# ####. #.... #.... #...."},
    {'Q', ".###. #...# #...# #...# #.#.# #..#. .##.#"}, {'R', "####. #...# #...# ####. #.#.. #..#. #...#"},
    {'S', ".#### #.... #.... .###. ....# ....# ####."}, {'T', "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.."},
    {'U', "#...# #...# #...# #...# #...# #...# .###."}, {'V', "#...# #...# #...# #...# #...# .#.#. ..#.."},
    {'W', "#...# #...# #...# #.#.# #.#.# ##.## #...#"}, {'X', "#...# #...# .#.#. ..#.. .#.#. #...# #...#"},
    {'Y', "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.."}, {'Z', "##### ....# ...#. ..#.. .#... #.... #####"},
    {'0', ".###. #...# #...# #...# #...# #...# .###."}, {'1', ".#. ##. .#. .#. .#. .#. ###"},
    {'2', ".###. #...# ....# ...#. ..#.. .#... #####"}, {'3', "####. ....# ....# .###. ....# ....# ####."},
    {'4', "...#. ..##. .#.#. #..#. ##### ...#. ...#."}, {'5', "##### #.... ####. ....# ....# #...# .###."},
    {'6', "..##. .#... #.... ####. #...# #...# .###."}, {'7', "##### ....# ...#. ..#.. .#... .#... .#..."},
    {'8', ".###. #...# #...# .###. #...# #...# .###."}, {'9', ".###. #...# #...# .#### ....# ...#. .##.."},
    {'-', "... ... ... ### ... ... ..."},             {'+', "..... ..#.. ..#.. ##### ..#.. ..#.. ....."},
    {'.', ". . . . . . #"},                           {' ', "... ... ... ... ... ... ..."},
};

// 3 x 5 figures and capitals for the meter scales and fine print.
constexpr Glyph kTinyGlyphs[] = {
    {'0', "### #.# #.# #.# ###"}, {'1', ".#. ##. .#. .#. ###"}, {'2', "### ..# ### #.. ###"},
    {'3', "### ..# .## ..# ###"}, {'4', "#.# #.# ### ..# ..#"}, {'5', "### #.. ### ..# ###"},
    {'6', "### #.. ### #.# ###"}, {'7', "### ..# ..# .#. .#."}, {'8', "### #.# ### #.# ###"},
    {'9', "### #.# ### ..# ###"}, {'-', "... ... ### ... ..."}, {'+', "... .#. ### .#. ..."},
    {'.', ". . . . #"},           {':', ". # . # ."},           {' ', ".. .. .. .. .."},
    {'A', ".#. #.# ### #.# #.#"}, {'B', "##. #.# ##. #.# ##."}, {'C', ".## #.. #.. #.. .##"},
    {'D', "##. #.# #.# #.# ##."}, {'E', "### #.. ##. #.. ###"}, {'F', "### #.. ##. #.. #.."},
    {'G', ".## #.. #.# #.# .##"}, {'H', "#.# #.# ### #.# #.#"}, {'I', "### .#. .#. .#. ###"},
    {'K', "#.# #.# ##. #.# #.#"}, {'L', "#.. #.. #.. #.. ###"}, {'M', "#...# ##.## #.#.# #...# #...#"},
    {'N', "#..# ##.# #.## #..# #..#"}, {'O', "### #.# #.# #.# ###"}, {'P', "##. #.# ##. #.. #.."},
    {'Q', ".#. #.# #.# ##. .##"}, {'R', "##. #.# ##. #.# #.#"}, {'S', ".## #.. .#. ..# ##."},
    {'T', "### .#. .#. .#. .#."}, {'U', "#.# #.# #.# #.# ###"}, {'V', "#.# #.# #.# #.# .#."},
    {'W', "#...# #...# #.#.# #.#.# .#.#."}, {'X', "#.# #.# .#. #.# #.#"}, {'Y', "#.# #.# .#. .#. .#."},
};

const Glyph *findGlyph(char c, PixelFont font)
{
    auto search = [c](const auto &table) -> const Glyph * {
        const auto it = std::find_if(std::begin(table), std::end(table),
                                     [c](const Glyph &g) { return g.character == c; });
        return it == std::end(table) ? nullptr : &*it;
    };
    return font == PixelFont::Legend ? search(kLegendGlyphs) : search(kTinyGlyphs);
}

int glyphWidth(const Glyph &glyph)
{
    const auto end = glyph.rows.find(' ');
    return static_cast<int>(end == std::string_view::npos ? glyph.rows.size() : end);
}

} // namespace

int pixelTextWidth(std::string_view text, PixelFont font, int spacing)
{
    int width = 0;
    for (char c : text) {
        if (const Glyph *glyph = findGlyph(c, font))
            width += glyphWidth(*glyph) + spacing;
    }
    return width > 0 ? width - spacing : 0;
}

void drawPixelText(QImage &image, int x, int y, std::string_view text, QRgb colour, PixelFont font,
                   int spacing)
{
    for (char c : text) {
        const Glyph *glyph = findGlyph(c, font);
        if (!glyph)
            continue;
        const int width = glyphWidth(*glyph);
        int row = 0, column = 0;
        for (char cell : glyph->rows) {
            if (cell == ' ') {
                ++row;
                column = 0;
                continue;
            }
            if (cell == '#' && image.rect().contains(x + column, y + row))
                image.setPixel(x + column, y + row, colour);
            ++column;
        }
        x += width + spacing;
    }
}

void drawChromeText(QImage &image, const QRectF &box, const QString &text, const QString &family,
                    int pixelHeight)
{
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, pixelHeight * 0.12);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    path.translate(box.center() - bounds.center());
    const QRectF glyphs = path.boundingRect();

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Engraved look: a dark shadow below right, a faint light edge above left.
    painter.setBrush(QColor(0, 0, 0, 190));
    painter.drawPath(path.translated(1.0, 1.2));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawPath(path.translated(-0.6, -0.6));

    QLinearGradient chrome(glyphs.topLeft(), glyphs.bottomLeft());
    chrome.setColorAt(0.00, QColor(250, 252, 255));
    chrome.setColorAt(0.30, QColor(196, 202, 210));
    chrome.setColorAt(0.49, QColor(120, 126, 134));
    chrome.setColorAt(0.52, QColor(62, 66, 72));
    chrome.setColorAt(0.70, QColor(150, 156, 164));
    chrome.setColorAt(1.00, QColor(232, 236, 242));
    painter.setBrush(chrome);
    painter.setPen(QPen(QColor(28, 30, 34, 150), 0.5));
    painter.drawPath(path);
}

} // namespace art
