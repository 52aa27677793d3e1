#include "platform/toolkit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <array>
#include <cstdlib>
#include <deque>
#include <memory>
#include <xcb/xcb.h>

#include "platform/text_codec.h"
#include "platform/widgets.h"

namespace {

constexpr int WindowSlots = 3;
constexpr int ControlSlots = static_cast<int>(Control::Count);

// Still reachable after the objects below let go of them, so that a leak
// checker sees them as alive until the end.
std::array<QObject *, WindowSlots + 1> keptUntilProcessEnd{};

// Everything here lives until the process ends. Nothing is torn down at exit:
// by the time static objects are destroyed, Qt's own globals may be gone.
struct ToolkitObjects {
    ~ToolkitObjects()
    {
        for (size_t slot = 0; slot < windows.size(); ++slot)
            keptUntilProcessEnd[slot] = windows[slot].release();
        keptUntilProcessEnd[WindowSlots] = application.release();
    }

    std::unique_ptr<QApplication> application;
    std::array<std::unique_ptr<PlayerWindowWidget>, WindowSlots> windows;
    std::array<QWidget *, ControlSlots> controls{};
    std::deque<UiEvent> queuedEvents;
    bool handCursorShown = false;
    std::optional<QPoint> lastLeftPress; // screen position
};

ToolkitObjects &toolkit()
{
    static ToolkitObjects objects;
    return objects;
}

PlayerWindowWidget *windowWidget(Window window)
{
    const int slot = static_cast<int>(window);
    if (slot <= 0 || slot >= WindowSlots)
        return nullptr;
    return toolkit().windows[static_cast<size_t>(slot)].get();
}

QWidget *controlWidget(Control control)
{
    const int slot = static_cast<int>(control);
    if (slot <= 0 || slot >= ControlSlots)
        return nullptr;
    return toolkit().controls[static_cast<size_t>(slot)];
}

void registerControl(Control control, QWidget *widget)
{
    const int slot = static_cast<int>(control);
    if (slot > 0 && slot < ControlSlots)
        toolkit().controls[static_cast<size_t>(slot)] = widget;
}

PlaylistBoxWidget *playlistBox()
{
    return dynamic_cast<PlaylistBoxWidget *>(controlWidget(Control::PlaylistBox));
}

QColor colourOf(Rgb rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QRect qtRect(PixelRect rect)
{
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

// Control characters in a name would break a row or the header into lines.
QString singleLine(std::string_view bytes)
{
    QString text = decodeScreenText(bytes);
    for (QChar &character : text)
        if (character.unicode() < 0x20 || character.unicode() == 0x7F)
            character = QChar(0xFFFD);
    return text;
}

// Asks the X server itself: Qt may not have read the release yet.
bool leftButtonHeld()
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return false;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return true;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_pointer_reply_t *pointer =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
    if (!pointer)
        return false;
    const bool held = (pointer->mask & XCB_BUTTON_MASK_1) != 0;
    std::free(pointer);
    return held;
}

bool onX11() { return qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr; }

// Where the window manager cannot move a window itself, the window follows the
// pointer until the button is released; ticks, painting and docking go on.
void followPointerUntilRelease(PlayerWindowWidget *widget)
{
    // Held by where the press was: the pointer may have moved on before the press was handled.
    const QPoint grab = toolkit().lastLeftPress.value_or(QCursor::pos()) - widget->pos();
    while (widget->isVisible() && leftButtonHeld()) {
        widget->move(QCursor::pos() - grab);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    // The pointer may have moved since the last pass: the window ends where the button was released.
    if (widget->isVisible())
        widget->move(QCursor::pos() - grab);
}

// On screen only while shown and taller than 0 pixels.
void applyVisibility(PlayerWindowWidget *widget)
{
    const bool mapped = widget->shownByPlayer && widget->playerHeight > 0;
    if (mapped && !widget->isVisible()) {
        widget->show();
    } else if (!mapped && widget->isVisible()) {
        widget->hide();
    }
}

} // namespace

void queueUiEvent(UiEvent event)
{
    toolkit().queuedEvents.push_back(std::move(event));
}

void queueOtherEvent(Window window)
{
    UiEvent event;
    event.window = window;
    queueUiEvent(std::move(event));
}

void noteLeftPress(QPoint screenPosition)
{
    toolkit().lastLeftPress = screenPosition;
}

void restoreArrowCursor()
{
    if (!toolkit().handCursorShown)
        return;
    toolkit().handCursorShown = false;
    for (auto &window : toolkit().windows)
        if (window)
            window->unsetCursor();
}

void startToolkit(int &argc, char **argv)
{
    if (toolkit().application)
        return;
    // Wayland does not let a program place its windows, and the panel must dock.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    toolkit().application = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}

ScreenSize primaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {0, 0};
    return {screen->geometry().width(), screen->geometry().height()};
}

bool createWindow(Window window, PixelRect clientRect, std::string_view titleCp1251, const QImage &background)
{
    const int slot = static_cast<int>(window);
    if (slot <= 0 || slot >= WindowSlots || toolkit().windows[static_cast<size_t>(slot)])
        return false;
    auto widget = std::make_unique<PlayerWindowWidget>(window, background);
    widget->setWindowTitle(decodeCp1251(titleCp1251));
    widget->playerHeight = clientRect.height;
    widget->setGeometry(clientRect.x, clientRect.y, clientRect.width, std::max(clientRect.height, 1));
    toolkit().windows[static_cast<size_t>(slot)] = std::move(widget);
    return true;
}

void showWindow(Window window)
{
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget || widget->shownByPlayer)
        return;
    widget->shownByPlayer = true;
    applyVisibility(widget);
    if (widget->isVisible())
        widget->activateWindow();
}

void hideWindow(Window window)
{
    if (PlayerWindowWidget *widget = windowWidget(window)) {
        widget->shownByPlayer = false;
        applyVisibility(widget);
    }
}

void minimizeWindow(Window window)
{
    if (PlayerWindowWidget *widget = windowWidget(window))
        widget->showMinimized();
}

void moveWindow(Window window, int x, int y)
{
    if (PlayerWindowWidget *widget = windowWidget(window))
        widget->move(x, y);
}

void resizeWindow(Window window, int width, int height)
{
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget)
        return;
    widget->playerHeight = std::max(height, 0);
    widget->resize(std::max(width, 1), std::max(height, 1));
    applyVisibility(widget);
}

