#include "skin/panel_tests/panel_test_support.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <cmath>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"

bool playerCreated = false;

std::filesystem::path soundOutputFile()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("panel-sound-" + std::to_string(QApplication::applicationPid()) + ".raw");
    return path;
}

QWidget *playerWindowWidget(Window window)
{
    const QString title = decodeCp1251(window == Window::MainWindow ? MainWindowTitle : PlaylistWindowTitle);
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->windowTitle() == title)
            return widget;
    return nullptr;
}

QWindow *playerQtWindow(Window window)
{
    QWidget *widget = playerWindowWidget(window);
    return widget ? widget->windowHandle() : nullptr;
}

const QImage *imageOf(SkinImage name)
{
    return &skinImage(name);
}

bool regionShows(Window window, int x, int y, const QImage *image)
{
    const QSize size = image ? image->size() : QSize(8, 8);
    return areaShows(window, {x, y, size.width(), size.height()}, x, y, image);
}

bool areaShows(Window window, PixelRect area, int x, int y, const QImage *image)
{
    QWidget *widget = playerWindowWidget(window);
    const QImage &background =
        skinImage(window == Window::MainWindow ? SkinImage::MainBackground : SkinImage::PlaylistBackground);
    const QRect rect(area.x, area.y, area.width, area.height);
    QImage expected = background.copy(rect).convertToFormat(QImage::Format_RGB32);
    if (image) {
        QPainter painter(&expected);
        painter.drawImage(x - area.x, y - area.y, *image);
    }
    const QImage shown = widget->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != expected.size())
        return false;
    for (int row = 0; row < shown.height(); ++row)
        for (int column = 0; column < shown.width(); ++column) {
            const QRgb a = shown.pixel(column, row), b = expected.pixel(column, row);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                std::abs(qBlue(a) - qBlue(b)) > 2)
                return false;
        }
    return true;
}

void resetFrontPanel()
{
    if (player.powerOn == 1)
        OnPowerClick();
    if (player.panelOpen == 1)
        player.panelOpen = 0;
    hideWindow(Window::PlaylistWindow);
    resizeWindow(Window::PlaylistWindow, PlaylistWindowWidth, 0);
    player.volume = 0.5f;
    player.trackLit = 0;
    for (const Lamp &lamp : Lamps)
        setControlImage(lamp.label, nullptr);
    for (int step = 0; step < VolumeStepCount; ++step) {
        moveControl(VolumeKnob(step), VolumeKnobParkedX, 67);
        setControlImage(VolumeDigit(step), nullptr);
    }
    QApplication::processEvents();
    while (takePendingUiEvent()) {
    }
}

bool runPassesUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        runLoopPass();
    }
    return condition();
}

void runPassesFor(int milliseconds)
{
    runPassesUntil([] { return false; }, milliseconds);
}

void writeToneWav(const std::filesystem::path &path, int amplitude, double seconds)
{
    constexpr int rate = 44100;
    const auto frames = static_cast<uint32_t>(seconds * rate);
    std::vector<int16_t> samples;
    for (uint32_t frame = 0; frame < frames; ++frame) {
        const auto value = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * 440.0 * frame / rate)));
        samples.push_back(value);
        samples.push_back(value);
    }
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](uint32_t value) { out.write(reinterpret_cast<const char *>(&value), 4); };
    auto put16 = [&](uint16_t value) { out.write(reinterpret_cast<const char *>(&value), 2); };
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(rate);
    put32(rate * 4);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    out.write(reinterpret_cast<const char *>(samples.data()), dataBytes);
}

int peakOfOutputFrom(std::uintmax_t from)
{
    std::ifstream in(soundOutputFile(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from & ~std::uintmax_t{3}));
    int peak = 0;
    int16_t sample = 0;
    while (in.read(reinterpret_cast<char *>(&sample), 2))
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}
