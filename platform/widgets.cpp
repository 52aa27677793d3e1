#include "platform/widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QUrl>
#include <algorithm>
#include <cstring>

namespace {

// The second press of a double-click: Qt sends it as a press flagged so, then
// as a double-click event, which is where it is reported.
bool pressStartsDoubleClick(const QMouseEvent *event)
{
    return event->flags().testFlag(Qt::MouseEventCreatedDoubleClick);
}

UiEvent eventOf(EventKind kind, Window window, Control control = Control::None,
                ControlSubType subType = ControlSubType::None)
{
    UiEvent event;
    event.kind = kind;
    event.window = window;
    event.control = control;
    event.subType = subType;
    return event;
}

int hexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// The path of a file URI exactly as its bytes were encoded: Qt's own decoding
// would replace bytes that are not UTF-8.
std::string localPathOfFileUri(std::string_view uri)
{
    constexpr std::string_view scheme = "file://";
    if (uri.size() < scheme.size() || QByteArray(uri.data(), scheme.size()).toLower() != "file://")
        return {};
    uri.remove_prefix(scheme.size());
    const size_t pathStart = uri.find('/');
    if (pathStart == std::string_view::npos)
        return {};
    uri.remove_prefix(pathStart);
    std::string path;
    for (size_t index = 0; index < uri.size(); ++index) {
        if (uri[index] == '%' && index + 2 < uri.size() && hexDigitValue(uri[index + 1]) >= 0 &&
            hexDigitValue(uri[index + 2]) >= 0) {
            path.push_back(static_cast<char>(hexDigitValue(uri[index + 1]) * 16 + hexDigitValue(uri[index + 2])));
            index += 2;
        } else {
            path.push_back(uri[index]);
        }
    }
    return path;
}

std::string droppedPaths(const QMimeData *mime)
{
    std::string joined;
    auto add = [&](const std::string &path) {
        if (path.empty() || path.find('\0') != std::string::npos)
            return;
        if (!joined.empty())
            joined.push_back('\n');
        joined += path;
    };
    const QByteArray uriList = mime->data(QStringLiteral("text/uri-list"));
    if (!uriList.isEmpty()) {
        for (const QByteArray &line : uriList.split('\n')) {
            const QByteArray uri = line.endsWith('\r') ? line.chopped(1) : line;
            if (!uri.isEmpty() && !uri.startsWith('#'))
                add(localPathOfFileUri(std::string_view(uri.constData(), static_cast<size_t>(uri.size()))));
        }
        return joined;
    }
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            add(QFile::encodeName(url.toLocalFile()).toStdString());
    return joined;
}

// Files are linked, never copied or moved: a move would let the source delete them.
bool chooseLinkOrCopy(QDropEvent *event)
{
    if (droppedPaths(event->mimeData()).empty())
        return false;
    if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else
        return false;
    return true;
}

} // namespace

PlayerWindowWidget::PlayerWindowWidget(Window name, const QImage &background)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), name_(name), background_(QPixmap::fromImage(background))
{
    setMouseTracking(true);
}

void PlayerWindowWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!background_.isNull())
        painter.drawTiledPixmap(rect(), background_);
    queueOtherEvent(name_);
}

void PlayerWindowWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        noteLeftPress(event->globalPosition().toPoint());
        if (!pressStartsDoubleClick(event))
            queueUiEvent(eventOf(EventKind::LeftPress, name_));
        return;
    }
    queueOtherEvent(name_);
}

void PlayerWindowWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        queueOtherEvent(name_);
        return;
    }
    const bool overLabel =
        clickThroughLabel && clickThroughLabel->geometry().contains(event->position().toPoint());
    queueUiEvent(eventOf(EventKind::LeftDoubleClick, name_, overLabel ? clickThroughLabelName : Control::None));
}