std::optional<PixelRect> windowClientOnScreen(Window window)
{
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget || !widget->isVisible() || widget->isMinimized())
        return std::nullopt;
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    return PixelRect{topLeft.x(), topLeft.y(), widget->width(), widget->playerHeight};
}

PixelRect windowGeometry(Window window)
{
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget)
        return {0, 0, 0, 0};
    return {widget->geometry().x(), widget->geometry().y(), widget->width(), widget->playerHeight};
}

void acceptDrops(Window window)
{
    if (PlayerWindowWidget *widget = windowWidget(window))
        widget->setAcceptDrops(true);
}

void setWindowMovedHook(Window window, void (*hook)())
{
    if (PlayerWindowWidget *widget = windowWidget(window))
        widget->movedHook = hook;
}

void setWindowMinimizedHook(Window window, void (*hook)(bool minimized))
{
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget || !hook)
        return;
    widget->winId();
    QWindow *native = widget->windowHandle();
    if (!native)
        return;
    auto reportChange = [hook, wasMinimized = false](Qt::WindowState state) mutable {
        const bool minimized = state == Qt::WindowMinimized;
        if (minimized != wasMinimized) {
            wasMinimized = minimized;
            hook(minimized);
        }
    };
    QObject::connect(native, &QWindow::windowStateChanged, widget, reportChange);
}

void startWindowDrag(Window window)
{
    // A press that has already been released is a drag of no length; a move
    // started now would follow the pointer until the next click.
    PlayerWindowWidget *widget = windowWidget(window);
    if (!widget || !widget->windowHandle() || !leftButtonHeld())
        return;
    if (!widget->windowHandle()->startSystemMove() && onX11())
        followPointerUntilRelease(widget);
}

void *nativeWindowHandle(Window window)
{
    PlayerWindowWidget *widget = windowWidget(window);
    return widget ? reinterpret_cast<void *>(widget->winId()) : nullptr;
}

void createImageControl(Window window, Control control, PixelRect rect, const QImage *image)
{
    PlayerWindowWidget *parent = windowWidget(window);
    if (!parent || controlWidget(control))
        return;
    auto *widget = new ImageControlWidget(parent, window, control);
    widget->setGeometry(qtRect(rect));
    widget->setImage(image);
    widget->lower(); // the first created stays on top
    registerControl(control, widget);
}

void setControlImage(Control control, const QImage *image)
{
    if (auto *widget = dynamic_cast<ImageControlWidget *>(controlWidget(control)))
        widget->setImage(image);
}

void moveControl(Control control, int x, int y)
{
    if (QWidget *widget = controlWidget(control))
        widget->move(x, y);
}

std::optional<PixelRect> controlScreenRect(Control control)
{
    QWidget *widget = controlWidget(control);
    if (!widget || !widget->window()->isVisible())
        return std::nullopt;
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    return PixelRect{topLeft.x(), topLeft.y(), widget->width(), widget->height()};
}

