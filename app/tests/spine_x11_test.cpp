// On a real X server with a window manager ($DISPLAY): the player program
// itself, its windows as the window manager sees them, and the manager's
// close command as a task bar sends it (_NET_CLOSE_WINDOW), which does not
// depend on which window has the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <csignal>

#include <cstdlib>
#include <string_view>
#include <xcb/xcb.h>

#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"

namespace {

QString runTool(const QString &program, const QStringList &arguments, int timeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList &arguments) { return runTool(QStringLiteral("xdotool"), arguments); }

// Asks the window manager to close a window, as a task bar does.
void requestCloseFromWindowManager(uint32_t windowId)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t *connection = x11->connection();
    constexpr std::string_view atomName = "_NET_CLOSE_WINDOW";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, atomName.size(), atomName.data()), nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = windowId;
    message.type = atom->atom;
    message.data.data32[0] = XCB_CURRENT_TIME;
    message.data.data32[1] = 2; // sent by a pager or task bar
    std::free(atom);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
}

struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
};

Geometry windowGeometryOnServer(const QString &windowId)
{
    Geometry geometry;
    for (const QString &line : xdotool({"getwindowgeometry", "--shell", windowId}).split('\n')) {
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

class SpineOnX11 : public testing::Test {
protected:
    void SetUp() override
    {
        if (!toolkitStarted || qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X server on $DISPLAY";
    }
};

TEST_F(SpineOnX11, PlayerStartsCentredAndLeavesWithZeroOnTheManagersClose)
{
    QTemporaryDir workingDirectory;
    ASSERT_TRUE(workingDirectory.isValid());
    QProcess player;
    player.setWorkingDirectory(workingDirectory.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    player.setProcessEnvironment(environment);
    player.start(QStringLiteral(QUORVEL_BINARY), {});
    ASSERT_TRUE(player.waitForStarted(10000));
    const QString pid = QString::number(player.processId());

    const QString mainId = runTool(QStringLiteral("timeout"),
                                   {"20", "xdotool", "search", "--sync", "--onlyvisible", "--pid", pid}, 25000)
                               .split('\n')
                               .value(0);
    ASSERT_FALSE(mainId.isEmpty()) << "no window of the player became visible";
    EXPECT_EQ(xdotool({"getwindowname", mainId}), QString::fromUtf8("Корвинта"));
    const QString visibleWindows = xdotool({"search", "--onlyvisible", "--pid", pid});
    EXPECT_EQ(visibleWindows.split('\n').size(), 1) << "PlaylistWindow starts hidden";

    const QStringList screen = xdotool({"getdisplaygeometry"}).split(' ');
    ASSERT_EQ(screen.size(), 2);
    const Geometry main = windowGeometryOnServer(mainId);
    EXPECT_EQ(main.x, (screen[0].toInt() - 400) / 2);
    EXPECT_EQ(main.y, (screen[1].toInt() - 200) / 2);
    EXPECT_EQ(main.width, 400);
    EXPECT_EQ(main.height, 200);

    requestCloseFromWindowManager(mainId.toUInt());
    ASSERT_TRUE(player.waitForFinished(10000)) << "the close request did not end the player";
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_TRUE(QDir(workingDirectory.path()).entryList(QDir::Files).isEmpty()) << "nothing is saved";
}

// The player started in an empty temporary folder; its MainWindow's X id.
struct RunningPlayer {
    QTemporaryDir workingDirectory;
    QProcess process;
    QString mainWindowId;
    ~RunningPlayer()
    {
        // SIGKILL: the audio library's signal handler swallows SIGTERM.
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished(5000);
    }
};

void startPlayerProgram(RunningPlayer &player)
{
    ASSERT_TRUE(player.workingDirectory.isValid());
    player.process.setWorkingDirectory(player.workingDirectory.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    player.process.setProcessEnvironment(environment);
    player.process.start(QStringLiteral(QUORVEL_BINARY), {});
    ASSERT_TRUE(player.process.waitForStarted(10000));
    player.mainWindowId = runTool(QStringLiteral("timeout"),
                                  {"20", "xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                   QString::number(player.process.processId())},
                                  25000)
                              .split('\n')
                              .value(0);
    ASSERT_FALSE(player.mainWindowId.isEmpty()) << "no window of the player became visible";
}

TEST_F(SpineOnX11, PressOnTheSkinDragsTheWindowUntilRelease)
{
    RunningPlayer player;
    startPlayerProgram(player);
    const Geometry before = windowGeometryOnServer(player.mainWindowId);
    const QString pressX = QString::number(before.x + 250), pressY = QString::number(before.y + 185);
    // A click of no length leaves the window in place, also after the pointer moves on.
    xdotool({"mousemove", pressX, pressY, "click", "1"});
    QTest::qWait(300);
    xdotool({"mousemove", QString::number(before.x + 150), QString::number(before.y + 100)});
    QTest::qWait(300);
    const Geometry afterClick = windowGeometryOnServer(player.mainWindowId);
    EXPECT_EQ(afterClick.x, before.x);
    EXPECT_EQ(afterClick.y, before.y);

    // Held: the window follows the pointer (the first move may come before the
    // window manager has taken over, so the last position decides).
    xdotool({"mousemove", pressX, pressY, "mousedown", "1"});
    QTest::qWait(600);
    for (int step = 1; step <= 4; ++step) {
        xdotool({"mousemove", QString::number(before.x + 250 - 20 * step), QString::number(before.y + 185 - 10 * step)});
        QTest::qWait(200);
    }
    xdotool({"mouseup", "1"});
    Geometry dragged;
    for (int waited = 0; waited < 3000; waited += 100) {
        QTest::qWait(100);
        dragged = windowGeometryOnServer(player.mainWindowId);
        if (dragged.x == before.x - 80 && dragged.y == before.y - 40)
            break;
    }
    EXPECT_EQ(dragged.x, before.x - 80);
    EXPECT_EQ(dragged.y, before.y - 40);
}

TEST_F(SpineOnX11, ManagersCloseBecomesACloseRequestForEitherWindow)
{
    createPlayerWindowsOnce();
    showBothWindowsOpen();
    QTest::qWait(300);
    for (Window window : {Window::MainWindow, Window::PlaylistWindow}) {
        takeEvents();
        requestCloseFromWindowManager(static_cast<uint32_t>(windowWidget(window)->winId()));
        std::vector<UiEvent> events;
        for (int waited = 0; waited < 5000 && events.empty(); waited += 50) {
            QTest::qWait(50);
            events = takeEvents();
        }
        ASSERT_EQ(summarise(events), (std::vector<ExpectedEvent>{{EventKind::CloseRequest, window}}));
        EXPECT_TRUE(windowWidget(window)->isVisible());
        EXPECT_FALSE(xdotool({"search", "--onlyvisible", "--pid", QString::number(QApplication::applicationPid())})
                         .isEmpty());
    }
    const Geometry panel = windowGeometryOnServer(QString::number(windowWidget(Window::PlaylistWindow)->winId()));
    const Geometry main = windowGeometryOnServer(QString::number(windowWidget(Window::MainWindow)->winId()));
    EXPECT_EQ(panel.x, main.x);
    EXPECT_EQ(panel.y, main.y + 204);
    EXPECT_EQ(panel.height, 396);
}

} // namespace
