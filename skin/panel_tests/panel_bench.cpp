// Figures of the front panel: whether every step of a slide reaches the
// screen, how long a slide takes, and how soon hover feedback follows the
// pointer. Run under an X server with a window manager (scripts or by hand:
// DISPLAY=:63 panel_bench), or offscreen for the slide figures alone.
#include <QApplication>
#include <QEvent>
#include <QProcess>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <set>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "app/startup.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"
#include "skin/panel_tests/panel_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// Records the drawer's height at every paint it receives.
class PaintRecorder : public QObject {
public:
    std::set<int> paintedHeights;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            paintedHeights.insert(windowGeometry(Window::PlaylistWindow).height);
        return false;
    }
};

void measureSlide(const char *what, void (*handler)(), int first, int last, int step)
{
    PaintRecorder recorder;
    playerWindowWidget(Window::PlaylistWindow)->installEventFilter(&recorder);
    const auto start = Clock::now();
    handler();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    playerWindowWidget(Window::PlaylistWindow)->removeEventFilter(&recorder);
    int steps = 0, painted = 0;
    std::string missing;
    for (int height = first; step > 0 ? height <= last : height >= last; height += step) {
        if (height == 0)
            continue; // nothing to show at height 0
        ++steps;
        if (recorder.paintedHeights.count(height))
            ++painted;
        else
            missing += " " + std::to_string(height);
    }
    std::printf("%-28s %.3f s, %d of %d visible steps painted%s%s\n", what, seconds, painted, steps,
                missing.empty() ? "" : ", missing:", missing.c_str());
}

void measureHover()
{
    const PixelRect main = windowGeometry(Window::MainWindow);
    runPassesFor(300);
    int worstPasses = 0;
    double worstMs = 0;
    for (int round = 0; round < 10; ++round) {
        const Control button = PushButtons[static_cast<size_t>(round % 4)];
        const PixelRect rect = controlGeometry(button);
        QProcess::execute(QStringLiteral("xdotool"),
                          {"mousemove", QString::number(main.x + 250), QString::number(main.y + 185)});
        runPassesFor(150);
        const auto start = Clock::now();
        QProcess::startDetached(QStringLiteral("xdotool"), {"mousemove", QString::number(main.x + rect.x + 20),
                                                            QString::number(main.y + rect.y + 10)});
        int movesSeen = 0;
        bool lit = false;
        while (!lit && Clock::now() - start < std::chrono::seconds(3)) {
            runLoopPass();
            if (uiEvent.kind == EventKind::MouseMove)
                ++movesSeen;
            lit = player.hoverMp3 + player.hoverFm + player.hoverOpen + player.hoverPause > 0;
        }
        worstPasses = std::max(worstPasses, movesSeen);
        worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("hover glow: lit in the pass of the first pointer move over the button in %s of 10 rounds "
                "(worst: %d move passes), worst %.1f ms from the pointer move\n",
                worstPasses == 1 ? "all" : "not all", worstPasses, worstMs);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    startToolkit(argc, argv);
    createPlayerObjects();
    startDisplayTimer(DisplayTimerPeriodMs, nullptr);
    showWindow(Window::MainWindow);
    runPassesFor(300);
    OnPowerClick();
    for (int round = 1; round <= 3; ++round) {
        std::printf("round %d\n", round);
        measureSlide("opening (OPEN)", OnOpenClick, 0, 396, 6);
        runPassesFor(200);
        measureSlide("closing (OPEN)", OnOpenClick, 400, 4, -6);
        runPassesFor(200);
        OnOpenClick();
        measureSlide("power-off retraction", OnPowerClick, 384, 0, -6);
        OnPowerClick();
        runPassesFor(200);
    }
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        measureHover();
    return 0;
}
