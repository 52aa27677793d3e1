#include "playback/tests/playback_test_support.h"

#include <sndfile.h>
#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "app/startup.h"
#include "audio_engine.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "platform/widgets.h"
#include "skin/skin.h"

namespace playback_test {

namespace {

int commandLineArgc = 1;
char commandLineName[] = "playback_test";
char *commandLineArgv[] = {commandLineName, nullptr};

constexpr SkinImage LitImageOf(::Control label)
{
    switch (label) {
    case ::Control::LabelMp3: return SkinImage::LabelMp3Lit;
    case ::Control::LabelFm: return SkinImage::LabelFmLit;
    case ::Control::LabelOpen: return SkinImage::LabelOpenLit;
    default: return SkinImage::LabelPauseLit;
    }
}

std::string readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "playback-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

StereoSamples steadyTone(double amplitude, double seconds)
{
    const auto frames = static_cast<size_t>(seconds * OutputRate);
    StereoSamples samples(frames * 2);
    const auto level = static_cast<int16_t>(std::lround(amplitude * FullScale));
    // 441 Hz: a whole number of frames per half wave, so every sample is at full level.
    constexpr size_t HalfWaveFrames = 50;
    for (size_t frame = 0; frame < frames; ++frame) {
        const int16_t value = (frame / HalfWaveFrames) % 2 == 0 ? level : static_cast<int16_t>(-level);
        samples[frame * 2] = value;
        samples[frame * 2 + 1] = value;
    }
    return samples;
}

int16_t rampValueAt(double from, double to, double seconds, int64_t frame)
{
    const double frames = seconds * OutputRate;
    return static_cast<int16_t>(std::lround((from + (to - from) * double(frame) / frames) * FullScale));
}

StereoSamples rampFrames(double from, double to, double seconds)
{
    const auto frames = static_cast<size_t>(seconds * OutputRate);
    StereoSamples samples(frames * 2);
    for (size_t frame = 0; frame < frames; ++frame)
        samples[frame * 2] = samples[frame * 2 + 1] = rampValueAt(from, to, seconds, int64_t(frame));
    return samples;
}

void writeWav(const std::string &path, const StereoSamples &frames)
{
    SF_INFO info{};
    info.samplerate = OutputRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_write_short(file, frames.data(), sf_count_t(frames.size()));
    sf_close(file);
}

void writeMp3(const std::string &path, const StereoSamples &frames, bool withId3v1)
{
    const std::string source = path + ".source.wav";
    writeWav(source, frames);
    const std::string command = "lame --quiet -b 192 '" + source + "' '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    fs::remove(source);
    if (withId3v1) {
        std::string tag = "TAGA title";
        tag.resize(128, '\0');
        std::ofstream(path, std::ios::binary | std::ios::app).write(tag.data(), std::streamsize(tag.size()));
    }
}

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

fs::path soundOutputFile()
{
    static const fs::path path = fs::temp_directory_path() / ("playback-sound-" + std::to_string(getpid()) + ".raw");
    return path;
}

void startPlayerForTests()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", soundOutputFile().c_str(), 1);
    std::atexit([] { fs::remove(soundOutputFile()); });
    // Started inside a folder of our own, as if the player were run there.
    static const TempFolder startFolder;
    for (const char *name : {"b.wav", "A.MP3", "skip.txt"})
        writeBytes(startFolder / name, "");
    const fs::path before = fs::current_path();
    fs::current_path(startFolder.path());
    startPlayer(commandLineArgc, commandLineArgv);
    fs::current_path(before);
    startUpState().rows = listRows();
    startUpState().selectedRow = playlistBoxSelectedRow();
    startUpState().stream = player.stream;
}

StartUpState &startUpState()
{
    static StartUpState state;
    return state;
}

void showBothWindows()
{
    showWindow(Window::MainWindow);
    showWindow(Window::PlaylistWindow);
    resizeWindow(Window::PlaylistWindow, PlaylistWindowWidth, 396);
    QApplication::processEvents();
    while (takePendingUiEvent()) {
    }
}

bool runPassesUntil(const std::function<bool()> &condition, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        runLoopPass();
    }
    return true;
}

void runPassesFor(double seconds)
{
    runPassesUntil([] { return false; }, seconds);
}

