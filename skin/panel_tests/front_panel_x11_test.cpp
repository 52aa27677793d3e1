// The front panel on a real X server with a window manager ($DISPLAY): the
// pointer is driven by xdotool while the main loop runs, so presses, moves
// and the manager's interactive move all take their real paths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QWidget>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"
#include "skin/panel_tests/panel_test_support.h"

namespace {

struct ServerGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};

QString windowId(Window window)
{
    return QString::number(playerWindowWidget(window)->winId());
}

// What the X server itself reports, not Qt's idea of it.
ServerGeometry serverGeometry(Window window)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", windowId(window)});
    process.waitForFinished(5000);
    ServerGeometry geometry;
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        const QStringList pair = line.split('=');
        if (pair.size() != 2)
            continue;
        const int value = pair[1].toInt();
        if (pair[0] == "X")
            geometry.x = value;
        else if (pair[0] == "Y")
            geometry.y = value;
        else if (pair[0] == "WIDTH")
            geometry.width = value;
        else if (pair[0] == "HEIGHT")
            geometry.height = value;
    }
    return geometry;
}

// Whether the X server shows the window (mapped and not iconified).
bool viewableOnServer(Window window)
{
    QProcess process;
    process.start(QStringLiteral("xwininfo"), {"-id", windowId(window)});
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).contains(QStringLiteral("Map State: IsViewable"));
}

// Runs a shell script of xdotool commands while the main loop keeps running,
// calling `afterPass` after every pass.
void runScriptWhileLooping(const QString &script, const std::function<void()> &afterPass = {})
{
    QProcess process;
    process.start(QStringLiteral("sh"), {"-c", script});
    ASSERT_TRUE(process.waitForStarted(5000));
    runPassesUntil(
        [&] {
            if (afterPass)
                afterPass();
            return process.state() == QProcess::NotRunning;
        },
        20000);
    EXPECT_EQ(process.state(), QProcess::NotRunning);
    runPassesFor(150);
}

QString pointerAt(Window window, QPoint point)
{
    const PixelRect client = windowGeometry(window);
    return QStringLiteral("xdotool mousemove %1 %2; sleep 0.1;").arg(client.x + point.x()).arg(client.y + point.y());
}

// Press at `from` in the window, move in small steps by (dx, dy), release.
QString dragScript(Window window, QPoint from, int dx, int dy)
{
    QString script = pointerAt(window, from) + QStringLiteral("xdotool mousedown 1; sleep 0.2;");
    for (int step = 1; step <= 10; ++step)
        script += QStringLiteral("xdotool mousemove_relative -- %1 %2; sleep 0.05;").arg(dx / 10).arg(dy / 10);
    return script + QStringLiteral("sleep 0.2; xdotool mouseup 1; sleep 0.2;");
}

void expectDocked()
{
    const ServerGeometry main = serverGeometry(Window::MainWindow);
    const ServerGeometry panel = serverGeometry(Window::PlaylistWindow);
    EXPECT_EQ(panel.x, main.x);
    EXPECT_EQ(panel.y, main.y + PanelDockOffset);
}

class FrontPanelOnX11 : public testing::Test {
protected:
    void SetUp() override
    {
        if (!playerCreated || qEnvironmentVariableIsEmpty("DISPLAY") ||
            QGuiApplication::platformName() != QStringLiteral("xcb"))
            GTEST_SKIP() << "needs an X server with a window manager on $DISPLAY";
        resetFrontPanel();
        OnPowerClick();
        runPassesFor(200);
    }
    void TearDown() override
    {
        if (playerCreated)
            resetFrontPanel();
    }
};

