#include "skin/windows.h"

#include "platform/toolkit.h"
#include "skin/layout.h"
#include "skin/skin.h"

namespace {

const QImage *initialImageOf(const ImageControlLayout &layout)
{
    switch (layout.image) {
    case InitialImage::None:
        return nullptr;
    case InitialImage::LeftMeterCanvas:
        return &canvas(Canvas::LeftMeterCanvas);
    case InitialImage::RightMeterCanvas:
        return &canvas(Canvas::RightMeterCanvas);
    case InitialImage::TickerCanvas:
        return &canvas(Canvas::TickerCanvas);
    case InitialImage::LcdCanvas:
        return &canvas(Canvas::LcdCanvas);
    case InitialImage::ProgressCanvas:
        return &canvas(Canvas::ProgressCanvas);
    case InitialImage::KnobOfItsStep:
        return &KnobImage(static_cast<int>(layout.control) - static_cast<int>(Control::VolumeKnob0));
    }
    return nullptr;
}

void createImageControls(Window window, const auto &table)
{
    for (const ImageControlLayout &layout : table)
        createImageControl(window, layout.control, layout.rect, initialImageOf(layout));
}

} // namespace

void CreateMainWindow()
{
    const ScreenSize screen = primaryScreenSize();
    const PixelRect client = {(screen.width - MainWindowWidth) / 2, (screen.height - MainWindowHeight) / 2,
                              MainWindowWidth, MainWindowHeight};
    createWindow(Window::MainWindow, client, MainWindowTitle, skinImage(SkinImage::MainBackground));
    createImageControls(Window::MainWindow, MainWindowControls);
    acceptDrops(Window::MainWindow);
}

bool CreatePlaylistWindow()
{
    const PixelRect mainWindow = windowGeometry(Window::MainWindow);
    const PixelRect client = {mainWindow.x, mainWindow.y + PanelDockOffset, PlaylistWindowWidth,
                              PlaylistWindowStartHeight};
    if (!createWindow(Window::PlaylistWindow, client, PlaylistWindowTitle, skinImage(SkinImage::PlaylistBackground)))
        return false;
    createTextLabel(Window::PlaylistWindow, Control::ListHeader, ListHeaderRect, ListHeaderStartText, LcdFont(),
                    ListHeaderTextColour, PanelBlack);
    createListInFrame(Window::PlaylistWindow, Control::ListFrame, ListFrameRect, Control::PlaylistBox,
                      PlaylistBoxRect, PlaylistBoxEdgeWidth, PlaylistTextColour, PanelBlack);
    createImageControls(Window::PlaylistWindow, PlaylistWindowImageControls);
    return true;
}
