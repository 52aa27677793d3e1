// Real mouse input on the real windows, recorded as the UiEvents the main
// loop would take.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <functional>

#include "app/main_loop.h"
#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"

namespace {

using Kind = EventKind;
using Sub = ControlSubType;
constexpr Window Main = Window::MainWindow;
constexpr Window Panel = Window::PlaylistWindow;

class SpineEvents : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(toolkitStarted);
        createPlayerWindowsOnce();
        playlistBoxClear();
        for (const char *name : {"one.wav", "two.mp3", "three.mid"})
            playlistBoxAppend(name);
        showBothWindowsOpen();
    }
    void SetUp() override { takeEvents(); }
};

const QPoint BackgroundOfMain(250, 185);
const QPoint BackgroundOfPanel(10, 380);
const QPoint LabelFmCentre(92, 109);
const QPoint ListHeaderCentre(201, 97);
// Rows start at ListFrame's top-left, since the list's 2-pixel edge lies outside it.
QPoint listRowPoint(int row)
{
    QListWidget *list = windowWidget(Panel)->findChild<QListWidget *>();
    const QRect rowRect = list->visualItemRect(list->item(row));
    return QPoint(ListFrameRect.x + 40, ListFrameRect.y + rowRect.center().y() + 1);
}

struct InputCase {
    const char *what;
    std::function<void()> input;
    std::vector<ExpectedEvent> expected;
};

void leftClick(Window window, QPoint point) { QTest::mouseClick(qtWindow(window), Qt::LeftButton, {}, point); }
void leftDoubleClick(Window window, QPoint point) { QTest::mouseDClick(qtWindow(window), Qt::LeftButton, {}, point); }
void rightClick(Window window, QPoint point) { QTest::mouseClick(qtWindow(window), Qt::RightButton, {}, point); }
void rightDoubleClick(Window window, QPoint point) { QTest::mouseDClick(qtWindow(window), Qt::RightButton, {}, point); }

TEST_F(SpineEvents, MouseInputMapsOntoUiEvents)
{
    const std::vector<InputCase> cases = {
        {"left click on an image control without image", [] { leftClick(Main, LabelFmCentre); },
         {{Kind::ControlEvent, Main, Control::LabelFm, Sub::Click}}},
        {"double-click on an image control", [] { leftDoubleClick(Main, LabelFmCentre); },
         {{Kind::ControlEvent, Main, Control::LabelFm, Sub::Click},
          {Kind::LeftDoubleClick, Main, Control::LabelFm},
          {Kind::ControlEvent, Main, Control::LabelFm, Sub::DoubleClick}}},
        {"right click on an image control", [] { rightClick(Main, LabelFmCentre); },
         {{Kind::RightRelease, Main}, {Kind::ControlEvent, Main, Control::LabelFm, Sub::RightClick}}},
        {"right double-click on an image control", [] { rightDoubleClick(Main, LabelFmCentre); },
         {{Kind::RightRelease, Main},
          {Kind::ControlEvent, Main, Control::LabelFm, Sub::RightClick},
          {Kind::ControlEvent, Main, Control::LabelFm, Sub::RightDoubleClick},
          {Kind::RightRelease, Main}}},
        {"left click on a meter showing its canvas", [] { leftClick(Main, QPoint(60, 40)); },
         {{Kind::ControlEvent, Main, Control::LeftMeterView, Sub::Click}}},
        {"press on MainWindow's background", [] { leftClick(Main, BackgroundOfMain); }, {{Kind::LeftPress, Main}}},
        {"press on PlaylistWindow's background", [] { leftClick(Panel, BackgroundOfPanel); },
         {{Kind::LeftPress, Panel}}},
        {"press on ListHeader falls through to the window", [] { leftClick(Panel, ListHeaderCentre); },
         {{Kind::LeftPress, Panel}}},
        {"double-click on the background", [] { leftDoubleClick(Main, BackgroundOfMain); },
         {{Kind::LeftPress, Main}, {Kind::LeftDoubleClick, Main}}},
        {"double-click on ListHeader", [] { leftDoubleClick(Panel, ListHeaderCentre); },
         {{Kind::LeftPress, Panel}, {Kind::LeftDoubleClick, Panel, Control::ListHeader}}},
        {"right click on the background", [] { rightClick(Main, BackgroundOfMain); }, {{Kind::RightRelease, Main}}},
        {"right click on the list", [] { rightClick(Panel, listRowPoint(2)); }, {{Kind::RightRelease, Panel}}},
        {"PowerButton lies over MinimizeButton", [] { leftClick(Main, QPoint(350, 5)); },
         {{Kind::ControlEvent, Main, Control::PowerButton, Sub::Click}}},
        {"MinimizeButton lies over CloseButton", [] { rightClick(Main, QPoint(370, 5)); },
         {{Kind::RightRelease, Main}, {Kind::ControlEvent, Main, Control::MinimizeButton, Sub::RightClick}}},
        {"TickerView lies over LcdView", [] { leftClick(Panel, QPoint(70, 25)); },
         {{Kind::ControlEvent, Panel, Control::TickerView, Sub::Click}}},
        {"LcdView outside the ticker", [] { leftClick(Panel, QPoint(30, 50)); },
         {{Kind::ControlEvent, Panel, Control::LcdView, Sub::Click}}},
        {"click on the progress bar", [] { leftClick(Panel, QPoint(100, 69)); },
         {{Kind::ControlEvent, Panel, Control::ProgressView, Sub::Click}}},
    };
    for (const InputCase &inputCase : cases) {
        takeEvents();
        inputCase.input();
        const std::vector<ExpectedEvent> recorded = summarise(takeEvents());
        EXPECT_EQ(recorded, inputCase.expected)
            << inputCase.what << ": recorded " << describe(recorded) << " expected " << describe(inputCase.expected);
    }
}

