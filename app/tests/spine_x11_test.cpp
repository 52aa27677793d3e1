// On a real X server with a window manager ($DISPLAY): the player program
// itself, its windows as the window manager sees them, and the manager's
// close command (Alt+F4 in openbox).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

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

// Lets this process answer the X server while xdotool waits on it.
QString xdotoolWhileServing(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    for (int waited = 0; waited < 10000 && process.state() != QProcess::NotRunning; waited += 20) {
        QApplication::processEvents();
        process.waitForFinished(20);
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
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

    xdotool({"windowactivate", "--sync", mainId});
    xdotool({"key", "--clearmodifiers", "alt+F4"});
    ASSERT_TRUE(player.waitForFinished(10000)) << "the close request did not end the player";
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_TRUE(QDir(workingDirectory.path()).entryList(QDir::Files).isEmpty()) << "nothing is saved";
}

TEST_F(SpineOnX11, ManagersCloseBecomesACloseRequestForEitherWindow)
{
    createPlayerWindowsOnce();
    showBothWindowsOpen();
    QTest::qWait(300);
    for (Window window : {Window::MainWindow, Window::PlaylistWindow}) {
        const QString id = QString::number(windowWidget(window)->winId());
        xdotoolWhileServing({"windowactivate", "--sync", id});
        takeEvents();
        xdotoolWhileServing({"key", "--clearmodifiers", "alt+F4"});
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
