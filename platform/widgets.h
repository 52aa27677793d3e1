// The adapter's Qt widgets. Their event handlers translate a Qt event into
// UiEvents and queue them; no player logic runs inside them.
#pragma once

#include <QListWidget>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include "app/ui_event.h"

void queueUiEvent(UiEvent event);
void queueOtherEvent(Window window);
// Where the left button last went down, for a drag that starts from it.
void noteLeftPress(QPoint screenPosition);
// The arrow comes back at the next pointer move after setHandCursor.
void restoreArrowCursor();

class PlayerWindowWidget : public QWidget {
public:
    PlayerWindowWidget(Window name, const QImage &background);

    Window name() const { return name_; }
    void (*movedHook)() = nullptr;
    // Shown as the player sees it; on screen only while also taller than 0.
    bool shownByPlayer = false;
    int playerHeight = 0;
    // A child that takes no clicks but is still named as the control under a double-click.
    QWidget *clickThroughLabel = nullptr;
    Control clickThroughLabelName = Control::None;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    Window name_;
    QPixmap background_;
};

class ImageControlWidget : public QWidget {
public:
    ImageControlWidget(QWidget *parent, Window window, Control name);

    // Repaints only the pixels that differ from what the control last showed;
    // nothing at all when the image is unchanged.
    void setImage(const QImage *image);
    const QImage *image() const { return image_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void queueControlEvent(ControlSubType subType);
    void showWholeImage(const QImage *image);
    QRect changedRect(const QImage &image);

    Window window_;
    Control name_;
    const QImage *image_ = nullptr;
    qint64 shownImageKey_ = 0;
    // A private copy of the pixels last handed to Qt, to tell what an image
    // painted over in place has changed.
    QImage shownPixels_;
    QPoint leftPressPosition_;
    bool leftHeld_ = false;
    bool dragReported_ = false;
    bool rightPressWasDoubleClick_ = false;
};

class PlaylistBoxWidget : public QListWidget {
public:
    PlaylistBoxWidget(QWidget *parent, Window window);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    Window window_;
};
