// Both ways out end the process with exit code 0 from inside the main loop.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "app/main_loop.h"
#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"

namespace {

class SpineExit : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(toolkitStarted);
        createPlayerWindowsOnce();
        showBothWindowsOpen();
    }
};

[[noreturn]] void closeRequestThenLoop(Window window)
{
    QCloseEvent close;
    QCoreApplication::sendEvent(qtWindow(window), &close);
    runMainLoop();
}

TEST_F(SpineExit, CloseRequestForMainWindowExitsWithZero)
{
    EXPECT_EXIT(closeRequestThenLoop(Window::MainWindow), testing::ExitedWithCode(0), "");
}

TEST_F(SpineExit, CloseRequestForPlaylistWindowExitsWithZero)
{
    EXPECT_EXIT(closeRequestThenLoop(Window::PlaylistWindow), testing::ExitedWithCode(0), "");
}

[[noreturn]] void clickThenLoop(Qt::MouseButton button)
{
    QTest::mouseClick(qtWindow(Window::MainWindow), button, {}, QPoint(385, 8));
    runMainLoop();
}

TEST_F(SpineExit, CloseButtonExitsOnAnyClick)
{
    EXPECT_EXIT(clickThenLoop(Qt::LeftButton), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(clickThenLoop(Qt::RightButton), testing::ExitedWithCode(0), "");
}

TEST_F(SpineExit, PassesForOtherEventsReturn)
{
    QTest::mouseClick(qtWindow(Window::MainWindow), Qt::LeftButton, {}, QPoint(250, 185));
    QTest::mouseClick(qtWindow(Window::MainWindow), Qt::LeftButton, {}, QPoint(92, 109));
    std::vector<EventKind> kinds;
    while (kinds.size() < 40 && (kinds.empty() || kinds.back() != EventKind::ControlEvent)) {
        runLoopPass();
        kinds.push_back(uiEvent.kind);
    }
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), EventKind::LeftPress), kinds.end());
    EXPECT_EQ(uiEvent.control, Control::LabelFm);
}

} // namespace
