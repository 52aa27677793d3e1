// The user's commands through the real widgets: drops on both windows, the
// open-file dialog accepted and cancelled, double-clicks on the list and the
// PAUSA button, each handled by the main loop's passes.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "playback/tests/playback_test_support.h"

namespace {

using namespace playback_test;

constexpr double TrackSeconds = 3.0;

class Commands : public testing::Test {
protected:
    void SetUp() override
    {
        BASS_StreamFree(player.stream);
        player = PlayerState{};
        player.volume = 0.0f; // nothing here listens
        for (const char *name : {"one.wav", "two.wav", "three.wav"})
            writeWav(folder / name, steadyTone(0.2, TrackSeconds));
    }
    void TearDown() override
    {
        BASS_StreamFree(player.stream);
        player = PlayerState{};
    }

    bool playing() { return BASS_ChannelIsActive(player.stream) == BASS_ACTIVE_PLAYING; }
    void startFrom(const TempFolder &where, const std::string &name)
    {
        player.currentPath = where / name;
        scanPlaylistFolder();
        ASSERT_TRUE(selectRowByName(name));
        startSelectedTrack();
        ASSERT_TRUE(playing());
    }
    std::string selectedName()
    {
        const int row = playlistBoxSelectedRow();
        return row < 0 ? std::string() : playlistBoxRowText(row);
    }

    TempFolder folder;
};

// Answers every open-file dialog while it lives: chooses `path`, or cancels when it is empty.
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::string path) : path_(std::move(path))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answerOpenDialog(); });
        poll_.start(20);
    }
    int dialogsSeen = 0;
    std::string startFolder;

private:
    void answerOpenDialog()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (dialog->property(AnsweredMark).toBool()) {
            // A dialog that ignores its answer is cancelled, so that the test fails instead of hanging.
            if (++pollsSinceAnswer_ > GiveUpAfterPolls)
                dialog->reject();
            return;
        }
        dialog->setProperty(AnsweredMark, true);
        pollsSinceAnswer_ = 0;
        ++dialogsSeen;
        startFolder = dialog->directory().absolutePath().toStdString();
        if (path_.empty()) {
            dialog->reject();
            return;
        }
        // Typed into the file name field and confirmed, as a user would.
        auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!nameField) {
            dialog->reject();
            return;
        }
        nameField->setText(QFile::decodeName(QByteArray::fromStdString(path_)));
        QTest::keyClick(nameField, Qt::Key_Return);
    }

    static constexpr int GiveUpAfterPolls = 100;
    static constexpr const char *AnsweredMark = "answeredByTest";
    int pollsSinceAnswer_ = 0;
    std::string path_;
    QTimer poll_;
};

// The push buttons wait below the window until the power brings them in;
// here they are brought onto it so that Qt itself sees and pairs the presses.
constexpr ScreenPoint Mp3ButtonOnWindow{14, 150};
constexpr ScreenPoint PauseButtonOnWindow{172, 150};
constexpr QPoint IntoButton(10, 10);

void pressButton(Control button, ScreenPoint place, bool doubleClick)
{
    moveControl(button, place.x, place.y);
    QWindow *main = windowWidgetOf(Window::MainWindow)->windowHandle();
    const QPoint point = QPoint(place.x, place.y) + IntoButton;
    if (doubleClick)
        QTest::mouseDClick(main, Qt::LeftButton, {}, point);
    else
        QTest::mouseClick(main, Qt::LeftButton, {}, point);
    handleQueuedInput();
}

void clickMp3(bool doubleClick) { pressButton(Control::ButtonMp3, Mp3ButtonOnWindow, doubleClick); }
void pressPause() { pressButton(Control::ButtonPause, PauseButtonOnWindow, false); }

TEST_F(Commands, ADropOnEitherWindowListsTheFolderAndStartsTheFirstLocalFile)
{
    TempFolder other;
    writeWav(other / "elsewhere.wav", steadyTone(0.2, TrackSeconds));
    for (const Window window : {Window::MainWindow, Window::PlaylistWindow}) {
        SCOPED_TRACE(int(window));
        const std::string uriList = "http://example.org/remote.wav\r\n" + fileUri(folder / "two.wav") + "\r\n" +
                                    fileUri(other / "elsewhere.wav") + "\r\n";
        ASSERT_TRUE(dropUriList(window, uriList)) << "the drop is taken as a link";
        EXPECT_EQ(player.currentPath, folder / "two.wav");
        EXPECT_EQ(player.trackCount, 3);
        EXPECT_EQ(selectedName(), "two.wav");
        EXPECT_TRUE(playing());
        EXPECT_TRUE(player.tickerText.ends_with("   two.wav"));
        EXPECT_EQ(labelText(Control::ListHeader), folder.slash());
        BASS_StreamFree(player.stream);
    }
}

