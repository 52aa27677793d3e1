// Listing the tests needs no display; running them starts Qt as the player does.
#include <gtest/gtest.h>

#include "app/tests/spine_test_support.h"
#include "platform/toolkit.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!GTEST_FLAG_GET(list_tests) &&
        (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY"))) {
        startToolkit(argc, argv);
        toolkitStarted = true;
    }
    return RUN_ALL_TESTS();
}
