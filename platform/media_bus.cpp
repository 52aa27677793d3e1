#include "platform/media_bus.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <deque>

#include "platform/text_codec.h"
#include "platform/toolkit.h"
#include "platform/widgets.h"

namespace {

const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.quorvel");
const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString NoTrackPath = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
const QString TrackPathPrefix = QStringLiteral("/org/quorvel/track/");

struct MediaBus {
    bool started = false;
    bool running = false;
    MediaState published;
    std::deque<MediaRequest> requests;
    int64_t (*readPositionMicroseconds)() = nullptr;
};

MediaBus &mediaBus()
{
    static MediaBus bus;
    return bus;
}

// A request waits for the main loop's next pass, which the OtherEvent brings about.
void queueRequest(MediaRequest request)
{
    mediaBus().requests.push_back(request);
    queueOtherEvent(Window::MainWindow);
}

QString statusText(MediaStatus status)
{
    switch (status) {
    case MediaStatus::Playing:
        return QStringLiteral("Playing");
    case MediaStatus::Paused:
        return QStringLiteral("Paused");
    case MediaStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

// Any bytes make a valid URI: everything outside the unreserved set is percent-encoded.
QString fileUri(const std::string &pathBytes)
{
    QByteArray path = QByteArray::fromStdString(pathBytes);
    if (!path.startsWith('/'))
        path = QFile::encodeName(QDir::currentPath()) + '/' + path;
    return QStringLiteral("file://") + QString::fromLatin1(path.toPercentEncoding("/"));
}

// The player keeps single precision: 0.7 is reported as 0.7, not 0.69999998.
double shownVolume(double volume)
{
    constexpr double Resolution = 1e6;
    return std::round(volume * Resolution) / Resolution;
}

QVariantMap metadataOf(const MediaState &state)
{
    QVariantMap metadata;
    if (state.trackNumber == 0) {
        metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(NoTrackPath)));
        return metadata;
    }
    const QString trackPath = TrackPathPrefix + QString::number(state.trackNumber);
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath)));
    metadata.insert(QStringLiteral("xesam:title"), decodeScreenText(state.nameBytes));
    metadata.insert(QStringLiteral("xesam:url"), fileUri(state.pathBytes));
    metadata.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong(state.lengthMicroseconds)));
    return metadata;
}

class MediaPlayerRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit MediaPlayerRoot(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    // Quit is the window manager's close: the same UiEvent, the same exit.
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("QUORVEL"); }
    QString desktopEntry() const { return QStringLiteral("quorvel"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const
    {
        return {QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"), QStringLiteral("audio/mpeg"),
                QStringLiteral("audio/midi"), QStringLiteral("audio/x-midi")};
    }

public slots:
    void Raise() { queueRequest({MediaCommand::Raise}); }
    // Queued once this call has been answered, and the answer is known to
    // have left: the exit ends the process at once.
    void Quit()
    {
        QTimer::singleShot(0, [] {
            QDBusConnection::sessionBus().interface()->isServiceRegistered(ServiceName);
            UiEvent close;
            close.kind = EventKind::CloseRequest;
            close.window = Window::MainWindow;
            queueUiEvent(std::move(close));
        });
    }
};

class MediaPlayerControls : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MediaPlayerControls(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    QString playbackStatus() const { return statusText(mediaBus().published.status); }
    double rate() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return metadataOf(mediaBus().published); }
    double volume() const { return shownVolume(mediaBus().published.volume); }
    void setVolume(double volume) { queueRequest({MediaCommand::SetVolume, volume}); }
    qlonglong position() const
    {
        return mediaBus().readPositionMicroseconds ? mediaBus().readPositionMicroseconds() : 0;
    }
    bool canGoNext() const { return mediaBus().published.canGoNext; }
    bool canGoPrevious() const { return mediaBus().published.canGoPrevious; }
    bool canPlay() const { return mediaBus().published.canPlay; }
    bool canPause() const { return mediaBus().published.canPause; }
    // Seeking is the progress bar's alone.
    bool canSeek() const { return false; }
    bool canControl() const { return true; }

public slots:
    void Next() { queueRequest({MediaCommand::Next}); }
    void Previous() { queueRequest({MediaCommand::Previous}); }
    void Pause() { queueRequest({MediaCommand::Pause}); }
    void PlayPause() { queueRequest({MediaCommand::PlayPause}); }
    void Stop() { queueRequest({MediaCommand::Stop}); }
    void Play() { queueRequest({MediaCommand::Play}); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    // An opened URI is a drop of that one file.
    void OpenUri(const QString &uri)
    {
        const QUrl url(uri);
        if (!url.isLocalFile())
            return;
        UiEvent dropped;
        dropped.kind = EventKind::FilesDropped;
        dropped.window = Window::MainWindow;
        dropped.droppedText = QFile::encodeName(url.toLocalFile()).toStdString();
        queueUiEvent(std::move(dropped));
    }

signals:
    void Seeked(qlonglong position);
};

// libdbus would otherwise try to launch a bus of its own.
bool sessionBusAnnounced()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeFolder.isEmpty() && QFileInfo::exists(runtimeFolder + QStringLiteral("/bus"));
}

