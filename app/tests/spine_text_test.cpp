// The program's byte texts as Qt shows them, and PlayerState's start values.
#include <gtest/gtest.h>

#include "app/player_state.h"
#include "platform/text_codec.h"
#include "skin/layout.h"

namespace {

TEST(SpineText, ProgramTextsAreCodePage1251)
{
    struct Case {
        std::string_view bytes;
        const char *utf8;
    };
    for (const Case &text : {Case{MainWindowTitle, "Корвинта"}, Case{PlaylistWindowTitle, "Плейлист"},
                             Case{ListHeaderStartText, "Название"}, Case{"\xC0\xDF\xE0\xFF\xA8\xB8", "АЯаяЁё"},
                             Case{"\x80\x88\xB9\xA5\xB4\xAA\xBA", "Ђ€№ҐґЄє"}, Case{"\x98", "\xEF\xBF\xBD"},
                             Case{"plain ascii", "plain ascii"}})
        EXPECT_EQ(decodeCp1251(text.bytes), QString::fromUtf8(text.utf8)) << text.utf8;
}

TEST(SpineText, ScreenTextIsUtf8OnlyWhenValid)
{
    struct Case {
        std::string_view bytes;
        bool validUtf8;
        const char *shownUtf8;
    };
    using namespace std::string_view_literals;
    for (const Case &text : {
             Case{"\xD0\xB8\xD0\xBC\xD1\x8F.mp3", true, "имя.mp3"},
             Case{"\xE8\xEC\xFF.mp3", false, "имя.mp3"},
             Case{"\xF0\x9F\x8E\xB5", true, "🎵"},
             Case{"\xC0\xAF", false, "А\xD0\x87"},            // overlong form of "/"
             Case{"\xED\xA0\x80", false, "н\xC2\xA0Ђ"}, // a UTF-16 surrogate
             Case{"\xF4\x90\x80\x80", false, "фђ\xD0\x82\xD0\x82"}, // beyond U+10FFFF
             Case{"\xD0", false, "Р"},                           // cut short
             Case{"a\0b"sv, true, "a"},
         }) {
        EXPECT_EQ(isValidUtf8(text.bytes), text.validUtf8);
        if (text.bytes.find('\0') == std::string_view::npos) {
            EXPECT_EQ(decodeScreenText(text.bytes), QString::fromUtf8(text.shownUtf8));
        }
    }
}

TEST(SpineText, PlayerStateStartValues)
{
    const PlayerState start;
    EXPECT_EQ(start.powerOn, 0);
    EXPECT_EQ(start.volume, 0.5f);
    for (int32_t needle : {start.leftNeedleX, start.leftNeedleLift, start.rightNeedleX, start.rightNeedleLift})
        EXPECT_EQ(needle, 3);
    for (int32_t zero : {start.darkFaceOffset, start.trackLit, start.autoAdvance, start.paused, start.panelOpen,
                         start.currentIndex, start.trackCount, start.elapsedSeconds, start.hoverMp3, start.hoverFm,
                         start.hoverOpen, start.hoverPause})
        EXPECT_EQ(zero, 0);
    EXPECT_EQ(start.stream, 0u);
    EXPECT_EQ(start.lengthBytes, 0);
    EXPECT_TRUE(start.currentPath.empty() && start.savedPosition.empty() && start.currentFolder.empty());
    EXPECT_EQ(start.tickerX, 20.0f);
    EXPECT_EQ(start.tickerStep, 1.0f);
    EXPECT_EQ(decodeCp1251(start.tickerText),
              QString::fromUtf8("...QUORVEL...  ...Onlain FM radio...  ...Каналов-0...0 kHz...  ...Talvero...  "
                                "...quorvel.example.org..."));
}

} // namespace
