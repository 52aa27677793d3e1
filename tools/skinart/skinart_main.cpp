// skinart OUTPUT_DIR GENERATED_CPP
// Draws the 35 skin images, writes each as OUTPUT_DIR/<Name>.png, and writes
// GENERATED_CPP holding the same PNG bytes as arrays for the executable.
#include "art.h"
#include "png_writer.h"

#include "embedded_skin.h"
#include "skin.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::array<QImage, kSkinImageCount> drawAllImages()
{
    std::array<QImage, kSkinImageCount> images;
    auto set = [&images](SkinImage name, QImage image) { images[static_cast<std::size_t>(name)] = std::move(image); };

    const QImage meterFaceLit = art::drawMeterFace(true);
    const QImage mainBackground = art::drawMainBackground(meterFaceLit, art::drawKnob(0, false));
    set(SkinImage::MeterFaceLit, meterFaceLit);
    set(SkinImage::MeterCap, meterFaceLit.copy(art::kMeterCapRegion));
    set(SkinImage::MainBackground, mainBackground);
    set(SkinImage::ButtonGlow, art::drawButtonGlow());
    const SkinImage labels[] = {SkinImage::LabelMp3Lit, SkinImage::LabelFmLit, SkinImage::LabelOpenLit,
                                SkinImage::LabelPauseLit};
    static_assert(std::size(labels) == art::kLabelRegions.size());
    for (std::size_t i = 0; i < std::size(labels); ++i)
        set(labels[i], art::litCopy(mainBackground, art::kLabelRegions[i].rect));
    set(SkinImage::TitleButtonGlow, art::drawTitleButtonGlow());
    set(SkinImage::MeterFaceDark, art::drawMeterFace(false));
    for (int step = 0; step <= 10; ++step) {
        const auto offset = static_cast<std::size_t>(step);
        set(static_cast<SkinImage>(static_cast<int>(SkinImage::DigitLit0) + step),
            art::litCopy(mainBackground, art::kDigitRegions[offset].rect));
        set(static_cast<SkinImage>(static_cast<int>(SkinImage::KnobImage0) + step), art::drawKnob(step, true));
    }
    const QImage playlistBackground = art::drawPlaylistBackground();
    const QImage lcdBackground = playlistBackground.copy(art::kLcdRegion);
    set(SkinImage::PlaylistBackground, playlistBackground);
    set(SkinImage::LcdBackground, lcdBackground);
    set(SkinImage::TickerBackground, lcdBackground.copy(art::kTickerInLcd));
    return images;
}

std::string arrayName(std::string_view imageName)
{
    return "k" + std::string(imageName) + "Png";
}

void appendArray(std::string &source, std::string_view imageName, const std::vector<unsigned char> &bytes)
{
    source += "alignas(16) const unsigned char " + arrayName(imageName) + "[] = {";
    char text[8];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        source += i % 24 == 0 ? "\n    " : "";
        std::snprintf(text, sizeof text, "%u,", static_cast<unsigned>(bytes[i]));
        source += text;
    }
    source += "\n};\n\n";
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: skinart OUTPUT_DIR GENERATED_CPP\n");
        return 2;
    }
    // Drawing needs fonts and a paint engine, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);

    const auto images = drawAllImages();
    std::string source =
        "// Generated at build time by tools/skinart from its drawing code. Do not edit.\n"
        "#include \"embedded_skin.h\"\n\nnamespace {\n\n";
    std::size_t total = 0;
    for (std::size_t i = 0; i < kSkinImageCount; ++i) {
        const std::vector<unsigned char> png = encodeSkinPng(images[i]);
        total += png.size();
        const QString name = QString::fromLatin1(skinImageNames[i].data(), static_cast<qsizetype>(skinImageNames[i].size()));
        const QByteArray bytes(reinterpret_cast<const char *>(png.data()), static_cast<qsizetype>(png.size()));
        if (!writeFile(outputDir + QLatin1Char('/') + name + QStringLiteral(".png"), bytes)) {
            std::fprintf(stderr, "skinart: cannot write %s.png\n", qPrintable(name));
            return 1;
        }
        appendArray(source, skinImageNames[i], png);
    }
    source += "} // namespace\n\nconst std::array<EmbeddedPng, kSkinImageCount> embeddedSkinPngs{{\n";
    for (std::string_view name : skinImageNames)
        source += "    {" + arrayName(name) + ", sizeof " + arrayName(name) + "},\n";
    source += "}};\n";
    if (!writeFile(QString::fromLocal8Bit(argv[2]), QByteArray::fromStdString(source))) {
        std::fprintf(stderr, "skinart: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("skinart: 35 images, %zu PNG bytes\n", total);
    return 0;
}
