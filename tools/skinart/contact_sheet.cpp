// skin_contact_sheet OUTPUT.png
// Decodes the embedded skin the way the player does and lays all 35 images
// out at 1x and 3x on a checkerboard (so alpha shows), each with its name.
#include "embedded_skin.h"
#include "skin.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSheetWidth = 1800;
constexpr int kMargin = 12;
constexpr int kCaptionHeight = 16;
constexpr int kZoom = 3;
constexpr int kMinCellWidth = 190; // room for the caption

void fillChecker(QPainter &painter, const QRect &area)
{
    constexpr int kSquare = 6;
    painter.save();
    painter.setClipRect(area);
    for (int y = area.top(); y <= area.bottom(); y += kSquare)
        for (int x = area.left(); x <= area.right(); x += kSquare) {
            const bool light = ((x - area.left()) / kSquare + (y - area.top()) / kSquare) % 2 == 0;
            painter.fillRect(QRect(x, y, kSquare, kSquare), light ? QColor(200, 200, 200) : QColor(150, 150, 150));
        }
    painter.restore();
}

QSize cellSize(const QImage &image)
{
    const QSize size = image.isNull() ? QSize(40, 20) : image.size();
    return {std::max(kMinCellWidth, size.width() * (1 + kZoom) + 3 * kMargin), size.height() * kZoom + kCaptionHeight + kMargin};
}

// The front panel as a user sees it with the power on, every kind of image in place.
QImage poweredOnPreview()
{
    QImage panel = skinImage(SkinImage::MainBackground).copy();
    QPainter p(&panel);
    p.drawImage(10, 10, skinImage(SkinImage::MeterFaceLit));
    p.drawImage(120, 10, skinImage(SkinImage::MeterFaceLit));
    p.drawImage(66, 76, skinImage(SkinImage::ButtonGlow));
    p.drawImage(25, 105, skinImage(SkinImage::LabelMp3Lit));
    p.drawImage(127, 105, skinImage(SkinImage::LabelOpenLit));
    p.drawImage(330, 0, skinImage(SkinImage::TitleButtonGlow));
    p.drawImage(372, 67, DigitLit(7));
    p.drawImage(284, 67, KnobImage(7));
    return panel.scaled(panel.size() * kZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_contact_sheet OUTPUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    LoadSkin();

    // Flow the cells into rows.
    std::vector<QRect> cells;
    int x = kMargin, y = kMargin, rowHeight = 0;
    for (std::size_t i = 0; i < kSkinImageCount; ++i) {
        const QSize size = cellSize(skinImage(static_cast<SkinImage>(i)));
        if (x + size.width() > kSheetWidth && x > kMargin) {
            x = kMargin;
            y += rowHeight;
            rowHeight = 0;
        }
        cells.emplace_back(QPoint(x, y), size);
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }

    const int previewTop = y + rowHeight + kMargin;
    QImage sheet(kSheetWidth, previewTop + kCaptionHeight + 200 * kZoom + kMargin, QImage::Format_RGB32);
    sheet.fill(QColor(64, 64, 68));
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < kSkinImageCount; ++i) {
        const QImage &image = skinImage(static_cast<SkinImage>(i));
        const QRect cell = cells[i];
        painter.setPen(Qt::white);
        const QString caption = QString::fromLatin1(skinImageNames[i].data(), static_cast<qsizetype>(skinImageNames[i].size())) +
                                QStringLiteral("  %1 x %2%3").arg(image.width()).arg(image.height()).arg(image.hasAlphaChannel() ? QStringLiteral(" alpha") : QString());
        painter.drawText(cell.topLeft() + QPoint(0, 12), image.isNull() ? caption + QStringLiteral("  (failed)") : caption);
        if (image.isNull())
            continue;
        const QPoint oneX = cell.topLeft() + QPoint(0, kCaptionHeight);
        const QPoint threeX = oneX + QPoint(image.width() + kMargin, 0);
        fillChecker(painter, QRect(oneX, image.size()));
        fillChecker(painter, QRect(threeX, image.size() * kZoom));
        painter.drawImage(oneX, image);
        painter.drawImage(threeX, image.scaled(image.size() * kZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    painter.setPen(Qt::white);
    painter.drawText(QPoint(kMargin, previewTop + 12),
                     QStringLiteral("MainBackground with the power on: a hovered key and power button, lit labels, step 7"));
    painter.drawImage(QRect(QPoint(kMargin, previewTop + kCaptionHeight), QSize(400, 200) * kZoom), poweredOnPreview());
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "skin_contact_sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