TEST_F(Commands, DroppedNamesKeepTheirBytes)
{
    for (const std::string name : {"with  spaces .wav", "\xE9t\xE9 \xCF\xF3.wav", "line\nfeed.wav", "UPPER.WAV"}) {
        SCOPED_TRACE(name);
        writeWav(folder / name, steadyTone(0.2, TrackSeconds));
        ASSERT_TRUE(dropUriList(Window::PlaylistWindow, fileUri(folder / name) + "\r\n" + fileUri(folder / "one.wav")));
        EXPECT_EQ(player.currentPath, folder / name);
        EXPECT_EQ(selectedName(), name);
        EXPECT_TRUE(playing());
    }
}

TEST_F(Commands, ADroppedFolderListsItselfAndStartsItsFirstRow)
{
    TempFolder empty;
    for (const std::string &dropped : {folder.path().string(), folder.slash()}) {
        SCOPED_TRACE(dropped);
        ASSERT_TRUE(dropUriList(Window::MainWindow, fileUri(dropped)));
        EXPECT_EQ(player.currentPath, folder.slash());
        EXPECT_EQ(player.trackCount, 3);
        EXPECT_EQ(playlistBoxSelectedRow(), 0);
        EXPECT_TRUE(playing());
        EXPECT_TRUE(player.tickerText.ends_with("   " + playlistBoxRowText(0)));
    }
    const HSTREAM before = player.stream;
    ASSERT_TRUE(dropUriList(Window::MainWindow, fileUri(empty.path().string())));
    EXPECT_EQ(player.trackCount, 0);
    EXPECT_EQ(player.stream, before) << "an empty folder starts nothing";
    EXPECT_TRUE(playing());
}

