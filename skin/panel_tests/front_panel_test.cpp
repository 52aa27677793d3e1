// The front panel on Qt's offscreen platform: the power switch's state table,
// the volume steps seen on the window and heard in the sound output, the
// drawer's slides step by step with input dropped meanwhile, the lamps, and
// the title strip's hot zones.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>

#include "app/main_loop.h"
#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"
#include "skin/front_panel.h"
#include "skin/front_panel_layout.h"
#include "skin/panel_tests/panel_test_support.h"

namespace {

class FrontPanel : public testing::Test {
protected:
    void SetUp() override
    {
        if (!playerCreated)
            GTEST_SKIP() << "needs a Qt platform";
        resetFrontPanel();
    }
};

// Every height the drawer takes while a handler runs, as the toolkit sees it between steps.
std::vector<int> heightsDuring(void (*handler)(), double *seconds = nullptr)
{
    std::vector<int> heights;
    QTimer recorder;
    recorder.setInterval(0);
    QObject::connect(&recorder, &QTimer::timeout, [&heights] {
        const int height = windowGeometry(Window::PlaylistWindow).height;
        if (heights.empty() || heights.back() != height)
            heights.push_back(height);
    });
    recorder.start();
    const auto start = std::chrono::steady_clock::now();
    handler();
    if (seconds)
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return heights;
}

std::vector<int> heightsFromTo(int first, int last, int step)
{
    std::vector<int> heights;
    for (int height = first; step > 0 ? height <= last : height >= last; height += step)
        heights.push_back(height);
    return heights;
}

struct PowerStateExpectation {
    int pushButtonY, digitShownOrParked, darkFaceOffset, needleRest;
};

void expectPowerState(const PowerStateExpectation &expected, bool digitsShown)
{
    for (Control button : PushButtons)
        EXPECT_EQ(controlGeometry(button).y, expected.pushButtonY);
    for (int step = 0; step < VolumeStepCount; ++step) {
        const PixelRect digit = controlGeometry(VolumeDigit(step));
        EXPECT_EQ(digit.x, digitsShown ? VolumeDigitShownX[static_cast<size_t>(step)] : VolumeDigitParkedX);
        EXPECT_EQ(digit.y, VolumeDigitY[static_cast<size_t>(step)]);
    }
    EXPECT_EQ(player.darkFaceOffset, expected.darkFaceOffset);
    for (int32_t needle : {player.leftNeedleX, player.leftNeedleLift, player.rightNeedleX, player.rightNeedleLift})
        EXPECT_EQ(needle, expected.needleRest);
}

void expectVolumeStepShown(int step)
{
    for (int knob = 0; knob < VolumeStepCount; ++knob)
        EXPECT_EQ(controlGeometry(VolumeKnob(knob)).x, knob == step ? VolumeKnobShownX : VolumeKnobParkedX)
            << "knob " << knob;
    for (int digit = 0; digit < VolumeStepCount; ++digit) {
        const PixelRect rect = controlGeometry(VolumeDigit(digit));
        EXPECT_TRUE(regionShows(Window::MainWindow, rect.x, rect.y, digit == step ? &DigitLit(digit) : nullptr))
            << "figure " << digit;
    }
}

TEST_F(FrontPanel, PowerSwitchesBetweenItsStates)
{
    expectPowerState({PushButtonParkedY, 0, 0, 3}, false);
    for (int step = 0; step < VolumeStepCount; ++step)
        EXPECT_EQ(controlGeometry(VolumeKnob(step)).x, VolumeKnobParkedX) << "no knob shown before the first power on";
    player.autoAdvance = 1;
    setControlImage(Control::LabelFm, imageOf(SkinImage::LabelFmLit));

    OnPowerClick();
    EXPECT_EQ(player.powerOn, 1);
    expectPowerState({PushButtonShownY, 0, 1000, 5}, true);
    expectVolumeStepShown(5);
    EXPECT_EQ(player.autoAdvance, 1) << "power on leaves the advance alone";
    EXPECT_TRUE(regionShows(Window::MainWindow, 79, 105, imageOf(SkinImage::LabelFmLit))) << "and the lamps";

    OnVolumeDigitClick(8);
    OnPowerClick();
    EXPECT_EQ(player.powerOn, 0);
    expectPowerState({PushButtonParkedY, 0, 0, 3}, false);
    EXPECT_EQ(player.autoAdvance, 0);
    EXPECT_EQ(player.panelOpen, 0);
    EXPECT_FLOAT_EQ(player.volume, 0.8f) << "power off keeps the volume";
    EXPECT_EQ(controlGeometry(VolumeKnob(8)).x, VolumeKnobShownX) << "the last knob stays in place";
    for (const Lamp &lamp : Lamps)
        EXPECT_TRUE(regionShows(Window::MainWindow, controlGeometry(lamp.label).x, controlGeometry(lamp.label).y,
                                nullptr));
}

TEST_F(FrontPanel, PowerOnShowsTheStepNearestTheVolume)
{
    const struct {
        float volume;
        int step;
    } cases[] = {{0.5f, 5}, {0.7f, 7}, {0.0f, 0}, {1.0f, 10}, {0.3f, 3}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.volume);
        player.volume = test.volume;
        OnPowerClick();
        EXPECT_FLOAT_EQ(player.volume, test.volume);
        expectVolumeStepShown(test.step);
        OnPowerClick();
    }
}