PixelRect controlGeometry(Control control)
{
    QWidget *widget = controlWidget(control);
    if (!widget)
        return {0, 0, 0, 0};
    const QRect rect = widget->geometry();
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

void createTextLabel(Window window, Control control, PixelRect rect, std::string_view text, const QFont &font,
                     Rgb textColour, Rgb backgroundColour)
{
    PlayerWindowWidget *parent = windowWidget(window);
    if (!parent || controlWidget(control))
        return;
    auto *label = new QLabel(parent);
    label->setGeometry(qtRect(rect));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colourOf(textColour));
    palette.setColor(QPalette::Window, colourOf(backgroundColour));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setText(singleLine(text));
    label->lower();
    parent->clickThroughLabel = label;
    parent->clickThroughLabelName = control;
    registerControl(control, label);
}

void setLabelText(Control control, std::string_view text)
{
    if (auto *label = dynamic_cast<QLabel *>(controlWidget(control)))
        label->setText(singleLine(text));
}

void createListInFrame(Window window, Control frame, PixelRect frameRect, Control list, PixelRect listRect,
                       int edgeWidth, Rgb textColour, Rgb backgroundColour)
{
    PlayerWindowWidget *parent = windowWidget(window);
    if (!parent || controlWidget(frame) || controlWidget(list))
        return;
    auto *frameWidget = new QWidget(parent);
    frameWidget->setGeometry(qtRect(frameRect));
    frameWidget->lower();
    auto *listWidget = new PlaylistBoxWidget(frameWidget, window);
    listWidget->setGeometry(qtRect(listRect));
    listWidget->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    listWidget->setLineWidth(edgeWidth);
    QPalette palette = listWidget->palette();
    palette.setColor(QPalette::Base, colourOf(backgroundColour));
    palette.setColor(QPalette::Text, colourOf(textColour));
    listWidget->setPalette(palette);
    listWidget->setSelectionMode(QAbstractItemView::SingleSelection);
    listWidget->setSortingEnabled(false);
    listWidget->setTextElideMode(Qt::ElideNone);
    listWidget->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    listWidget->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    listWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    registerControl(frame, frameWidget);
    registerControl(list, listWidget);
}

void playlistBoxClear()
{
    if (PlaylistBoxWidget *list = playlistBox())
        list->clear();
}

void playlistBoxAppend(std::string_view name)
{
    PlaylistBoxWidget *list = playlistBox();
    if (!list)
        return;
    auto *item = new QListWidgetItem(singleLine(name));
    item->setData(Qt::UserRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    list->addItem(item);
}

int playlistBoxRowCount()
{
    PlaylistBoxWidget *list = playlistBox();
    return list ? list->count() : 0;
}

void playlistBoxSelect(int row)
{
    PlaylistBoxWidget *list = playlistBox();
    if (!list)
        return;
    if (row < 0 || row >= list->count()) {
        list->clearSelection();
        list->setCurrentItem(nullptr);
        return;
    }
    list->setCurrentRow(row);
    list->scrollToItem(list->item(row));
}

int playlistBoxSelectedRow()
{
    PlaylistBoxWidget *list = playlistBox();
    if (!list)
        return -1;
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

std::string playlistBoxRowText(int row)
{
    PlaylistBoxWidget *list = playlistBox();
    if (!list || row < 0 || row >= list->count())
        return {};
    return list->item(row)->data(Qt::UserRole).toByteArray().toStdString();
}

std::optional<UiEvent> takePendingUiEvent()
{
    auto &queue = toolkit().queuedEvents;
    if (queue.empty())
        return std::nullopt;
    UiEvent event = std::move(queue.front());
    queue.pop_front();
    return event;
}

UiEvent waitForUiEvent()
{
    for (;;) {
        if (std::optional<UiEvent> event = takePendingUiEvent())
            return std::move(*event);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void pumpPendingEventsDiscarding(int maxEvents)
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    for (int handled = 0; dispatcher && handled < maxEvents; ++handled)
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
    toolkit().queuedEvents.clear();
}

void startDisplayTimer(int periodMs, void (*routine)())
{
    QObject *owner = windowWidget(Window::MainWindow);
    if (!owner)
        owner = toolkit().application.get();
    auto *timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(periodMs);
    QObject::connect(timer, &QTimer::timeout, [routine] {
        if (routine)
            routine();
        queueOtherEvent(Window::MainWindow);
    });
    timer->start();
}

void sleepMilliseconds(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0)));
}

ScreenPoint cursorScreenPosition()
{
    const QPoint position = QCursor::pos();
    return {position.x(), position.y()};
}

void setHandCursor()
{
    toolkit().handCursorShown = true;
    for (auto &window : toolkit().windows)
        if (window)
            window->setCursor(Qt::PointingHandCursor);
}

std::string openFileDialog()
{
    // Named explicitly: with no folder Qt reopens the last one it visited.
    const QString chosen = QFileDialog::getOpenFileName(windowWidget(Window::MainWindow), QString(),
                                                        QDir::currentPath(), QStringLiteral("*.* (*)"));
    return QFile::encodeName(chosen).toStdString();
}
