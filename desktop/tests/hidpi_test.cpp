// The player at a device pixel ratio of 2 (QT_SCALE_FACTOR=2).
//
// Crispness: the same program grabs its windows once at scale 1 and once at
// scale 2, each in a child process of its own (Qt reads the scale factor only
// at start); every skin pixel of the first must be an exact 2x2 block of the
// second. On a real X server the window's pixels must be those same blocks,
// and clicks at physical pixel positions must name the control under the
// logical position, half of it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <QTemporaryDir>
#include <QWidget>

#include <cstring>

#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"

namespace {

constexpr int kScale = 2;
const char *const kGrabOption = "--grab-windows";
// Runs the X11 tests in this process, on $DISPLAY, at scale 2.
const char *const kOnX11Option = "--on-x11";

QString programPath;

struct GrabbedWindows {
    QImage main, playlist;
};

GrabbedWindows grabAtScale(const QString &directory, int scale)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    child.setProcessEnvironment(environment);
    const QString prefix = directory + QStringLiteral("/scale%1-").arg(scale);
    child.start(programPath, {QString::fromLatin1(kGrabOption), prefix});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        ADD_FAILURE() << "grabbing at scale " << scale << " failed: " << child.readAllStandardError().toStdString();
        return {};
    }
    return {QImage(prefix + QStringLiteral("main.png")), QImage(prefix + QStringLiteral("playlist.png"))};
}

// How many pixels of `small` differ from the 2x2 block they became in `large`.
int pixelsNotExactBlocks(const QImage &small, const QImage &large, const std::vector<QRect> &textAreas)
{
    const QImage one = small.convertToFormat(QImage::Format_RGB32);
    const QImage two = large.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            bool inText = false;
            for (const QRect &area : textAreas)
                inText = inText || area.contains(x, y);
            if (inText)
                continue;
            const QRgb expected = one.pixel(x, y);
            for (int dy = 0; dy < kScale; ++dy)
                for (int dx = 0; dx < kScale; ++dx)
                    differing += two.pixel(x * kScale + dx, y * kScale + dy) != expected ? 1 : 0;
        }
    }
    return differing;
}

QRect qRectOf(PixelRect rect) { return QRect(rect.x, rect.y, rect.width, rect.height); }

TEST(HiDpi, SkinPixelsBecomeExactTwoByTwoBlocks)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const GrabbedWindows atOne = grabAtScale(directory.path(), 1);
    const GrabbedWindows atTwo = grabAtScale(directory.path(), kScale);
    ASSERT_FALSE(atOne.main.isNull());
    ASSERT_FALSE(atTwo.main.isNull());
    ASSERT_FALSE(atOne.playlist.isNull());
    ASSERT_FALSE(atTwo.playlist.isNull());
    EXPECT_EQ(atOne.main.size(), QSize(MainWindowWidth, MainWindowHeight));
    EXPECT_EQ(atTwo.main.size(), atOne.main.size() * kScale);
    EXPECT_EQ(atTwo.playlist.size(), atOne.playlist.size() * kScale);

    EXPECT_EQ(pixelsNotExactBlocks(atOne.main, atTwo.main, {}), 0);
    // Text is set by the font engine at each resolution: sharper at 2, not a copy.
    EXPECT_EQ(pixelsNotExactBlocks(atOne.playlist, atTwo.playlist, {qRectOf(ListHeaderRect)}), 0);
}

std::vector<UiEvent> waitForEvents(int wanted)
{
    std::vector<UiEvent> events;
    for (int attempt = 0; attempt < 200 && static_cast<int>(events.size()) < wanted; ++attempt) {
        QApplication::processEvents(QEventLoop::AllEvents, 25);
        const std::vector<UiEvent> arrived = takeEvents();
        events.insert(events.end(), arrived.begin(), arrived.end());
    }
    return events;
}

int runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void showOnX11()
{
    createPlayerWindowsOnce();
    showBothWindowsOpen();
    moveWindow(Window::MainWindow, 0, 0);
    moveWindow(Window::PlaylistWindow, 0, MainWindowHeight + 4);
    QApplication::processEvents();
}

// What the X server holds for MainWindow, read back with ImageMagick's import.
QImage serverPixels(QWidget *widget, const QString &directory)
{
    const QString path = directory + QStringLiteral("/server-main.png");
    QProcess import;
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QString::number(widget->winId()), path});
    import.waitForFinished(20000);
    return QImage(path);
}