// A second player takes a name of its own, as the bus convention asks.
bool claimServiceName(QDBusConnection &bus)
{
    if (bus.registerService(ServiceName))
        return true;
    return bus.registerService(ServiceName + QStringLiteral(".instance") + QString::number(getpid()));
}

void addChange(QVariantMap &changes, const QString &name, bool changed, const QVariant &value)
{
    if (changed)
        changes.insert(name, value);
}

} // namespace

bool startMediaBus(int64_t (*readPositionMicroseconds)())
{
    MediaBus &bus = mediaBus();
    if (bus.started || !QCoreApplication::instance())
        return bus.running;
    bus.started = true;
    if (!sessionBusAnnounced())
        return false;
    QDBusConnection connection = QDBusConnection::sessionBus();
    if (!connection.isConnected())
        return false;
    auto *exported = new QObject(QCoreApplication::instance());
    new MediaPlayerRoot(exported);
    new MediaPlayerControls(exported);
    if (!connection.registerObject(ObjectPath, exported) || !claimServiceName(connection)) {
        connection.unregisterObject(ObjectPath);
        return false;
    }
    bus.readPositionMicroseconds = readPositionMicroseconds;
    bus.running = true;
    return true;
}

bool mediaBusRunning()
{
    return mediaBus().running;
}

void publishMediaState(const MediaState &state)
{
    MediaBus &bus = mediaBus();
    if (!bus.running || state == bus.published)
        return;
    const MediaState &before = bus.published;
    QVariantMap changes;
    addChange(changes, QStringLiteral("PlaybackStatus"), state.status != before.status, statusText(state.status));
    const bool trackChanged = state.trackNumber != before.trackNumber || state.nameBytes != before.nameBytes ||
                              state.pathBytes != before.pathBytes ||
                              state.lengthMicroseconds != before.lengthMicroseconds;
    addChange(changes, QStringLiteral("Metadata"), trackChanged, metadataOf(state));
    addChange(changes, QStringLiteral("Volume"), state.volume != before.volume, shownVolume(state.volume));
    addChange(changes, QStringLiteral("CanGoNext"), state.canGoNext != before.canGoNext, state.canGoNext);
    addChange(changes, QStringLiteral("CanGoPrevious"), state.canGoPrevious != before.canGoPrevious,
              state.canGoPrevious);
    addChange(changes, QStringLiteral("CanPlay"), state.canPlay != before.canPlay, state.canPlay);
    addChange(changes, QStringLiteral("CanPause"), state.canPause != before.canPause, state.canPause);
    bus.published = state;
    QDBusMessage signal = QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changes << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void raiseMainWindow()
{
    QWidget *window = QWidget::find(reinterpret_cast<WId>(nativeWindowHandle(Window::MainWindow)));
    if (!window || !window->isVisible())
        return;
    // Restoring reports the state change, so the drawer docks again as after any restore.
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void announceSeek(int64_t positionMicroseconds)
{
    if (!mediaBus().running)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(ObjectPath, PlayerInterface, QStringLiteral("Seeked"));
    signal << qlonglong(positionMicroseconds);
    QDBusConnection::sessionBus().send(signal);
}

std::optional<MediaRequest> takeMediaRequest()
{
    auto &requests = mediaBus().requests;
    if (requests.empty())
        return std::nullopt;
    const MediaRequest request = requests.front();
    requests.pop_front();
    return request;
}

#include "media_bus.moc"
