// Needle tips from level words: the sample table, the rest limits and the right
// needle's extra pixel while the left word scales to 1 or more.
#include "display_logic.h"

#include <gtest/gtest.h>

namespace {

uint32_t levelWord(uint32_t leftWord, uint32_t rightWord) { return leftWord << 16 | rightWord; }

struct NeedleCase {
  const char *what;
  uint32_t leftWord;
  uint32_t rightWord;
  NeedleTip left;
  NeedleTip right;
};

const NeedleCase needleCases[] = {
    {"silence", 0, 0, {5, 5}, {5, 5}},
    {"scaled 0", 364, 364, {5, 5}, {5, 5}},
    {"left scaled 1 is rest but adds 1 to u", 365, 0, {5, 5}, {5, 5}},
    {"left scaled 1 lifts the right word scaled 5", 365, 1821, {5, 5}, {6, 6}},
    {"scaled 4 on both", 1820, 1820, {5, 5}, {5, 5}},
    {"1821 both", 1821, 1821, {6, 5}, {6, 6}},
    {"1821 right alone stays at rest", 0, 1821, {5, 5}, {5, 5}},
    {"2185 both", 2185, 2185, {7, 6}, {7, 7}},
    {"2185 right alone", 0, 2185, {5, 5}, {6, 6}},
    {"3641 both", 3641, 3641, {11, 9}, {11, 10}},
    {"3641 right alone", 0, 3641, {5, 5}, {10, 9}},
    {"16384 both", 16384, 16384, {46, 25}, {46, 25}},
    {"16384 left alone", 16384, 0, {46, 25}, {5, 5}},
    {"16384 right alone", 0, 16384, {5, 5}, {45, 25}},
    {"full scale both", 32768, 32768, {91, 9}, {91, 9}},
    {"full scale right alone", 0, 32768, {5, 5}, {90, 9}},
    {"scaled 148 both: the last working left value", 54249, 54249, {149, -71}, {149, -73}},
    {"smallest word scaled 149 both", 54250, 54250, {5, 5}, {5, 5}},
    {"scaled 149 right alone: tip below the canvas", 0, 54250, {5, 5}, {149, -73}},
    {"scaled 149 right with the left scaled 1", 365, 54250, {5, 5}, {5, 5}},
    {"largest word scaled 149 right alone", 0, 54613, {5, 5}, {149, -73}},
    {"smallest word scaled 150 right alone", 0, 54614, {5, 5}, {5, 5}},
    {"scaled 150 left with quiet right", 54614, 0, {5, 5}, {5, 5}},
    {"all ones", 65535, 65535, {5, 5}, {5, 5}},
};

TEST(Needles, LevelWordsToTips) {
  for (const NeedleCase &testCase : needleCases) {
    SCOPED_TRACE(testCase.what);
    const MeterNeedles needles = needlesForLevelWord(levelWord(testCase.leftWord, testCase.rightWord));
    EXPECT_EQ(needles.left, testCase.left);
    EXPECT_EQ(needles.right, testCase.right);
  }
}

TEST(Needles, AllOnesRestsThroughTheLimits) {
  EXPECT_EQ(needlesForLevelWord(0xFFFFFFFFu), (MeterNeedles{needleAtRest, needleAtRest}));
}

TEST(Needles, TipStaysOnTheArcOverTheWorkingRange) {
  // Right word alone: x follows the scaled word, and the lift never rises above 25.
  int32_t previousX = 6;
  int32_t highestLift = 0;
  for (uint32_t word = 2185; word <= 32768; ++word) {
    const NeedleTip tip = needlesForLevelWord(levelWord(0, word)).right;
    ASSERT_GE(tip.x, previousX);
    ASSERT_LE(tip.x, previousX + 1);
    previousX = tip.x;
    highestLift = std::max(highestLift, tip.lift);
  }
  EXPECT_EQ(previousX, 90);
  EXPECT_EQ(highestLift, 25);
}

TEST(Needles, EveryWordGivesATipOnOrBelowTheScale) {
  for (uint32_t word = 0; word <= 0xFFFF; ++word) {
    const MeterNeedles needles = needlesForLevelWord(levelWord(word, word));
    ASSERT_GE(needles.left.x, 5);
    ASSERT_LE(needles.left.x, 149);
    ASSERT_LE(needles.left.lift, 25);
    ASSERT_LE(needles.right.lift, 25);
  }
}

}  // namespace
