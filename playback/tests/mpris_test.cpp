// The media controls over a private session bus: a second connection calls
// the player's service as a desktop widget would, the main loop's passes run
// the requests, and the checks look at the player, its controls and the engine.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <signal.h>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/media_bus.h"
#include "platform/toolkit.h"
#include "platform/widgets.h"
#include "playback/playback.h"
#include "playback/tests/playback_test_support.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"
#include "skin/skin.h"

namespace {

using namespace playback_test;

const QString Service = QStringLiteral("org.mpris.MediaPlayer2.quorvel");
const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr double TrackSeconds = 2.0;
constexpr double Patience = 10.0;

QString busAddress;

QDBusConnection client()
{
    return QDBusConnection::connectToBus(busAddress, QStringLiteral("mpris-test-client"));
}

// Asynchronous, so that the player's passes keep running while the call is answered.
QDBusMessage callAndWait(const QString &interface, const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath, interface, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = client().asyncCall(call);
    runPassesUntil([&] { return pending.isFinished(); }, Patience);
    return pending.reply();
}

QDBusMessage callPlayer(const QString &method, const QVariantList &arguments = {})
{
    return callAndWait(PlayerInterface, method, arguments);
}

QVariant property(const QString &interface, const QString &name)
{
    const QDBusMessage reply = callAndWait(PropertiesInterface, QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QVariant playerProperty(const QString &name)
{
    return property(PlayerInterface, name);
}

QVariantMap metadata()
{
    return qdbus_cast<QVariantMap>(playerProperty(QStringLiteral("Metadata")).value<QDBusArgument>());
}

QString trackIdOf(const QVariantMap &metadata)
{
    return metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
}

void setVolumeOverBus(double volume)
{
    callAndWait(PropertiesInterface, QStringLiteral("Set"),
                {PlayerInterface, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(volume))});
}

// Every PropertiesChanged of the Player interface, as the client saw it.
class ChangeRecorder : public QObject {
    Q_OBJECT
public:
    ChangeRecorder()
    {
        client().connect(QString(), ObjectPath, PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                         SLOT(record(QString, QVariantMap, QStringList)));
        client().connect(QString(), ObjectPath, PlayerInterface, QStringLiteral("Seeked"), this,
                         SLOT(recordSeek(qlonglong)));
    }
    ~ChangeRecorder() override
    {
        client().disconnect(QString(), ObjectPath, PropertiesInterface, QStringLiteral("PropertiesChanged"), this,
                            SLOT(record(QString, QVariantMap, QStringList)));
        client().disconnect(QString(), ObjectPath, PlayerInterface, QStringLiteral("Seeked"), this,
                            SLOT(recordSeek(qlonglong)));
    }
    bool saw(const QString &name, const QVariant &value) const
    {
        for (const QVariantMap &change : changes)
            if (change.contains(name) && (!value.isValid() || change.value(name) == value))
                return true;
        return false;
    }
    std::vector<QVariantMap> changes;
    std::vector<qlonglong> seeks;

public slots:
    void record(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == PlayerInterface)
            changes.push_back(changed);
    }
    void recordSeek(qlonglong position) { seeks.push_back(position); }
};

class MediaControls : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mediaBusRunning());
        BASS_StreamFree(player.stream);
        player = PlayerState{};
        player.volume = 0.0f; // nothing here listens
        for (const char *name : {"one.wav", "two.wav", "three.wav"})
            writeWav(folder / name, steadyTone(0.2, TrackSeconds));
        player.currentPath = folder / "one.wav";
        scanPlaylistFolder();
        rows = listRows();
        ASSERT_EQ(rows.size(), 3u);
    }
    void TearDown() override
    {
        BASS_StreamFree(player.stream);
        player = PlayerState{};
        runPassesFor(0.05);
    }

    void startRow(int row)
    {
        playlistBoxSelect(row);
        startSelectedTrack();
        ASSERT_TRUE(playing());
    }
    static bool playing() { return BASS_ChannelIsActive(player.stream) == BASS_ACTIVE_PLAYING; }
    static bool enginePaused() { return BASS_ChannelIsActive(player.stream) == BASS_ACTIVE_PAUSED; }
    static QString status() { return playerProperty(QStringLiteral("PlaybackStatus")).toString(); }

    TempFolder folder;
    std::vector<std::string> rows;
};

