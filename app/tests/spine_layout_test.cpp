// The windows as created at start-up, the image-control behaviour, and the
// look of both windows compared pixel by pixel with the skin.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "app/tests/spine_test_support.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "skin/skin.h"

namespace {

struct StartState {
    PixelRect main, panel;
    bool mainVisible, panelVisible;
    ScreenSize screen;
};
StartState startState;

class SpineLayout : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(toolkitStarted);
        createPlayerWindowsOnce();
        startState = {windowGeometry(Window::MainWindow), windowGeometry(Window::PlaylistWindow),
                      windowWidget(Window::MainWindow)->isVisible(), windowWidget(Window::PlaylistWindow)->isVisible(),
                      primaryScreenSize()};
        showBothWindowsOpen();
    }
};

bool sameRect(PixelRect a, PixelRect b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST_F(SpineLayout, WindowsStartHiddenCentredAndDocked)
{
    const PixelRect expectedMain = {(startState.screen.width - 400) / 2, (startState.screen.height - 200) / 2, 400,
                                    200};
    EXPECT_TRUE(sameRect(startState.main, expectedMain));
    EXPECT_TRUE(sameRect(startState.panel, {expectedMain.x, expectedMain.y + 204, 400, 0}));
    EXPECT_FALSE(startState.mainVisible);
    EXPECT_FALSE(startState.panelVisible);
    EXPECT_EQ(windowWidget(Window::MainWindow)->windowTitle(), QString::fromUtf8("Корвинта"));
    EXPECT_EQ(windowWidget(Window::PlaylistWindow)->windowTitle(), QString::fromUtf8("Плейлист"));
    for (Window window : {Window::MainWindow, Window::PlaylistWindow}) {
        EXPECT_TRUE(windowWidget(window)->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(windowWidget(window)->parentWidget(), nullptr);
    }
}

TEST_F(SpineLayout, HeightZeroIsNeverOnScreen)
{
    resizeWindow(Window::PlaylistWindow, 400, 0);
    EXPECT_FALSE(windowWidget(Window::PlaylistWindow)->isVisible());
    EXPECT_EQ(windowGeometry(Window::PlaylistWindow).height, 0);
    resizeWindow(Window::PlaylistWindow, 400, 396);
    EXPECT_TRUE(windowWidget(Window::PlaylistWindow)->isVisible());
    EXPECT_EQ(windowWidget(Window::PlaylistWindow)->height(), 396);
}

TEST_F(SpineLayout, EveryControlStandsWhereItsTableSays)
{
    for (const ImageControlLayout &layout : MainWindowControls) {
        EXPECT_TRUE(sameRect(controlGeometry(layout.control), layout.rect)) << static_cast<int>(layout.control);
    }
    for (const ImageControlLayout &layout : PlaylistWindowImageControls) {
        EXPECT_TRUE(sameRect(controlGeometry(layout.control), layout.rect)) << static_cast<int>(layout.control);
    }
    EXPECT_TRUE(sameRect(controlGeometry(Control::ListHeader), ListHeaderRect));
    EXPECT_TRUE(sameRect(controlGeometry(Control::ListFrame), ListFrameRect));
    EXPECT_TRUE(sameRect(controlGeometry(Control::PlaylistBox), PlaylistBoxRect));
}

QRgb skinPixel(SkinImage image, int x, int y)
{
    return skinImage(image).pixel(x, y) | 0xFF000000u;
}

QImage grabOf(Window window)
{
    return windowWidget(window)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool inside(PixelRect rect, int x, int y)
{
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

int straightBlend(int over, int under, int alpha)
{
    return (over * alpha + under * (255 - alpha) + 127) / 255;
}

TEST_F(SpineLayout, ImageControlsCompositeResizeAndMove)
{
    // An opaque image replaces the skin; setting one resizes the control.
    setControlImage(Control::LabelOpen, &skinImage(SkinImage::LabelOpenLit));
    EXPECT_EQ(controlGeometry(Control::LabelOpen).width, 35);
    // An RGBA knob blends over the printed knob; moving keeps image and size.
    moveControl(VolumeKnob(3), 284, 67);
    QImage shot = grabOf(Window::MainWindow);
    const QImage &lit = skinImage(SkinImage::LabelOpenLit);
    for (int y = 0; y < lit.height(); ++y)
        for (int x = 0; x < lit.width(); ++x)
            ASSERT_EQ(shot.pixel(127 + x, 105 + y), lit.pixel(x, y) | 0xFF000000u) << x << "," << y;
    const QImage knob = KnobImage(3).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
            const QRgb over = knob.pixel(x, y);
            const QRgb under = skinPixel(SkinImage::MainBackground, 284 + x, 67 + y);
            const QRgb seen = shot.pixel(284 + x, 67 + y);
            const int alpha = qAlpha(over);
            ASSERT_NEAR(qRed(seen), straightBlend(qRed(over), qRed(under), alpha), 2) << x << "," << y;
            ASSERT_NEAR(qGreen(seen), straightBlend(qGreen(over), qGreen(under), alpha), 2) << x << "," << y;
            ASSERT_NEAR(qBlue(seen), straightBlend(qBlue(over), qBlue(under), alpha), 2) << x << "," << y;
        }
    }
    // No image: the skin shows and the size stays.
    setControlImage(Control::LabelOpen, nullptr);
    moveControl(VolumeKnob(3), VolumeKnobParkedX, 67);
    EXPECT_TRUE(sameRect(controlGeometry(Control::LabelOpen), {127, 105, 35, 9}));
    EXPECT_TRUE(sameRect(controlGeometry(VolumeKnob(3)), {VolumeKnobParkedX, 67, 80, 80}));
    shot = grabOf(Window::MainWindow);
    for (int y = 67; y < 147; ++y)
        for (int x = 127; x < 364; ++x)
            if (y >= 105 || x >= 284) {
                ASSERT_EQ(shot.pixel(x, y), skinPixel(SkinImage::MainBackground, x, y)) << x << "," << y;
            }
}

bool isGreyBetween(QRgb pixel, Rgb dark, Rgb light)
{
    auto within = [](int value, int low, int high) { return value >= low - 1 && value <= high + 1; };
    return within(qRed(pixel), dark.red, light.red) && within(qGreen(pixel), dark.green, light.green) &&
           within(qBlue(pixel), dark.blue, light.blue);
}

bool sameRgb(QRgb pixel, Rgb colour)
{
    return qRed(pixel) == colour.red && qGreen(pixel) == colour.green && qBlue(pixel) == colour.blue;
}

TEST_F(SpineLayout, BothWindowsShowTheSkinOutsideTheirCanvases)
{
    const QImage main = grabOf(Window::MainWindow);
    ASSERT_EQ(main.size(), QSize(400, 200));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x)
            if (!inside(MainWindowControls[0].rect, x, y) && !inside(MainWindowControls[1].rect, x, y)) {
                ASSERT_EQ(main.pixel(x, y), skinPixel(SkinImage::MainBackground, x, y)) << x << "," << y;
            }

    playlistBoxClear();
    const QImage panel = grabOf(Window::PlaylistWindow);
    ASSERT_EQ(panel.size(), QSize(400, 396));
    int headerTextPixels = 0, headerLeft = 400, headerRight = -1;
    for (int y = 0; y < 396; ++y) {
        for (int x = 0; x < 400; ++x) {
            const QRgb seen = panel.pixel(x, y);
            if (std::any_of(PlaylistWindowImageControls.begin(), PlaylistWindowImageControls.end(),
                            [&](const ImageControlLayout &layout) { return inside(layout.rect, x, y); }))
                continue;
            if (inside(ListHeaderRect, x, y)) {
                ASSERT_TRUE(isGreyBetween(seen, PanelBlack, ListHeaderTextColour)) << x << "," << y;
                if (!sameRgb(seen, PanelBlack)) {
                    ++headerTextPixels;
                    headerLeft = std::min(headerLeft, x);
                    headerRight = std::max(headerRight, x);
                }
            } else if (inside(ListFrameRect, x, y)) {
                ASSERT_TRUE(sameRgb(seen, PanelBlack)) << "empty list at " << x << "," << y;
            } else {
                ASSERT_EQ(seen, skinPixel(SkinImage::PlaylistBackground, x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(headerTextPixels, 20);
    const int leftMargin = headerLeft - ListHeaderRect.x;
    const int rightMargin = ListHeaderRect.x + ListHeaderRect.width - 1 - headerRight;
    EXPECT_NEAR(leftMargin, rightMargin, 3);
}

// Inside ListFrame only list background and text; the row below it is skin.
struct FlatListLook {
    int strayPixels = 0;
    QPoint firstStray;
    int textInLastColumn = 0;
};

FlatListLook lookOfTheList()
{
    const QImage panel = grabOf(Window::PlaylistWindow);
    FlatListLook look;
    auto stray = [&](int x, int y) {
        if (look.strayPixels++ == 0)
            look.firstStray = QPoint(x, y);
    };
    const int lastColumn = ListFrameRect.x + ListFrameRect.width - 1;
    const int rowBelow = ListFrameRect.y + ListFrameRect.height;
    for (int y = ListFrameRect.y; y < rowBelow; ++y) {
        for (int x = ListFrameRect.x; x <= lastColumn; ++x) {
            const QRgb seen = panel.pixel(x, y);
            if (!isGreyBetween(seen, PanelBlack, PlaylistTextColour))
                stray(x, y);
            else if (x == lastColumn && !sameRgb(seen, PanelBlack))
                ++look.textInLastColumn;
        }
    }
    for (int x = 0; x < 400; ++x)
        if (panel.pixel(x, rowBelow) != skinPixel(SkinImage::PlaylistBackground, x, rowBelow))
            stray(x, rowBelow);
    return look;
}

TEST_F(SpineLayout, AFullListStaysFlatAndCutsLongNames)
{
    playlistBoxClear();
    playlistBoxAppend(std::string(200, 'W') + ".mp3");
    for (int row = 1; row < 60; ++row)
        playlistBoxAppend("track " + std::to_string(row) + ".wav");
    playlistBoxAppend("\xE8\xEC\xFF \xF4\xE0\xE9\xEB\xE0.mid"); // cp1251 bytes
    playlistBoxSelect(-1);
    QApplication::processEvents();
    QListWidget *list = windowWidget(Window::PlaylistWindow)->findChild<QListWidget *>();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    ASSERT_TRUE(list->horizontalScrollBar()->isVisible());

    FlatListLook look = lookOfTheList();
    EXPECT_EQ(look.strayPixels, 0) << "first at " << look.firstStray.x() << "," << look.firstStray.y();
    EXPECT_GT(look.textInLastColumn, 0) << "the long name runs to the frame's edge";

    QWheelEvent wheel(QPointF(50, 50), list->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &wheel);
    QApplication::processEvents();
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    look = lookOfTheList();
    EXPECT_EQ(look.strayPixels, 0) << "first at " << look.firstStray.x() << "," << look.firstStray.y();
    EXPECT_EQ(list->item(10)->text(), QStringLiteral("track 10.wav")) << "rows keep their insertion order";
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(playlistBoxRowText(60), "\xE8\xEC\xFF \xF4\xE0\xE9\xEB\xE0.mid");
    EXPECT_EQ(list->item(60)->text(), QString::fromUtf8("имя файла.mid"));
    playlistBoxClear();
}

} // namespace