TEST_F(SpineEvents, PressOnARowSelectsItThenReachesTheWindow)
{
    playlistBoxSelect(-1);
    leftClick(Panel, listRowPoint(1));
    EXPECT_EQ(summarise(takeEvents()), (std::vector<ExpectedEvent>{{Kind::LeftPress, Panel}}));
    EXPECT_EQ(playlistBoxSelectedRow(), 1);
}

TEST_F(SpineEvents, DoubleClickOnTheListNamesPlaylistBox)
{
    leftDoubleClick(Panel, listRowPoint(2));
    EXPECT_EQ(summarise(takeEvents()), (std::vector<ExpectedEvent>{
                                           {Kind::LeftPress, Panel},
                                           {Kind::LeftDoubleClick, Panel, Control::PlaylistBox},
                                       }));
    EXPECT_EQ(playlistBoxSelectedRow(), 2);
}

TEST_F(SpineEvents, DragStartOnlyBeyondTheDragDistanceAndOncePerPress)
{
    const int distance = QApplication::startDragDistance();
    const QPoint start(60, 40);
    QTest::mousePress(qtWindow(Main), Qt::LeftButton, {}, start);
    QTest::mouseMove(qtWindow(Main), start + QPoint(distance - 1, 0));
    EXPECT_EQ(summarise(takeEvents()),
              (std::vector<ExpectedEvent>{{Kind::ControlEvent, Main, Control::LeftMeterView, Sub::Click}}));
    QTest::mouseMove(qtWindow(Main), start + QPoint(distance + 1, 0));
    QTest::mouseMove(qtWindow(Main), start + QPoint(distance + 8, 3));
    const std::vector<UiEvent> moved = takeEvents(true);
    QTest::mouseRelease(qtWindow(Main), Qt::LeftButton, {}, start + QPoint(distance + 8, 3));
    EXPECT_EQ(summarise(moved), (std::vector<ExpectedEvent>{
                                    {Kind::MouseMove, Main},
                                    {Kind::ControlEvent, Main, Control::LeftMeterView, Sub::DragStart},
                                    {Kind::MouseMove, Main},
                                }));
    EXPECT_TRUE(takeEvents().empty());
}

TEST_F(SpineEvents, CloseRequestIsQueuedAndTheWindowStays)
{
    for (Window window : {Main, Panel}) {
        QCloseEvent close;
        QApplication::sendEvent(qtWindow(window), &close);
        EXPECT_EQ(summarise(takeEvents()), (std::vector<ExpectedEvent>{{Kind::CloseRequest, window}}));
        EXPECT_TRUE(windowWidget(window)->isVisible());
    }
}

std::vector<UiEvent> dropOn(Window window, const QByteArray &uriList, Qt::DropActions offered)
{
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), uriList);
    QWidget *target = windowWidget(window);
    QDragEnterEvent enter(QPoint(5, 150), offered, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 150), offered, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    if (drop.isAccepted()) {
        EXPECT_NE(drop.dropAction(), Qt::MoveAction);
    }
    return takeEvents();
}