TEST_F(FrontPanelOnX11, DraggingMainWindowCarriesTheDrawerAtEveryMove)
{
    OnOpenClick();
    const ServerGeometry before = serverGeometry(Window::MainWindow);
    int undockedPasses = 0, movedPasses = 0;
    runScriptWhileLooping(dragScript(Window::MainWindow, QPoint(250, 185), -200, -150), [&] {
        const PixelRect main = windowGeometry(Window::MainWindow);
        const PixelRect panel = windowGeometry(Window::PlaylistWindow);
        movedPasses += main.x != before.x;
        undockedPasses += panel.x != main.x || panel.y != main.y + PanelDockOffset;
    });
    const ServerGeometry after = serverGeometry(Window::MainWindow);
    EXPECT_EQ(after.x, before.x - 200);
    EXPECT_EQ(after.y, before.y - 150);
    EXPECT_GT(movedPasses, 0);
    EXPECT_EQ(undockedPasses, 0);
    expectDocked();
    EXPECT_EQ(serverGeometry(Window::PlaylistWindow).height, PanelOpenHeight);
}

TEST_F(FrontPanelOnX11, TheDrawerDragsAloneAndJumpsBackAtMainWindowsNextMove)
{
    OnOpenClick();
    runPassesFor(300);
    SCOPED_TRACE("reopened after the power-off retraction, where it was");
    expectDocked();
    const ServerGeometry mainBefore = serverGeometry(Window::MainWindow);
    const ServerGeometry panelBefore = serverGeometry(Window::PlaylistWindow);
    runScriptWhileLooping(dragScript(Window::PlaylistWindow, QPoint(201, 97), 150, -60));
    const ServerGeometry panelAfter = serverGeometry(Window::PlaylistWindow);
    EXPECT_EQ(panelAfter.x, panelBefore.x + 150);
    EXPECT_EQ(panelAfter.y, panelBefore.y - 60);
    const ServerGeometry mainAfter = serverGeometry(Window::MainWindow);
    EXPECT_EQ(mainAfter.x, mainBefore.x);
    EXPECT_EQ(mainAfter.y, mainBefore.y);

    runScriptWhileLooping(dragScript(Window::PlaylistWindow, QPoint(100, 200), -50, 0));
    EXPECT_EQ(serverGeometry(Window::PlaylistWindow).x, panelBefore.x + 100) << "a press in the list drags too";

    OnOpenClick();
    OnOpenClick();
    runPassesFor(300);
    const ServerGeometry reopened = serverGeometry(Window::PlaylistWindow);
    EXPECT_EQ(reopened.x, panelBefore.x + 100) << "closed and reopened where it was dragged";
    EXPECT_EQ(reopened.y, panelBefore.y - 60);

    // A press at MainWindow's left edge, clear of the drawer that now overlaps it.
    runScriptWhileLooping(dragScript(Window::MainWindow, QPoint(5, 150), 40, 20));
    SCOPED_TRACE("MainWindow moved");
    expectDocked();
}

TEST_F(FrontPanelOnX11, MinimisingTakesTheDrawerAlongAndRestoringDocksIt)
{
    OnMinimizeClick();
    runPassesFor(300);
    runScriptWhileLooping(QStringLiteral("xdotool windowactivate %1; sleep 0.3;").arg(windowId(Window::MainWindow)));
    EXPECT_FALSE(viewableOnServer(Window::PlaylistWindow)) << "a closed drawer stays closed";

    OnOpenClick();
    runScriptWhileLooping(pointerAt(Window::MainWindow, QPoint(360, 4)) + QStringLiteral("xdotool click 1; sleep 0.4;"));
    EXPECT_TRUE(playerWindowWidget(Window::MainWindow)->isMinimized());
    EXPECT_FALSE(viewableOnServer(Window::MainWindow));
    EXPECT_FALSE(viewableOnServer(Window::PlaylistWindow)) << "the drawer must not stay on screen alone";

    runScriptWhileLooping(QStringLiteral("xdotool windowactivate %1; sleep 0.3;").arg(windowId(Window::MainWindow)));
    EXPECT_FALSE(playerWindowWidget(Window::MainWindow)->isMinimized());
    EXPECT_TRUE(viewableOnServer(Window::MainWindow));
    EXPECT_TRUE(viewableOnServer(Window::PlaylistWindow));
    expectDocked();
    EXPECT_EQ(serverGeometry(Window::PlaylistWindow).height, PanelOpenHeight);
}

