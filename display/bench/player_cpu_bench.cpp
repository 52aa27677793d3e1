/* CPU of the whole player while a track plays with the panel open and the meters
 * moving: the real start-up, the real main loop with its 35 ms display tick, a track
 * started the way a drop starts it. Run under an X server (display/bench/display-cpu.sh).
 *   display-player-cpu FILE SECONDS [GRAB_FOLDER]
 * GRAB_FOLDER, if given, receives PNG grabs of both windows and the five canvases. */
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/resource.h>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "app/startup.h"
#include "audio_engine.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "skin/skin.h"

namespace {

double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void saveGrabs(const QString &folder) {
  for (QWidget *widget : QApplication::topLevelWidgets())
    if (widget->isVisible())
      widget->grab().save(folder + "/window-" + QString::number(widget->winId()) + ".png");
  const char *names[] = {"left-meter", "right-meter", "ticker", "lcd", "progress"};
  for (int i = 0; i < static_cast<int>(Canvas::Count); ++i)
    canvas(static_cast<Canvas>(i)).save(folder + "/" + names[i] + ".png");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: display-player-cpu FILE SECONDS [GRAB_FOLDER]\n");
    return 2;
  }
  const std::string track = argv[1];
  const int seconds = std::max(1, std::atoi(argv[2]));
  int qtArgc = 1;
  startPlayer(qtArgc, argv);

  // As after power on, with the panel open.
  player.powerOn = 1;
  player.darkFaceOffset = 1000;
  showWindow(Window::PlaylistWindow);
  resizeWindow(Window::PlaylistWindow, 400, 396);
  player.currentPath = track;
  scanPlaylistFolder();
  selectRowByName(filePartOf(track));
  startSelectedTrack();
  if (BASS_ChannelIsActive(player.stream) == 0) {
    std::fprintf(stderr, "the track does not play\n");
    return 1;
  }

  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1000) runLoopPass();

  const double processBefore = cpuSeconds(RUSAGE_SELF);
  const double guiBefore = cpuSeconds(RUSAGE_THREAD);
  const int elapsedBefore = player.elapsedSeconds;
  std::set<int> leftPositions, rightPositions;
  QElapsedTimer wall;
  wall.start();
  while (wall.elapsed() < seconds * 1000) {
    runLoopPass();
    leftPositions.insert(player.leftNeedleX);
    rightPositions.insert(player.rightNeedleX);
  }
  const double wallSeconds = double(wall.elapsed()) / 1000.0;
  const double process = 100.0 * (cpuSeconds(RUSAGE_SELF) - processBefore) / wallSeconds;
  const double gui = 100.0 * (cpuSeconds(RUSAGE_THREAD) - guiBefore) / wallSeconds;
  std::printf("platform %s, %.1f s measured\n", qPrintable(QGuiApplication::platformName()), wallSeconds);
  std::printf("player-cpu-percent %.2f (GUI thread %.2f, engine threads %.2f)\n", process, gui, process - gui);
  std::printf("needle positions seen: left %zu, right %zu; LCD counted %d s\n", leftPositions.size(),
              rightPositions.size(), player.elapsedSeconds - elapsedBefore);
  if (argc > 3) saveGrabs(QString::fromLocal8Bit(argv[3]));
  return 0;
}