TEST_F(SpineEvents, DroppedFilesKeepTheirBytesAndAreLinked)
{
    const std::vector<UiEvent> events =
        dropOn(Panel, "file:///tmp/a%20b.wav\r\n# comment\r\nfile:///tmp/%E9t%E9%0Anew.mp3\r\nhttp://x/y.mp3\r\n",
               Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::FilesDropped);
    EXPECT_EQ(events[0].window, Panel);
    EXPECT_EQ(events[0].droppedText, "/tmp/a b.wav\n/tmp/\xE9t\xE9\nnew.mp3");

    struct Refused {
        const char *what;
        QByteArray uriList;
        Qt::DropActions offered;
    };
    for (const Refused &refused : {Refused{"only a move is offered", "file:///tmp/x.wav\r\n", Qt::MoveAction},
                                   Refused{"no local file", "http://example.org/x.wav\r\n", Qt::CopyAction},
                                   Refused{"empty list", "", Qt::CopyAction}})
        EXPECT_TRUE(dropOn(Main, refused.uriList, refused.offered).empty()) << refused.what;
}

TEST_F(SpineEvents, PumpingDropsInputThatArrivesMeanwhile)
{
    QCloseEvent close;
    QApplication::sendEvent(qtWindow(Main), &close);
    leftClick(Main, LabelFmCentre);
    pumpPendingEventsDiscarding(10);
    EXPECT_FALSE(takePendingUiEvent().has_value());
    EXPECT_TRUE(windowWidget(Main)->isVisible());
}

TEST_F(SpineEvents, HandCursorLastsUntilThePointerMoves)
{
    setHandCursor();
    for (Window window : {Main, Panel})
        EXPECT_EQ(windowWidget(window)->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(qtWindow(Main), BackgroundOfMain);
    for (Window window : {Main, Panel})
        EXPECT_EQ(windowWidget(window)->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SpineEvents, HeaderAndRowsShowNamesAsOneLineOfPlainText)
{
    QLabel *header = windowWidget(Panel)->findChild<QLabel *>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->text(), QString::fromUtf8("Название"));
    setLabelText(Control::ListHeader, "/music/<b>bold</b>\n\x01\xCF\xE5\xF1\xED\xE8");
    EXPECT_EQ(header->text(), QString::fromUtf8("/music/<b>bold</b>\uFFFD\uFFFDПесни"));
    EXPECT_EQ(header->textFormat(), Qt::PlainText);
    setLabelText(Control::ListHeader, ListHeaderStartText);
}

int displayTicks = 0;
void countDisplayTick() { ++displayTicks; }

TEST_F(SpineEvents, DisplayTimerTicksAreOtherEventsAndRunWhilePumping)
{
    startDisplayTimer(35, countDisplayTick);
    const UiEvent first = waitForUiEvent();
    (void)first;
    QTest::qWait(200);
    ASSERT_GT(displayTicks, 0);
    bool sawTick = false;
    while (std::optional<UiEvent> event = takePendingUiEvent())
        sawTick = sawTick || (event->kind == EventKind::OtherEvent && event->window == Main);
    EXPECT_TRUE(sawTick);

    const int ticksBefore = displayTicks;
    leftClick(Main, LabelFmCentre);
    for (int step = 0; step < 30; ++step) {
        pumpPendingEventsDiscarding(10);
        sleepMilliseconds(8);
    }
    EXPECT_GT(displayTicks, ticksBefore);
    EXPECT_FALSE(takePendingUiEvent().has_value());
}

TEST_F(SpineEvents, MousePositionIsRelativeToMainWindowOrMinusOne)
{
    const QPoint origin = windowWidget(Main)->mapToGlobal(QPoint(0, 0));
    struct Case {
        QPoint cursor;
        int x, y;
    };
    for (const Case &sample : {Case{{0, 0}, 0, 0}, Case{{399, 199}, 399, 199}, Case{{123, 45}, 123, 45},
                               Case{{400, 10}, -1, -1}, Case{{10, 200}, -1, -1}, Case{{-1, 5}, -1, -1}}) {
        QCursor::setPos(origin + sample.cursor);
        QApplication::processEvents();
        while (takePendingUiEvent()) {
        }
        QTest::keyClick(windowWidget(Main), Qt::Key_A);
        runLoopPass();
        EXPECT_EQ(uiEvent.kind, EventKind::OtherEvent);
        EXPECT_EQ(uiEvent.mouseX, sample.x) << sample.cursor.x() << "," << sample.cursor.y();
        EXPECT_EQ(uiEvent.mouseY, sample.y) << sample.cursor.x() << "," << sample.cursor.y();
    }
}

} // namespace