TEST_F(MediaControls, RootInterfaceNamesThePlayer)
{
    EXPECT_EQ(property(RootInterface, QStringLiteral("Identity")).toString(), QStringLiteral("QUORVEL"));
    EXPECT_EQ(property(RootInterface, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("quorvel"));
    EXPECT_TRUE(property(RootInterface, QStringLiteral("CanQuit")).toBool());
    const QStringList types = property(RootInterface, QStringLiteral("SupportedMimeTypes")).toStringList();
    for (const char *type : {"audio/x-wav", "audio/mpeg", "audio/midi"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;
    EXPECT_TRUE(playerProperty(QStringLiteral("CanControl")).toBool());
}

TEST_F(MediaControls, PlayPauseIsThePausaButton)
{
    startRow(1);
    const uint32_t stream = player.stream;
    callPlayer(QStringLiteral("PlayPause"));
    ASSERT_TRUE(runPassesUntil(enginePaused, Patience));
    EXPECT_EQ(player.paused, 1);
    EXPECT_TRUE(lampLit(Control::LabelPause));
    EXPECT_FALSE(lampLit(Control::LabelMp3));
    EXPECT_EQ(status(), QStringLiteral("Paused"));

    callPlayer(QStringLiteral("PlayPause"));
    ASSERT_TRUE(runPassesUntil(playing, Patience));
    EXPECT_EQ(player.paused, 0);
    EXPECT_EQ(player.stream, stream);
    EXPECT_FALSE(lampLit(Control::LabelPause));
    EXPECT_TRUE(lampLit(Control::LabelMp3));
    EXPECT_EQ(status(), QStringLiteral("Playing"));
}

TEST_F(MediaControls, PauseAndPlayReachTheirStateWhateverTheToggleSays)
{
    startRow(0);
    callPlayer(QStringLiteral("PlayPause"));
    ASSERT_TRUE(runPassesUntil(enginePaused, Patience));
    // A new track while paused plays with the toggle still at 1.
    startRow(2);
    ASSERT_EQ(player.paused, 1);
    const uint32_t stream = player.stream;

    callPlayer(QStringLiteral("Pause"));
    ASSERT_TRUE(runPassesUntil(enginePaused, Patience));
    EXPECT_EQ(player.paused, 1);
    callPlayer(QStringLiteral("Pause"));
    runPassesFor(0.2);
    EXPECT_TRUE(enginePaused());

    callPlayer(QStringLiteral("Play"));
    ASSERT_TRUE(runPassesUntil(playing, Patience));
    EXPECT_EQ(player.paused, 0);
    callPlayer(QStringLiteral("Play"));
    runPassesFor(0.2);
    EXPECT_TRUE(playing());
    EXPECT_EQ(player.stream, stream);
    EXPECT_EQ(playlistBoxSelectedRow(), 2);
}

TEST_F(MediaControls, NextAndPreviousStartTheNeighbouringRow)
{
    struct Case {
        int fromRow;
        const char *method;
        int expectedRow; // -1: nothing new starts
    };
    const Case cases[] = {
        {0, "Next", 1}, {1, "Next", 2}, {2, "Next", -1}, {2, "Previous", 1}, {1, "Previous", 0}, {0, "Previous", -1},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(std::string(test.method) + " from row " + std::to_string(test.fromRow));
        startRow(test.fromRow);
        callPlayer(QStringLiteral("PlayPause"));
        ASSERT_TRUE(runPassesUntil(enginePaused, Patience));
        const uint32_t before = player.stream;
        callPlayer(QString::fromLatin1(test.method));
        if (test.expectedRow < 0) {
            runPassesFor(0.2);
            EXPECT_EQ(player.stream, before);
            EXPECT_EQ(playlistBoxSelectedRow(), test.fromRow);
            EXPECT_TRUE(enginePaused());
            EXPECT_EQ(player.paused, 1);
            OnPauseClick();
            continue;
        }
        ASSERT_TRUE(runPassesUntil([&] { return player.stream != before; }, Patience));
        EXPECT_EQ(playlistBoxSelectedRow(), test.expectedRow);
        EXPECT_TRUE(playing());
        EXPECT_EQ(player.paused, 0);
        EXPECT_FALSE(lampLit(Control::LabelPause));
        EXPECT_EQ(metadata().value(QStringLiteral("xesam:title")).toString().toStdString(),
                  rows[static_cast<size_t>(test.expectedRow)]);
    }
}

TEST_F(MediaControls, StopLeavesTheRowAndAdvancesNowhere)
{
    startRow(1);
    const uint32_t stream = player.stream;
    callPlayer(QStringLiteral("Stop"));
    ASSERT_TRUE(runPassesUntil([] { return BASS_ChannelIsActive(player.stream) == BASS_ACTIVE_STOPPED; }, Patience));
    EXPECT_EQ(player.autoAdvance, 0);
    runPassesFor(0.5);
    EXPECT_EQ(player.stream, stream);
    EXPECT_EQ(playlistBoxSelectedRow(), 1);
    EXPECT_EQ(status(), QStringLiteral("Stopped"));

    callPlayer(QStringLiteral("Play"));
    ASSERT_TRUE(runPassesUntil(playing, Patience));
    EXPECT_NE(player.stream, stream);
    EXPECT_EQ(playlistBoxSelectedRow(), 1);
    EXPECT_EQ(player.autoAdvance, 1);
}

TEST_F(MediaControls, VolumeTakesTheNearestStepThroughTheKnob)
{
    OnPowerClick(); // the figures on their places, where each can be told apart
    ASSERT_EQ(player.powerOn, 1);
    startRow(0);
    struct Case {
        double asked;
        int step;
    };
    const Case cases[] = {{0.0, 0}, {0.04, 0}, {0.06, 1}, {0.5, 5}, {0.73, 7}, {0.95, 10},
                          {1.0, 10}, {1.7, 10}, {-0.3, 0}, {0.31, 3}};
    for (const Case &test : cases) {
        SCOPED_TRACE("asked " + std::to_string(test.asked));
        OnVolumeDigitClick((test.step + 5) % VolumeStepCount); // somewhere else first
        setVolumeOverBus(test.asked);
        const float expected = static_cast<float>(test.step / 10.0);
        ASSERT_TRUE(runPassesUntil([&] { return player.volume == expected; }, Patience));
        for (int step = 0; step < VolumeStepCount; ++step) {
            const bool chosen = step == test.step;
            EXPECT_EQ(controlGeometry(VolumeKnob(step)).x == VolumeKnobShownX, chosen) << "knob " << step;
            auto *digit = dynamic_cast<ImageControlWidget *>(controlWidgetOf(VolumeDigit(step)));
            ASSERT_NE(digit, nullptr);
            EXPECT_EQ(digit->image() == &DigitLit(step), chosen) << "digit " << step;
        }
        EXPECT_DOUBLE_EQ(playerProperty(QStringLiteral("Volume")).toDouble(), test.step / 10.0);
    }
    OnPowerClick();
}

TEST_F(MediaControls, MetadataDescribesTheStartedRow)
{
    const std::string oddName = "caf\xE9 tune\x01.wav"; // not UTF-8, with a control byte
    writeWav(folder / oddName, steadyTone(0.2, TrackSeconds));
    scanPlaylistFolder();
    ASSERT_TRUE(selectRowByName(oddName));
    startSelectedTrack();
    ASSERT_TRUE(playing());
    runPassesFor(0.3);

    const QVariantMap data = metadata();
    EXPECT_EQ(trackIdOf(data), QStringLiteral("/org/quorvel/track/") + QString::number(player.stream));
    const QString title = data.value(QStringLiteral("xesam:title")).toString();
    EXPECT_TRUE(title.startsWith(QStringLiteral("caf\u0439 tune"))) << title.toStdString();
    const QString url = data.value(QStringLiteral("xesam:url")).toString();
    ASSERT_TRUE(url.startsWith(QStringLiteral("file:///")));
    EXPECT_EQ(QByteArray::fromPercentEncoding(url.mid(7).toLatin1()).toStdString(), folder / oddName);
    EXPECT_EQ(data.value(QStringLiteral("mpris:length")).toLongLong(), 2'000'000);

    // A click elsewhere in the list starts nothing and changes nothing.
    playlistBoxSelect(0);
    runPassesFor(0.1);
    EXPECT_EQ(metadata().value(QStringLiteral("xesam:title")).toString(), title);
    const qlonglong position = playerProperty(QStringLiteral("Position")).toLongLong();
    EXPECT_GT(position, 0);
    EXPECT_LE(position, 2'000'000);
}

TEST_F(MediaControls, AFileTheEngineCannotOpenIsNoTrack)
{
    writeBytes(folder / "broken.wav", "RIFF\x04");
    scanPlaylistFolder();
    ASSERT_TRUE(selectRowByName("broken.wav"));
    player.autoAdvance = 0;
    startSelectedTrack();
    player.autoAdvance = 0; // stay on the broken row
    runPassesFor(0.1);
    ASSERT_EQ(player.stream, 0u);
    EXPECT_EQ(trackIdOf(metadata()), QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    EXPECT_EQ(status(), QStringLiteral("Stopped"));
    EXPECT_FALSE(playerProperty(QStringLiteral("CanPause")).toBool());
}

TEST_F(MediaControls, ChangesAreSignalled)
{
    ChangeRecorder recorder;
    startRow(0);
    ASSERT_TRUE(runPassesUntil([&] { return recorder.saw(QStringLiteral("Metadata"), {}); }, Patience));
    callPlayer(QStringLiteral("PlayPause"));
    EXPECT_TRUE(runPassesUntil(
        [&] { return recorder.saw(QStringLiteral("PlaybackStatus"), QStringLiteral("Paused")); }, Patience));
    setVolumeOverBus(0.8);
    EXPECT_TRUE(runPassesUntil([&] { return recorder.saw(QStringLiteral("Volume"), 0.8); }, Patience));
    recorder.changes.clear();
    callPlayer(QStringLiteral("Next"));
    EXPECT_TRUE(runPassesUntil(
        [&] { return recorder.saw(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")); }, Patience));
    EXPECT_TRUE(recorder.saw(QStringLiteral("Metadata"), {}));
    // Nothing changes: nothing is sent.
    runPassesFor(0.2);
    recorder.changes.clear();
    runPassesFor(0.3);
    EXPECT_TRUE(recorder.changes.empty());
}

TEST_F(MediaControls, AJumpOfThePositionIsAnnounced)
{
    constexpr double LongSeconds = 12.0;
    writeWav(folder / "long.wav", steadyTone(0.2, LongSeconds));
    scanPlaylistFolder();
    ASSERT_TRUE(selectRowByName("long.wav"));
    startSelectedTrack();
    ChangeRecorder recorder;
    runPassesFor(0.5);
    EXPECT_TRUE(recorder.seeks.empty());

    // Where a click on the progress bar would put it.
    constexpr QWORD BytesPerSecond = OutputRate * 4;
    BASS_ChannelSetPosition(player.stream, 8 * BytesPerSecond, BASS_POS_BYTE);
    ASSERT_TRUE(runPassesUntil([&] { return !recorder.seeks.empty(); }, Patience));
    EXPECT_GE(recorder.seeks.front(), 8'000'000);
    EXPECT_LT(recorder.seeks.front(), 10'000'000);
}

TEST_F(MediaControls, RaiseBringsTheMinimisedWindowBack)
{
    EXPECT_TRUE(property(RootInterface, QStringLiteral("CanRaise")).toBool());
    QWidget *mainWindow = windowWidgetOf(Window::MainWindow);
    ASSERT_NE(mainWindow, nullptr);
    minimizeWindow(Window::MainWindow);
    ASSERT_TRUE(runPassesUntil([&] { return mainWindow->isMinimized(); }, Patience));
    callAndWait(RootInterface, QStringLiteral("Raise"));
    EXPECT_TRUE(runPassesUntil([&] { return !mainWindow->isMinimized() && mainWindow->isVisible(); }, Patience));
}

TEST_F(MediaControls, OpenUriIsADropOfThatFile)
{
    const std::string path = folder / "three.wav";
    const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
    callPlayer(QStringLiteral("OpenUri"), {QStringLiteral("file://") + QString::fromLatin1(encoded)});
    ASSERT_TRUE(runPassesUntil(playing, Patience));
    EXPECT_EQ(playlistBoxRowText(playlistBoxSelectedRow()), "three.wav");
    EXPECT_EQ(player.currentPath, path);
}

} // namespace

// A private session bus for this process, gone when the process is.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests)) {
        FILE *daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[1024] = {};
        char pidText[64] = {};
        if (!daemon || !std::fgets(address, sizeof address, daemon) || !std::fgets(pidText, sizeof pidText, daemon)) {
            std::fprintf(stderr, "no dbus-daemon\n");
            return 1;
        }
        pclose(daemon);
        static pid_t daemonPid = static_cast<pid_t>(std::atol(pidText));
        std::atexit([] { kill(daemonPid, SIGTERM); });
        busAddress = QString::fromLocal8Bit(address).trimmed();
        setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.toLocal8Bit().constData(), 1);
        playback_test::startPlayerForTests();
        playback_test::showBothWindows();
    }
    return RUN_ALL_TESTS();
}

#include "mpris_test.moc"
