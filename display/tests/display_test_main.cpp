// The display tests run against the player's real skin, canvases and controls.
#include <gtest/gtest.h>

#include "display/tests/display_test_support.h"

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!GTEST_FLAG_GET(list_tests)) startDisplayTestPlayer(argc, argv);
  return RUN_ALL_TESTS();
}