struct HoverCase {
    const char *what;
    Window window;
    QPoint point;
    Control glowing; // None: no push button glows
    bool hand;
};

TEST_F(FrontPanelOnX11, HoverLightsPushButtonsAndTheHandShowsOnlyOverWhatActs)
{
    OnOpenClick();
    const int buttonY = PushButtonShownY;
    const HoverCase cases[] = {
        {"MP3, top-left pixel", Window::MainWindow, {14, buttonY}, Control::ButtonMp3, true},
        {"MP3, bottom-right pixel", Window::MainWindow, {63, buttonY + 24}, Control::ButtonMp3, true},
        {"just right of MP3", Window::MainWindow, {64, buttonY + 12}, Control::None, false},
        {"just below MP3", Window::MainWindow, {30, buttonY + 25}, Control::None, false},
        {"FM", Window::MainWindow, {90, buttonY + 12}, Control::ButtonFm, true},
        {"OPEN", Window::MainWindow, {144, buttonY + 12}, Control::ButtonOpen, true},
        {"PAUSA", Window::MainWindow, {197, buttonY + 12}, Control::ButtonPause, true},
        {"figure 3", Window::MainWindow, {265, 66}, Control::None, true},
        {"figure 10", Window::MainWindow, {366, 148}, Control::None, true},
        {"power bar", Window::MainWindow, {340, 3}, Control::None, true},
        {"power control outside its bar", Window::MainWindow, {332, 10}, Control::None, false},
        {"left meter", Window::MainWindow, {60, 40}, Control::None, false},
        {"FM lamp", Window::MainWindow, {90, 109}, Control::None, false},
        {"knob", Window::MainWindow, {324, 107}, Control::None, false},
        {"background", Window::MainWindow, {250, 185}, Control::None, false},
        {"progress bar", Window::PlaylistWindow, {200, 69}, Control::None, true},
        {"LCD", Window::PlaylistWindow, {40, 50}, Control::None, false},
        {"ticker", Window::PlaylistWindow, {200, 27}, Control::None, false},
        {"list header", Window::PlaylistWindow, {201, 97}, Control::None, false},
        {"list", Window::PlaylistWindow, {100, 200}, Control::None, false},
    };
    for (const HoverCase &test : cases) {
        SCOPED_TRACE(test.what);
        runScriptWhileLooping(pointerAt(test.window, test.point - QPoint(1, 0)) + pointerAt(test.window, test.point));
        const bool handShown =
            playerWindowWidget(test.window)->cursor().shape() == Qt::PointingHandCursor;
        EXPECT_EQ(handShown, test.hand);
        for (Control button : PushButtons) {
            const PixelRect rect = controlGeometry(button);
            EXPECT_TRUE(regionShows(Window::MainWindow, rect.x, rect.y,
                                    button == test.glowing ? imageOf(SkinImage::ButtonGlow) : nullptr))
                << "button " << static_cast<int>(button);
        }
        EXPECT_EQ(player.hoverMp3, test.glowing == Control::ButtonMp3);
        EXPECT_EQ(player.hoverPause, test.glowing == Control::ButtonPause);
    }
}

TEST_F(FrontPanelOnX11, TitleBarsFollowThePointerAndGoDarkWhenItLeaves)
{
    runScriptWhileLooping(pointerAt(Window::MainWindow, QPoint(371, 3)));
    const PixelRect close = controlGeometry(Control::CloseButton);
    EXPECT_TRUE(regionShows(Window::MainWindow, close.x, close.y, imageOf(SkinImage::TitleButtonGlow)));
    runScriptWhileLooping(pointerAt(Window::MainWindow, QPoint(371, -30)));
    EXPECT_TRUE(regionShows(Window::MainWindow, close.x, close.y, nullptr)) << "dark after leaving the window";
}

} // namespace
