// skinicon OUTPUT_DIR
// Writes the application icon as OUTPUT_DIR/quorvel-<N>.png for every bitmap
// size and as OUTPUT_DIR/quorvel.svg.
#include "art_icon.h"
#include "png_writer.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skinicon OUTPUT_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);

    for (int side : art::kAppIconSizes) {
        const std::vector<unsigned char> png = encodeSkinPng(art::drawAppIcon(side));
        const QString path = outputDir + QStringLiteral("/quorvel-%1.png").arg(side);
        if (!writeFile(path, QByteArray(reinterpret_cast<const char *>(png.data()), static_cast<qsizetype>(png.size())))) {
            std::fprintf(stderr, "skinicon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString svgPath = outputDir + QStringLiteral("/quorvel.svg");
    if (!writeFile(svgPath, QByteArray::fromStdString(art::appIconSvg()))) {
        std::fprintf(stderr, "skinicon: cannot write %s\n", qPrintable(svgPath));
        return 1;
    }
    return 0;
}