void PlayerWindowWidget::mouseReleaseEvent(QMouseEvent *event)
{
    queueUiEvent(eventOf(event->button() == Qt::RightButton ? EventKind::RightRelease : EventKind::OtherEvent, name_));
}

void PlayerWindowWidget::mouseMoveEvent(QMouseEvent *)
{
    restoreArrowCursor();
    queueUiEvent(eventOf(EventKind::MouseMove, name_));
}

void PlayerWindowWidget::wheelEvent(QWheelEvent *)
{
    queueOtherEvent(name_);
}

void PlayerWindowWidget::keyPressEvent(QKeyEvent *)
{
    queueOtherEvent(name_);
}

void PlayerWindowWidget::closeEvent(QCloseEvent *event)
{
    event->ignore();
    queueUiEvent(eventOf(EventKind::CloseRequest, name_));
}

void PlayerWindowWidget::moveEvent(QMoveEvent *)
{
    if (movedHook)
        movedHook();
    queueOtherEvent(name_);
}

void PlayerWindowWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (chooseLinkOrCopy(event))
        event->accept();
    else
        event->ignore();
}

void PlayerWindowWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (chooseLinkOrCopy(event))
        event->accept();
    else
        event->ignore();
}

void PlayerWindowWidget::dropEvent(QDropEvent *event)
{
    if (!chooseLinkOrCopy(event)) {
        event->ignore();
        return;
    }
    event->accept();
    UiEvent dropped = eventOf(EventKind::FilesDropped, name_);
    dropped.droppedText = droppedPaths(event->mimeData());
    queueUiEvent(std::move(dropped));
}

ImageControlWidget::ImageControlWidget(QWidget *parent, Window window, Control name)
    : QWidget(parent), window_(window), name_(name)
{
    setMouseTracking(true);
}

void ImageControlWidget::setImage(const QImage *image)
{
    if (image && image->isNull())
        image = nullptr;
    const qint64 key = image ? image->cacheKey() : 0;
    if (image == image_ && key == shownImageKey_)
        return;
    shownImageKey_ = key;
    // The same image painted over in place: only the pixels that differ from
    // the copy of what Qt was last given need reach the screen.
    if (image && image == image_ && shownPixels_.size() == image->size() && shownPixels_.format() == image->format()) {
        const QRect changed = changedRect(*image);
        if (!changed.isEmpty())
            update(changed);
        return;
    }
    showWholeImage(image);
}

void ImageControlWidget::showWholeImage(const QImage *image)
{
    const bool paintedInPlace = image && image == image_;
    image_ = image;
    if (image && image->size() != size())
        resize(image->size());
    // An opaque image covers the whole control: Qt need not paint the skin under it first.
    setAttribute(Qt::WA_OpaquePaintEvent, image && !image->hasAlphaChannel());
    // Only an image that came back changed is copied: skin images never change.
    if (paintedInPlace)
        shownPixels_ = image->copy();
    else
        shownPixels_ = QImage();
    update();
}

QRect ImageControlWidget::changedRect(const QImage &image)
{
    const qsizetype stride = image.bytesPerLine();
    const uchar *now = image.constBits();
    if (stride == shownPixels_.bytesPerLine() && std::memcmp(now, shownPixels_.constBits(), image.sizeInBytes()) == 0)
        return {};
    uchar *shown = shownPixels_.bits();
    const int depth = image.depth();
    const size_t rowBytes = (static_cast<size_t>(image.width()) * static_cast<size_t>(depth) + 7) / 8;
    int left = image.width(), right = -1, top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *nowRow = now + y * stride;
        uchar *shownRow = shown + y * shownPixels_.bytesPerLine();
        if (std::memcmp(nowRow, shownRow, rowBytes) == 0)
            continue;
        size_t first = 0;
        while (first + 8 <= rowBytes && std::memcmp(nowRow + first, shownRow + first, 8) == 0)
            first += 8;
        while (nowRow[first] == shownRow[first])
            ++first;
        size_t end = rowBytes;
        while (end >= first + 8 && std::memcmp(nowRow + end - 8, shownRow + end - 8, 8) == 0)
            end -= 8;
        while (nowRow[end - 1] == shownRow[end - 1])
            --end;
        const size_t last = end - 1;
        left = std::min(left, static_cast<int>(first * 8 / static_cast<size_t>(depth)));
        right = std::max(right, static_cast<int>(((last + 1) * 8 - 1) / static_cast<size_t>(depth)));
        if (top < 0)
            top = y;
        bottom = y;
        std::memcpy(shownRow + first, nowRow + first, last - first + 1);
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(std::min(right, image.width() - 1), bottom));
}

