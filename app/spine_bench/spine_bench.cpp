// Figures of the player's spine, run under an X server by scripts/bench-startup.sh.
//   spine_bench startup LAUNCH_NS  start the player as main() does and print the
//                                  milliseconds from LAUNCH_NS (CLOCK_REALTIME, taken
//                                  just before exec) to MainWindow's first painted frame
//   spine_bench idle SECONDS       start the player, open the panel to its full height,
//                                  run the main loop and print CPU share and memory
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "app/main_loop.h"
#include "app/startup.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"

namespace {

long long realtimeNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Reports once the first paint of MainWindow has been done and flushed.
class FirstPaintWatch : public QObject {
public:
    explicit FirstPaintWatch(long long launchNs) : launchNs_(launchNs) {}
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(receiver);
        if (event->type() == QEvent::Paint && !reported_ && widget && widget->isWindow() &&
            widget->windowTitle() == decodeCp1251(MainWindowTitle)) {
            reported_ = true;
            QMetaObject::invokeMethod(
                qApp,
                [launch = launchNs_] {
                    QApplication::sync();
                    std::printf("first-frame-ms %.1f\n", (realtimeNanoseconds() - launch) / 1e6);
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    long long launchNs_;
    bool reported_ = false;
};

// who: RUSAGE_SELF for the whole process (with the engine's output thread),
// RUSAGE_THREAD for the GUI thread alone.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "startup") != 0 && std::strcmp(argv[1], "idle") != 0)) {
        std::fprintf(stderr, "usage: spine_bench startup LAUNCH_NS | idle SECONDS\n");
        return 2;
    }
    const bool startup = std::strcmp(argv[1], "startup") == 0;
    const long long argument = std::atoll(argv[2]);
    int qtArgc = 1;
    startToolkit(qtArgc, argv);
    FirstPaintWatch watch(argument);
    if (startup)
        qApp->installEventFilter(&watch);
    startPlayer(qtArgc, argv);
    if (startup)
        runMainLoop();

    showWindow(Window::PlaylistWindow);
    resizeWindow(Window::PlaylistWindow, PlaylistWindowWidth, 396);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        runLoopPass();
    const double processBefore = cpuSeconds(RUSAGE_SELF);
    const double guiThreadBefore = cpuSeconds(RUSAGE_THREAD);
    QElapsedTimer wall;
    wall.start();
    long passes = 0;
    while (wall.elapsed() < argument * 1000) {
        runLoopPass();
        ++passes;
    }
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("idle-cpu-percent %.3f\ngui-thread-cpu-percent %.3f\nloop-passes-per-second %.1f\nresident-mb %.1f\n",
                100.0 * (cpuSeconds(RUSAGE_SELF) - processBefore) / seconds,
                100.0 * (cpuSeconds(RUSAGE_THREAD) - guiThreadBefore) / seconds, passes / seconds,
                residentKilobytes() / 1024.0);
    return 0;
}