TEST_F(FrontPanel, EachFigureTurnsTheKnobLightsItselfAndSetsTheVolume)
{
    OnPowerClick();
    for (int step = 0; step < VolumeStepCount; ++step) {
        SCOPED_TRACE(step);
        OnVolumeDigitClick(step);
        EXPECT_FLOAT_EQ(player.volume, static_cast<float>(step / 10.0));
        expectVolumeStepShown(step);
    }
    EXPECT_EQ(controlGeometry(VolumeDigit(10)).width, 12) << "the lit 10 is wider";
    OnVolumeDigitClick(10);
    expectVolumeStepShown(10);
}

TEST_F(FrontPanel, TheChosenVolumeIsHeardAndPowerOffStopsTheStreamButKeepsIt)
{
    QTemporaryDir folder;
    const std::filesystem::path tone = folder.filePath("tone.wav").toStdString();
    constexpr int amplitude = 20000;
    writeToneWav(tone, amplitude, 6.0);
    player.stream = BASS_StreamCreateFile(0, tone.c_str(), 0, 0, 0);
    ASSERT_NE(player.stream, 0u);
    player.volume = 0.7f;
    OnPowerClick();
    ASSERT_TRUE(BASS_ChannelPlay(player.stream, 0));
    auto heardPeak = [] {
        QTest::qWait(400); // past the output's buffering and the volume ramp
        const std::uintmax_t mark = std::filesystem::file_size(soundOutputFile());
        QTest::qWait(350);
        return peakOfOutputFrom(mark);
    };
    EXPECT_NEAR(heardPeak(), amplitude * 0.7, amplitude * 0.03) << "power on hands the volume to the stream";
    for (int step : {2, 10, 0, 5}) {
        SCOPED_TRACE(step);
        OnVolumeDigitClick(step);
        EXPECT_NEAR(heardPeak(), amplitude * step / 10.0, amplitude * 0.03);
    }
    const HSTREAM stream = player.stream;
    OnPowerClick();
    EXPECT_EQ(BASS_ChannelIsActive(stream), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(player.stream, stream);
    EXPECT_NE(BASS_ChannelGetLength(stream, BASS_POS_BYTE), static_cast<QWORD>(-1)) << "still allocated";
    EXPECT_LE(heardPeak(), 64) << "silence after power off";
    BASS_StreamFree(stream);
    player.stream = 0;
}

TEST_F(FrontPanel, PowerOffLetsTheMusicPlayThroughTheRetractionAndThenStopsIt)
{
    QTemporaryDir folder;
    const std::filesystem::path tone = folder.filePath("tone.wav").toStdString();
    writeToneWav(tone, 10000, 5.0);
    player.stream = BASS_StreamCreateFile(0, tone.c_str(), 0, 0, 0);
    ASSERT_NE(player.stream, 0u);
    OnPowerClick();
    OnOpenClick();
    ASSERT_TRUE(BASS_ChannelPlay(player.stream, 0));
    int playingSteps = 0, steps = 0;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        ++steps;
        playingSteps += BASS_ChannelIsActive(player.stream) == BASS_ACTIVE_PLAYING;
    });
    watcher.start();
    OnPowerClick();
    watcher.stop();
    EXPECT_GT(steps, 0);
    EXPECT_EQ(playingSteps, steps) << "the stream plays on while the drawer retracts";
    EXPECT_EQ(BASS_ChannelIsActive(player.stream), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    BASS_StreamFree(player.stream);
    player.stream = 0;
}

