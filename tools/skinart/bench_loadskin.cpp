// skin_load_bench [RUNS]
// Times LoadSkin (font, five canvases, 35 decodes from memory): the first run
// and the median and fastest of all runs, in wall-clock time and in the
// thread's CPU time (which a busy machine disturbs less), and the embedded PNG
// bytes in total.
#include "embedded_skin.h"
#include "skin.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void report(const char *what, std::vector<double> milliseconds)
{
    const double first = milliseconds.front();
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("LoadSkin %s: first %.2f ms, median %.2f ms, fastest %.2f ms over %zu runs\n", what, first,
                milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.size());
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMilliseconds();
        timer.start();
        LoadSkin();
        wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMilliseconds() - cpuStart);
    }
    report("wall time", wall);
    report("CPU time", cpu);
    std::size_t totalBytes = 0;
    for (const EmbeddedPng &png : embeddedSkinPngs)
        totalBytes += png.size;
    std::printf("embedded PNG bytes: %zu (%.3f MB)\n", totalBytes, static_cast<double>(totalBytes) / 1e6);
    return 0;
}
