// desktop_screenshot OUTPUT_PNG
// Starts the player as the program does, switches it on, plays a tone from a
// folder of three short tracks with the drawer open, and writes both windows,
// one above the other, as the AppStream screenshot.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/player_state.h"
#include "app/startup.h"
#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "skin/front_panel.h"
#include "skin/layout.h"

namespace {

constexpr int kToneRate = 22050;
constexpr int kToneSeconds = 12;
constexpr const char *kTrackNames[] = {"01 Morning Tide.wav", "02 Copper Wire.wav", "03 Night Signal.wav"};
// Long enough for the needles to rise and the ticker to move.
constexpr int kPlayBeforeGrabMs = 1500;

void appendLittleEndian(QByteArray &bytes, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xffu));
}

// A 16-bit mono WAV of a tone whose loudness swells, so the needles move.
QByteArray toneWav(double frequency)
{
    const uint32_t sampleCount = kToneRate * kToneSeconds;
    QByteArray bytes("RIFF");
    appendLittleEndian(bytes, 36 + sampleCount * 2, 4);
    bytes.append("WAVEfmt ");
    appendLittleEndian(bytes, 16, 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, kToneRate, 4);
    appendLittleEndian(bytes, kToneRate * 2, 4);
    appendLittleEndian(bytes, 2, 2);
    appendLittleEndian(bytes, 16, 2);
    bytes.append("data");
    appendLittleEndian(bytes, sampleCount * 2, 4);
    for (uint32_t i = 0; i < sampleCount; ++i) {
        const double time = static_cast<double>(i) / kToneRate;
        const double loudness = 0.8 + 0.2 * std::sin(2 * M_PI * 0.7 * time);
        const auto sample = static_cast<int16_t>(std::lround(32000 * loudness * std::sin(2 * M_PI * frequency * time)));
        appendLittleEndian(bytes, static_cast<uint16_t>(sample), 2);
    }
    return bytes;
}

void pumpFor(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: desktop_screenshot OUTPUT_PNG\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    // The needles follow what the output device consumes: SDL's disk driver consumes in real time.
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    const QString outputPath = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/quorvel-screenshot-XXXXXX"));
    if (!work.isValid() || !QDir(work.path()).mkpath(QStringLiteral("Music")))
        return 1;
    const QDir folder(work.filePath(QStringLiteral("Music")));
    // The player's settings file lives in the working directory: keep the build's clean.
    if (!QDir::setCurrent(work.path()))
        return 1;
    const double frequencies[] = {440.0, 523.25, 659.25};
    static_assert(std::size(frequencies) == std::size(kTrackNames));
    for (std::size_t i = 0; i < std::size(kTrackNames); ++i) {
        QFile track(folder.filePath(QString::fromLatin1(kTrackNames[i])));
        if (!track.open(QIODevice::WriteOnly) || track.write(toneWav(frequencies[i])) < 0)
            return 1;
    }

    startPlayer(argc, argv);
    OnPowerClick();
    player.currentPath = QFile::encodeName(folder.filePath(QString::fromLatin1(kTrackNames[0]))).toStdString();
    player.currentIndex = 0;
    scanPlaylistFolder();
    startSelectedTrack();
    OnOpenClick();
    pumpFor(kPlayBeforeGrabMs);

    QWidget *mainWindow = windowWidget(Window::MainWindow);
    QWidget *playlistWindow = windowWidget(Window::PlaylistWindow);
    if (!mainWindow || !playlistWindow) {
        std::fprintf(stderr, "desktop_screenshot: the player's windows were not created\n");
        return 1;
    }
    const QImage mainPicture = mainWindow->grab().toImage();
    const QImage playlistPicture = playlistWindow->grab().toImage();
    QImage picture(std::max(mainPicture.width(), playlistPicture.width()),
                   mainPicture.height() + playlistPicture.height(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.drawImage(0, 0, mainPicture);
    painter.drawImage(0, mainPicture.height(), playlistPicture);
    painter.end();
    if (!picture.save(outputPath, "PNG")) {
        std::fprintf(stderr, "desktop_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