void ImageControlWidget::paintEvent(QPaintEvent *event)
{
    if (!image_)
        return;
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.drawImage(exposed.topLeft(), *image_, exposed);
}

void ImageControlWidget::queueControlEvent(ControlSubType subType)
{
    queueUiEvent(eventOf(EventKind::ControlEvent, window_, name_, subType));
}

void ImageControlWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (pressStartsDoubleClick(event))
            return;
        noteLeftPress(event->globalPosition().toPoint());
        leftHeld_ = true;
        dragReported_ = false;
        leftPressPosition_ = event->position().toPoint();
        queueControlEvent(ControlSubType::Click);
        return;
    }
    if (event->button() == Qt::RightButton)
        rightPressWasDoubleClick_ = false;
    queueOtherEvent(window_);
}

void ImageControlWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        dragReported_ = false;
        leftPressPosition_ = event->position().toPoint();
        queueUiEvent(eventOf(EventKind::LeftDoubleClick, window_, name_));
        queueControlEvent(ControlSubType::DoubleClick);
    } else if (event->button() == Qt::RightButton) {
        rightPressWasDoubleClick_ = true;
        queueControlEvent(ControlSubType::RightDoubleClick);
    } else {
        queueOtherEvent(window_);
    }
}

void ImageControlWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = false;
        queueOtherEvent(window_);
        return;
    }
    if (event->button() != Qt::RightButton) {
        queueOtherEvent(window_);
        return;
    }
    queueUiEvent(eventOf(EventKind::RightRelease, window_));
    if (rect().contains(event->position().toPoint()) && !rightPressWasDoubleClick_)
        queueControlEvent(ControlSubType::RightClick);
    rightPressWasDoubleClick_ = false;
}

void ImageControlWidget::mouseMoveEvent(QMouseEvent *event)
{
    restoreArrowCursor();
    queueUiEvent(eventOf(EventKind::MouseMove, window_));
    if (leftHeld_ && !dragReported_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - leftPressPosition_).manhattanLength() >= QApplication::startDragDistance()) {
        dragReported_ = true;
        queueControlEvent(ControlSubType::DragStart);
    }
}

PlaylistBoxWidget::PlaylistBoxWidget(QWidget *parent, Window window) : QListWidget(parent), window_(window)
{
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void PlaylistBoxWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        queueOtherEvent(window_);
        return;
    }
    noteLeftPress(event->globalPosition().toPoint());
    QListWidget::mousePressEvent(event);
    if (!pressStartsDoubleClick(event))
        queueUiEvent(eventOf(EventKind::LeftPress, window_));
}

void PlaylistBoxWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        queueOtherEvent(window_);
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
    queueUiEvent(eventOf(EventKind::LeftDoubleClick, window_, Control::PlaylistBox));
}

void PlaylistBoxWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QListWidget::mouseReleaseEvent(event);
    queueUiEvent(eventOf(event->button() == Qt::RightButton ? EventKind::RightRelease : EventKind::OtherEvent, window_));
}

void PlaylistBoxWidget::mouseMoveEvent(QMouseEvent *event)
{
    QListWidget::mouseMoveEvent(event);
    restoreArrowCursor();
    queueUiEvent(eventOf(EventKind::MouseMove, window_));
}
