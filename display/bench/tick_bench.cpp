/* Times the whole display tick (engine readings and all five canvases) with a stream
 * playing and both windows shown, at the timer's own 35 ms pace and in a tight loop.
 *   display-bench [seconds at pace, default 10]
 * Runs on any Qt platform; QT_QPA_PLATFORM=offscreen needs no display. */
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sndfile.h>
#include <vector>

#include "app/player_state.h"
#include "app/startup.h"
#include "audio_engine.h"
#include "display/displays.h"
#include "platform/toolkit.h"

namespace {

constexpr int sampleRate = 44100;

/* A minute of a sweeping two-channel tone, so the needles and texts keep changing. */
bool writeSweep(const std::string &path) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  std::vector<float> block(2 * sampleRate);
  for (int second = 0; second < 60; ++second) {
    for (int frame = 0; frame < sampleRate; ++frame) {
      const double t = second + double(frame) / sampleRate;
      const double wave = std::sin(2.0 * M_PI * 330.0 * t);
      block[size_t(frame) * 2] = float(wave * (0.5 + 0.45 * std::sin(t * 3.0)));
      block[size_t(frame) * 2 + 1] = float(wave * (0.5 + 0.45 * std::cos(t * 2.0)));
    }
    sf_writef_float(file, block.data(), sampleRate);
  }
  return sf_close(file) == 0;
}

struct Figures {
  double median, p99, max;
};

Figures figuresOf(std::vector<double> microseconds) {
  std::sort(microseconds.begin(), microseconds.end());
  const size_t n = microseconds.size();
  return {microseconds[n / 2], microseconds[std::min(n - 1, n * 99 / 100)], microseconds.back()};
}

double timedTick() {
  QElapsedTimer clock;
  clock.start();
  displayTick();
  return double(clock.nsecsElapsed()) / 1000.0;
}

}  // namespace

int main(int argc, char **argv) {
  const int pacedSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  startToolkit(argc, argv);
  createPlayerObjects();
  BASS_Init(DefaultOutputDevice, AudioOutputRate, 0, nullptr, nullptr);
  showWindow(Window::MainWindow);
  resizeWindow(Window::PlaylistWindow, 400, 396);
  showWindow(Window::PlaylistWindow);

  QTemporaryDir folder;
  const std::string path = folder.filePath("sweep.wav").toStdString();
  if (!writeSweep(path)) return 1;
  player.stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
  player.darkFaceOffset = 1000;
  if (!player.stream || !BASS_ChannelPlay(player.stream, 0)) {
    std::fprintf(stderr, "no stream could be played\n");
    return 1;
  }

  std::vector<double> paced;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] { paced.push_back(timedTick()); });
  timer.start(35);
  QElapsedTimer run;
  run.start();
  while (run.elapsed() < pacedSeconds * 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  timer.stop();

  std::vector<double> tight;
  for (int tick = 0; tick < 3000; ++tick) tight.push_back(timedTick());

  const Figures atPace = figuresOf(paced), inLoop = figuresOf(tight);
  std::printf("display tick, stream playing (%s platform)\n", qPrintable(QGuiApplication::platformName()));
  std::printf("  at 35 ms pace: %zu ticks  median %.1f us  p99 %.1f us  max %.1f us\n", paced.size(),
              atPace.median, atPace.p99, atPace.max);
  std::printf("  tight loop:    %zu ticks  median %.1f us  p99 %.1f us  max %.1f us\n", tight.size(),
              inLoop.median, inLoop.p99, inLoop.max);
  std::printf("  needles at the end: left %d,%d right %d,%d; elapsed %d s\n", player.leftNeedleX,
              player.leftNeedleLift, player.rightNeedleX, player.rightNeedleLift, player.elapsedSeconds);
  return 0;
}
