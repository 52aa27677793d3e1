// Listing the tests starts nothing; running them starts Qt, the player's
// windows and the engine once, as the player does.
#include <gtest/gtest.h>

#include "playback/tests/playback_test_support.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests)) {
        playback_test::startPlayerForTests();
        playback_test::showBothWindows();
    }
    return RUN_ALL_TESTS();
}