TEST_F(FrontPanel, SlidesGoThroughEveryStepAndTakeTheirTime)
{
    OnPowerClick();
    double seconds = 0;
    EXPECT_EQ(heightsDuring(OnOpenClick, &seconds), heightsFromTo(0, 396, 6));
    EXPECT_GE(seconds, 0.536);
    EXPECT_EQ(player.panelOpen, 1);
    EXPECT_EQ(windowGeometry(Window::PlaylistWindow).height, PanelOpenHeight);
    EXPECT_TRUE(windowClientOnScreen(Window::PlaylistWindow).has_value());

    EXPECT_EQ(heightsDuring(OnRightButtonUp, &seconds), heightsFromTo(400, 4, -6));
    EXPECT_GE(seconds, 0.536);
    EXPECT_EQ(player.panelOpen, 0);
    EXPECT_FALSE(windowClientOnScreen(Window::PlaylistWindow).has_value()) << "hidden after closing";

    OnOpenClick();
    EXPECT_EQ(heightsDuring(OnPowerClick), heightsFromTo(384, 0, -6)) << "the power switch's own retraction";
    EXPECT_EQ(player.panelOpen, 0);
    EXPECT_EQ(windowGeometry(Window::PlaylistWindow).height, 0);
    OnPowerClick();
    EXPECT_EQ(heightsDuring(OnOpenClick), heightsFromTo(0, 396, 6)) << "reopens from the collapsed window";
}

TEST_F(FrontPanel, RightClickTogglesTheDrawerOnlyWithThePowerOn)
{
    OnRightButtonUp();
    EXPECT_EQ(player.panelOpen, 0);
    EXPECT_FALSE(windowClientOnScreen(Window::PlaylistWindow).has_value());
    OnPowerClick();
    OnRightButtonUp();
    EXPECT_EQ(player.panelOpen, 1);
    EXPECT_TRUE(windowClientOnScreen(Window::PlaylistWindow).has_value());
    EXPECT_TRUE(regionShows(Window::MainWindow, 127, 105, nullptr)) << "opening by right click lights nothing";
    OnRightButtonUp();
    EXPECT_EQ(player.panelOpen, 0);
}

TEST_F(FrontPanel, ADoubleClickOnOpenTogglesOnceAndInputDuringTheSlideIsLost)
{
    OnPowerClick();
    QWindow *main = playerQtWindow(Window::MainWindow);
    const QPoint openButton(119 + 25, PushButtonShownY + 12);
    const QPoint fmButton(66 + 25, PushButtonShownY + 12);
    QTest::mouseDClick(main, Qt::LeftButton, {}, openButton);
    QTimer::singleShot(150, [&] { QTest::mouseClick(main, Qt::LeftButton, {}, fmButton); });
    runPassesUntil([] { return player.panelOpen == 1; }, 5000);
    runPassesFor(300);
    EXPECT_EQ(player.panelOpen, 1);
    EXPECT_EQ(windowGeometry(Window::PlaylistWindow).height, PanelOpenHeight);
    EXPECT_TRUE(regionShows(Window::MainWindow, 79, 105, nullptr)) << "the FM click during the slide was dropped";
    EXPECT_TRUE(regionShows(Window::MainWindow, 127, 105, imageOf(SkinImage::LabelOpenLit)));
}