void handleQueuedInput()
{
    QApplication::processEvents();
    std::vector<UiEvent> pending;
    while (std::optional<UiEvent> event = takePendingUiEvent())
        pending.push_back(std::move(*event));
    // One pass per event, each put back for the pass to take.
    for (UiEvent &event : pending) {
        queueUiEvent(std::move(event));
        runLoopPass();
    }
}

QWidget *windowWidgetOf(::Window window)
{
    const QString title = decodeCp1251(window == Window::MainWindow ? MainWindowTitle : PlaylistWindowTitle);
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->windowTitle() == title)
            return widget;
    return nullptr;
}

QWidget *controlWidgetOf(::Control control)
{
    const PixelRect rect = controlGeometry(control);
    for (::Window window : {Window::MainWindow, Window::PlaylistWindow}) {
        QWidget *owner = windowWidgetOf(window);
        if (!owner)
            continue;
        for (QWidget *child : owner->findChildren<QWidget *>())
            if (child->geometry() == QRect(rect.x, rect.y, rect.width, rect.height) &&
                (dynamic_cast<ImageControlWidget *>(child) || dynamic_cast<QLabel *>(child)))
                return child;
    }
    return nullptr;
}

bool lampLit(::Control label)
{
    auto *widget = dynamic_cast<ImageControlWidget *>(controlWidgetOf(label));
    return widget && widget->image() == &skinImage(LitImageOf(label));
}

std::string labelText(::Control label)
{
    auto *widget = dynamic_cast<QLabel *>(controlWidgetOf(label));
    return widget ? widget->text().toStdString() : std::string();
}

std::string fileUri(const std::string &path)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char byte : path) {
        if (std::isalnum(byte) || byte == '/' || byte == '.' || byte == '-' || byte == '_') {
            uri.push_back(static_cast<char>(byte));
        } else {
            uri.push_back('%');
            uri.push_back(Hex[byte >> 4]);
            uri.push_back(Hex[byte & 15]);
        }
    }
    return uri;
}

bool dropUriList(::Window window, const std::string &uriList)
{
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), QByteArray(uriList.data(), qsizetype(uriList.size())));
    QWidget *target = windowWidgetOf(window);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(5, 150), offered, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 150), offered, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    const bool linked = drop.isAccepted() && drop.dropAction() == Qt::LinkAction;
    handleQueuedInput();
    return linked;
}

std::vector<std::string> listRows()
{
    std::vector<std::string> rows;
    for (int row = 0; row < playlistBoxRowCount(); ++row)
        rows.push_back(playlistBoxRowText(row));
    return rows;
}

size_t CapturedOutput::framesSoFar() const
{
    std::error_code error;
    const auto bytes = fs::file_size(soundOutputFile(), error);
    return error ? 0 : size_t(bytes) / 4;
}

void CapturedOutput::readFrom(size_t frame)
{
    const std::string bytes = readAll(soundOutputFile());
    const size_t frames = bytes.size() / 4;
    left.clear();
    right.clear();
    for (size_t index = std::min(frame, frames); index < frames; ++index) {
        int16_t pair[2];
        std::memcpy(pair, bytes.data() + index * 4, 4);
        left.push_back(pair[0]);
        right.push_back(pair[1]);
    }
}

size_t CapturedOutput::longestQuietRun(size_t from, size_t to, int threshold) const
{
    size_t longest = 0, run = 0;
    for (size_t index = from; index < std::min(to, size()); ++index) {
        const bool quiet = std::abs(int(left[index])) <= threshold && std::abs(int(right[index])) <= threshold;
        run = quiet ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

size_t CapturedOutput::firstLoud(size_t from, int threshold) const
{
    for (size_t index = from; index < size(); ++index)
        if (std::abs(int(left[index])) > threshold || std::abs(int(right[index])) > threshold)
            return index;
    return size();
}

size_t CapturedOutput::lastLoud(int threshold) const
{
    for (size_t index = size(); index-- > 0;)
        if (std::abs(int(left[index])) > threshold || std::abs(int(right[index])) > threshold)
            return index;
    return size();
}

int CapturedOutput::peak(size_t from, size_t to) const
{
    int best = 0;
    for (size_t index = from; index < std::min(to, size()); ++index)
        best = std::max({best, std::abs(int(left[index])), std::abs(int(right[index]))});
    return best;
}

} // namespace playback_test