TEST_F(Commands, AFileThatIsNotListedStartsNothingAndTheStreamGoesOn)
{
    TempFolder other;
    writeBytes(other / "notes.txt", "text");
    writeWav(other / "lower.wav", steadyTone(0.2, TrackSeconds));
    startFrom(folder, "one.wav");
    const HSTREAM before = player.stream;
    for (const std::string name : {"notes.txt", "LOWER.WAV"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(dropUriList(Window::PlaylistWindow, fileUri(other / name)));
        EXPECT_EQ(player.currentPath, other / name);
        EXPECT_EQ(listRows(), std::vector<std::string>{"lower.wav"});
        EXPECT_EQ(playlistBoxSelectedRow(), -1);
        EXPECT_EQ(player.stream, before);
        EXPECT_TRUE(playing());
    }
}

TEST_F(Commands, EveryRowIsSearchedNotOnlyTheFirstThousand)
{
    TempFolder big;
    for (int index = 0; index < 1100; ++index)
        writeBytes(big / ("filler" + std::to_string(index) + ".mid"), "");
    writeWav(big / "target.wav", steadyTone(0.2, TrackSeconds));
    player.currentPath = big / "target.wav";
    scanPlaylistFolder();
    const std::vector<std::string> rows = listRows();
    const int targetRow = int(std::find(rows.begin(), rows.end(), "target.wav") - rows.begin());
    ASSERT_TRUE(dropUriList(Window::MainWindow, fileUri(big / "target.wav")));
    EXPECT_EQ(playlistBoxSelectedRow(), targetRow);
    EXPECT_TRUE(playing());
    for (const std::string &row : {rows.front(), rows.back()}) {
        EXPECT_TRUE(selectRowByName(row));
        EXPECT_EQ(playlistBoxRowText(playlistBoxSelectedRow()), row);
    }
}

TEST_F(Commands, TheOpenDialogStartsTheChosenFileAndKeepsThePause)
{
    startFrom(folder, "one.wav");
    pressPause();
    ASSERT_EQ(player.paused, 1);
    const fs::path workingDirectory = fs::current_path();

    DialogAnswerer answer(folder / "three.wav");
    clickMp3(false);
    EXPECT_EQ(answer.dialogsSeen, 1);
    EXPECT_EQ(answer.startFolder, workingDirectory.string()) << "the dialog opens in the working directory";
    EXPECT_EQ(fs::current_path(), workingDirectory);
    EXPECT_EQ(player.currentPath, folder / "three.wav");
    EXPECT_EQ(selectedName(), "three.wav");
    EXPECT_TRUE(playing()) << "the new track plays although paused is still set";
    EXPECT_EQ(player.paused, 1);
    EXPECT_TRUE(lampLit(Control::LabelMp3));
    EXPECT_FALSE(lampLit(Control::LabelPause));

    pressPause();
    EXPECT_EQ(player.paused, 0) << "the next press only resumes";
    EXPECT_TRUE(playing());
}

TEST_F(Commands, ACancelledOpenDialogChangesNothing)
{
    startFrom(folder, "two.wav");
    const HSTREAM before = player.stream;
    const std::vector<std::string> rows = listRows();
    setControlImage(Control::LabelPause, nullptr);

    for (const bool doubleClick : {false, true}) {
        SCOPED_TRACE(doubleClick);
        DialogAnswerer answer("");
        clickMp3(doubleClick);
        EXPECT_EQ(answer.dialogsSeen, 1) << "only the Click opens the dialog";
        EXPECT_EQ(answer.startFolder, fs::current_path().string()) << "the dialog opens in the working directory";
        EXPECT_EQ(player.currentPath, folder / "two.wav");
        EXPECT_EQ(listRows(), rows);
        EXPECT_EQ(selectedName(), "two.wav");
        EXPECT_EQ(player.stream, before);
        EXPECT_TRUE(playing());
        EXPECT_TRUE(lampLit(Control::LabelMp3));
        EXPECT_FALSE(lampLit(Control::LabelOpen));
    }
}

TEST_F(Commands, ADropWhilePausedKeepsThePauseAndItsLamp)
{
    startFrom(folder, "one.wav");
    pressPause();
    ASSERT_TRUE(lampLit(Control::LabelPause));
    ASSERT_TRUE(dropUriList(Window::MainWindow, fileUri(folder / "three.wav")));
    EXPECT_TRUE(playing());
    EXPECT_EQ(player.paused, 1);
    EXPECT_TRUE(lampLit(Control::LabelPause));
}

TEST_F(Commands, ADoubleClickOnARowStartsItAndClearsThePause)
{
    startFrom(folder, "one.wav");
    pressPause();
    ASSERT_EQ(BASS_ChannelIsActive(player.stream), DWORD(BASS_ACTIVE_PAUSED));

    auto *list = windowWidgetOf(Window::PlaylistWindow)->findChild<QListWidget *>();
    const int row = 2;
    const QRect rowRect = list->visualItemRect(list->item(row));
    const QPoint inPanel(ListFrameRect.x + 40, ListFrameRect.y + rowRect.center().y() + 1);
    QTest::mouseDClick(windowWidgetOf(Window::PlaylistWindow)->windowHandle(), Qt::LeftButton, {}, inPanel);
    handleQueuedInput();
    EXPECT_EQ(playlistBoxSelectedRow(), row);
    EXPECT_EQ(player.paused, 0);
    EXPECT_FALSE(lampLit(Control::LabelPause));
    EXPECT_TRUE(lampLit(Control::LabelMp3));
    EXPECT_TRUE(playing());
    EXPECT_TRUE(player.tickerText.ends_with("   " + playlistBoxRowText(row)));
}

TEST_F(Commands, EveryPressOfPausaTogglesSoADoubleClickTogglesTwice)
{
    startFrom(folder, "one.wav");
    pressButton(Control::ButtonPause, PauseButtonOnWindow, true);
    EXPECT_EQ(player.paused, 0);
    EXPECT_TRUE(playing());
    pressPause();
    EXPECT_EQ(player.paused, 1);
    EXPECT_EQ(BASS_ChannelIsActive(player.stream), DWORD(BASS_ACTIVE_PAUSED));
}

TEST_F(Commands, PausaBeforeAnyTrackOnlyChangesTheLamps)
{
    pressPause();
    EXPECT_EQ(player.paused, 1);
    EXPECT_TRUE(lampLit(Control::LabelPause));
    pressPause();
    EXPECT_EQ(player.paused, 0);
    EXPECT_FALSE(lampLit(Control::LabelPause));
    EXPECT_FALSE(lampLit(Control::LabelMp3)) << "no track has lit it yet";
    EXPECT_EQ(player.stream, 0u);
}

} // namespace