TEST_F(FrontPanel, PressesOnTheWindowReachTheirHandlersThroughTheLoop)
{
    QWindow *main = playerQtWindow(Window::MainWindow);
    auto settle = [] { runPassesFor(150); };
    const QPoint background(250, 185), powerControl(332, 10);
    const QPoint figure7(VolumeDigitShownX[7] + 5, VolumeDigitY[7] + 4);
    const QPoint figure3(VolumeDigitShownX[3] + 5, VolumeDigitY[3] + 4);

    QTest::mouseClick(main, Qt::RightButton, {}, background);
    settle();
    EXPECT_EQ(player.panelOpen, 0) << "a right click with the power off does nothing";
    QTest::mouseDClick(main, Qt::LeftButton, {}, powerControl);
    settle();
    EXPECT_EQ(player.powerOn, 1) << "a double-click on the switch acts once";
    QTest::mouseClick(main, Qt::LeftButton, {}, figure7);
    settle();
    EXPECT_FLOAT_EQ(player.volume, 0.7f);
    expectVolumeStepShown(7);

    QTest::mouseClick(main, Qt::RightButton, {}, powerControl);
    runPassesUntil([] { return player.panelOpen == 1; }, 3000);
    settle();
    EXPECT_EQ(player.powerOn, 1) << "a right click never switches the power";
    EXPECT_EQ(player.panelOpen, 1);
    QTest::mouseClick(main, Qt::RightButton, {}, figure3);
    runPassesUntil([] { return player.panelOpen == 0; }, 3000);
    settle();
    EXPECT_EQ(player.panelOpen, 0);
    EXPECT_FLOAT_EQ(player.volume, 0.7f) << "the figure's own right click was lost in the slide";
}

TEST_F(FrontPanel, LampsFollowTheirTable)
{
    const Lamp lamps[] = {LampMp3, LampFm, LampOpen, LampPause};
    auto lit = [&](bool mp3, bool fm, bool open, bool pause) {
        const bool wanted[] = {mp3, fm, open, pause};
        for (int index = 0; index < 4; ++index) {
            const PixelRect rect = controlGeometry(lamps[index].label);
            EXPECT_TRUE(regionShows(Window::MainWindow, rect.x, rect.y,
                                    wanted[index] ? imageOf(lamps[index].litImage) : nullptr))
                << "lamp " << index;
        }
    };
    OnPowerClick();
    setControlImage(Control::LabelPause, imageOf(SkinImage::LabelPauseLit));
    OnFmClick();
    lit(false, true, false, false);
    OnOpenClick();
    lit(false, false, true, false);
    OnFmClick();
    lit(false, true, false, false);
    OnOpenClick();
    lit(false, false, false, false);
    EXPECT_EQ(player.panelOpen, 0) << "the second OPEN closed the drawer";

    player.trackLit = 1;
    OnOpenClick();
    OnRightButtonUp();
    lit(true, false, false, false);
    OnFmClick();
    OnRightButtonUp();
    lit(false, true, false, false);
    OnRightButtonUp();
    SCOPED_TRACE("closing hands the lamp back to MP3 and leaves FM");
    lit(true, true, false, false);
    setControlImage(Control::LabelPause, imageOf(SkinImage::LabelPauseLit));
    OnPowerClick();
    lit(false, false, false, false);
}

// The three title-strip controls side by side, where their glows may overlap.
constexpr PixelRect TitleStrip = {330, 0, 62, 13};

TEST_F(FrontPanel, TitleStripHotZonesIncludeTheirEdges)
{
    const struct {
        int x, y;
        Control lit;
    } cases[] = {
        {348, 6, Control::PowerButton}, {349, 6, Control::None},         {336, 1, Control::PowerButton},
        {335, 1, Control::None},        {336, 0, Control::None},         {354, 1, Control::MinimizeButton},
        {366, 6, Control::MinimizeButton}, {367, 6, Control::None},      {371, 2, Control::None},
        {371, 3, Control::CloseButton}, {386, 6, Control::CloseButton},  {386, 7, Control::None},
        {332, 10, Control::None},       {-1, -1, Control::None},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << "(" << test.x << ", " << test.y << ")");
        UpdateTitleButtonGlow(test.x, test.y);
        const PixelRect lit = controlGeometry(test.lit);
        EXPECT_TRUE(areaShows(Window::MainWindow, TitleStrip, lit.x, lit.y,
                              test.lit == Control::None ? nullptr : imageOf(SkinImage::TitleButtonGlow)));
    }
}

} // namespace
