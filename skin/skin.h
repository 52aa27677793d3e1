// The player's look: 35 images embedded in the executable as PNG bytes, decoded
// once by LoadSkin with libpng, plus the five display canvases and LcdFont.
// Everything here lives from LoadSkin until the process ends.
#pragma once

#include <QFont>
#include <QImage>

// In the order LoadSkin decodes them; DigitLit and KnobImage run 0 to 10.
enum class SkinImage {
    MeterFaceLit,
    MeterCap,
    MainBackground,
    ButtonGlow,
    LabelMp3Lit,
    LabelFmLit,
    LabelOpenLit,
    LabelPauseLit,
    TitleButtonGlow,
    MeterFaceDark,
    DigitLit0,
    DigitLit10 = DigitLit0 + 10,
    KnobImage0,
    KnobImage10 = KnobImage0 + 10,
    PlaylistBackground,
    LcdBackground,
    TickerBackground,
    Count
};
static_assert(static_cast<int>(SkinImage::Count) == 35);

enum class Canvas { LeftMeterCanvas, RightMeterCanvas, TickerCanvas, LcdCanvas, ProgressCanvas, Count };

void LoadSkin();

// Opaque images are QImage::Format_RGB32, images with alpha Format_ARGB32
// (straight alpha, as in the PNG). An image that failed to decode is null.
const QImage &skinImage(SkinImage name);
const QImage &DigitLit(int step);  // step 0 to 10
const QImage &KnobImage(int step); // step 0 to 10

// 24-bit RGB drawing targets (Format_RGB32), created black.
QImage &canvas(Canvas name);

const QFont &LcdFont();