TEST(HiDpiX11, TheServerShowsEverySkinPixelAsATwoByTwoBlock)
{
    if (!toolkitStarted)
        GTEST_SKIP() << "run with " << kOnX11Option << " on an X server";
    showOnX11();
    QWidget *mainWindow = windowWidget(Window::MainWindow);
    ASSERT_EQ(mainWindow->devicePixelRatio(), kScale);
    QTest::qWait(300);
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QImage onServer = serverPixels(mainWindow, directory.path());
    const GrabbedWindows atOne = grabAtScale(directory.path(), 1);
    ASSERT_FALSE(onServer.isNull());
    ASSERT_FALSE(atOne.main.isNull());
    ASSERT_EQ(onServer.size(), atOne.main.size() * kScale);
    EXPECT_EQ(pixelsNotExactBlocks(atOne.main, onServer, {}), 0);
}

TEST(HiDpiX11, ClicksAtPhysicalPixelsNameTheControlUnderThem)
{
    if (!toolkitStarted)
        GTEST_SKIP() << "run with " << kOnX11Option << " on an X server";
    showOnX11();
    ASSERT_EQ(windowWidget(Window::MainWindow)->devicePixelRatio(), kScale);

    struct Case {
        const char *what;
        Window window;
        QPoint logical;
        ExpectedEvent expected;
    };
    const Case cases[] = {
        {"PowerButton", Window::MainWindow, {350, 5},
         {EventKind::ControlEvent, Window::MainWindow, Control::PowerButton, ControlSubType::Click}},
        {"FM label", Window::MainWindow, {92, 109},
         {EventKind::ControlEvent, Window::MainWindow, Control::LabelFm, ControlSubType::Click}},
        {"right meter", Window::MainWindow, {170, 40},
         {EventKind::ControlEvent, Window::MainWindow, Control::RightMeterView, ControlSubType::Click}},
        {"MainWindow background", Window::MainWindow, {240, 180},
         {EventKind::LeftPress, Window::MainWindow}},
        {"progress bar, 2 pixels high", Window::PlaylistWindow, {100, 69},
         {EventKind::ControlEvent, Window::PlaylistWindow, Control::ProgressView, ControlSubType::Click}},
        {"LcdView beside the ticker", Window::PlaylistWindow, {30, 50},
         {EventKind::ControlEvent, Window::PlaylistWindow, Control::LcdView, ControlSubType::Click}},
    };
    for (const Case &sample : cases) {
        takeEvents();
        const QString windowId = QString::number(windowWidget(sample.window)->winId());
        const QPoint physical = sample.logical * kScale;
        ASSERT_EQ(runTool(QStringLiteral("xdotool"), {"mousemove", "--window", windowId, QString::number(physical.x()),
                                                     QString::number(physical.y()), "click", "1"}),
                  0);
        const std::vector<ExpectedEvent> recorded = summarise(waitForEvents(1));
        ASSERT_FALSE(recorded.empty()) << sample.what;
        EXPECT_EQ(recorded.front(), sample.expected)
            << sample.what << ": recorded " << describe(recorded) << " expected " << describe({sample.expected});
        // Let the double-click interval pass, so the next click is a click of its own.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
    }
}

int grabWindows(int argc, char **argv)
{
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    startToolkit(argc, argv);
    createPlayerWindowsOnce();
    showBothWindowsOpen();
    QWidget *mainWindow = windowWidget(Window::MainWindow);
    QWidget *playlistWindow = windowWidget(Window::PlaylistWindow);
    if (!mainWindow || !playlistWindow)
        return 1;
    const QImage mainPicture = mainWindow->grab().toImage();
    const QImage playlistPicture = playlistWindow->grab().toImage();
    return mainPicture.save(prefix + QStringLiteral("main.png")) &&
                   playlistPicture.save(prefix + QStringLiteral("playlist.png"))
               ? 0
               : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], kGrabOption) == 0)
        return grabWindows(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    programPath = QString::fromLocal8Bit(argv[0]);
    if (argc == 2 && std::strcmp(argv[1], kOnX11Option) == 0 && !GTEST_FLAG_GET(list_tests)) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
        qputenv("QT_QPA_PLATFORM", "xcb");
        startToolkit(argc, argv);
        toolkitStarted = true;
    }
    return RUN_ALL_TESTS();
}
