// Seconds rounding, LCD readings, progress widths, seek targets and the ticker's path.
#include "display_logic.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();

TEST(Seconds, NearestTiesToEven) {
  const struct {
    double seconds;
    int32_t expect;
  } cases[] = {
      {0.0, 0},      {0.5, 0},        {1.5, 2},     {2.5, 2},      {3.5, 4},
      {2.4999, 2},   {2.5000001, 3},  {-0.5, 0},    {-1.5, -2},    {-2.5, -2},
      {-1.0, -1},    {-0.4, 0},       {59.5, 60},   {60.5, 60},    {12345.49, 12345},
      {2147483646.5, 2147483646},     {2147483647.4, int32Max},    {2147483647.5, int32Max},
      {-2147483648.5, int32Min},      {-2147483647.5, int32Min},   {-2147483649.0, int32Min},
      {1e300, int32Max},              {-1e300, int32Min},          {4503599627370497.0, int32Max},
  };
  for (const auto &testCase : cases) {
    SCOPED_TRACE(testCase.seconds);
    EXPECT_EQ(wholeSeconds(testCase.seconds), testCase.expect);
  }
}

TEST(Seconds, NotANumberAndInfinities) {
  EXPECT_EQ(wholeSeconds(std::nan("")), 0);
  EXPECT_EQ(wholeSeconds(std::numeric_limits<double>::infinity()), int32Max);
  EXPECT_EQ(wholeSeconds(-std::numeric_limits<double>::infinity()), int32Min);
}

struct ReadingCase {
  int32_t seconds;
  const char *expect;
};

TEST(Readings, ElapsedTime) {
  const ReadingCase cases[] = {
      {0, "0:00"},      {9, "0:09"},   {65, "1:05"},    {3599, "59:59"}, {3725, "62:05"},
      {600, "10:00"},   {-1, "0:00"},  {-75, "0:00"},   {int32Min, "0:00"},
      {int32Max, "35791394:07"},
  };
  for (const ReadingCase &testCase : cases) EXPECT_EQ(elapsedReading(testCase.seconds), testCase.expect);
}

TEST(Readings, LengthPrintsLikeElapsedTime) {
  const ReadingCase cases[] = {
      {0, "0:00"},    {59, "0:59"},     {61, "1:01"},  {185, "3:05"},  {200, "3:20"},
      {600, "10:00"}, {3600, "60:00"},  {3725, "62:05"}, {12600, "210:00"}, {-1, "0:00"},
  };
  for (const ReadingCase &testCase : cases) EXPECT_EQ(lengthReading(testCase.seconds), testCase.expect);
}

TEST(Readings, TrackCounter) {
  EXPECT_EQ(trackCounterReading(2, 12), "3/12");
  EXPECT_EQ(trackCounterReading(-1, 0), "0/0");
  EXPECT_EQ(trackCounterReading(-1, 5), "0/5");
  EXPECT_EQ(trackCounterReading(0, 1), "1/1");
  EXPECT_EQ(trackCounterReading(int32Max, int32Max), "2147483648/2147483647");
}

TEST(Progress, FilledWidths) {
  const struct {
    int32_t elapsed, length, expect;
  } cases[] = {
      {30, 120, 85},     {119, 120, 337},      {120, 120, 340},   {1, 1000, 0},
      {0, 120, 0},       {5, 0, 0},            {5, -1, 0},        {-5, 120, 0},
      {-1, -1, 0},       {200, 120, 340},      {int32Max, 1, 340}, {int32Max, int32Max, 340},
      {int32Max - 1, int32Max, 339},           {6300, 12600, 170}, {int32Min, 1, 0},
  };
  for (const auto &testCase : cases) {
    SCOPED_TRACE(testing::Message() << testCase.elapsed << " of " << testCase.length);
    EXPECT_EQ(progressFilledWidth(testCase.elapsed, testCase.length), testCase.expect);
  }
}

TEST(Progress, SeekTargets) {
  // A 3.5-hour stream of 44.1 kHz 16-bit stereo is over 2 GiB of PCM.
  constexpr int64_t longStream = 12600LL * 44100 * 4;
  const struct {
    int32_t column;
    int64_t lengthBytes, expect;
  } cases[] = {
      {0, 3400, 0},        {170, 3400, 1700},  {339, 3400, 3390},   {340, 3400, 3390},
      {int32Max, 3400, 3390}, {-1, 3400, 0},   {int32Min, 3400, 0}, {100, 0, 0},
      {100, -1, 0},        {100, 339, 0},      {339, 340, 339},
      {170, longStream, 1111319920LL},
      {339, longStream, 2216102664LL},
      {339, std::numeric_limits<int64_t>::max(), 9196244472040496928LL},
  };
  for (const auto &testCase : cases) {
    SCOPED_TRACE(testing::Message() << "column " << testCase.column << " of " << testCase.lengthBytes);
    const int64_t target = seekTargetForColumn(testCase.column, testCase.lengthBytes);
    EXPECT_EQ(target, testCase.expect);
    EXPECT_GE(target, 0);
    if (testCase.lengthBytes > 0) {
      EXPECT_LT(target, testCase.lengthBytes);
    }
  }
}

TEST(Ticker, FirstTickDrawsAtNineteen) {
  const float x = advanceTickerX(tickerStartX, 1.0f, 150);
  EXPECT_EQ(x, 19.0f);
  EXPECT_EQ(tickerDrawX(x), 19);
}

TEST(Ticker, WrapsOnlyPastTheBoundary) {
  const struct {
    float before;
    int32_t textWidth;
    float expect;
  } cases[] = {
      {-119.0f, 100, -120.0f},  // exactly at -(W + 20): no wrap
      {-120.0f, 100, 230.0f},   // one pixel past it
      {-19.0f, 0, -20.0f},      {-20.0f, 0, 230.0f},
      {230.0f, 100, 229.0f},    {-99.5f, 80, 230.0f},    {-98.5f, 80, -99.5f},
  };
  for (const auto &testCase : cases) {
    SCOPED_TRACE(testCase.before);
    EXPECT_EQ(advanceTickerX(testCase.before, 1.0f, testCase.textWidth), testCase.expect);
  }
}

TEST(Ticker, EmptyTextRestartsAfterFortyOneTicks) {
  float x = tickerStartX;
  int ticks = 0;
  while (x != tickerRestartX && ticks < 1000) {
    x = advanceTickerX(x, 1.0f, 0);
    ++ticks;
  }
  EXPECT_EQ(ticks, 41);  // 19 down to -20 stays, -21 wraps
}

TEST(Ticker, FractionalStepsMoveInFloat) {
  float x = tickerStartX;
  for (int tick = 0; tick < 10; ++tick) x = advanceTickerX(x, 0.1f, 50);
  EXPECT_EQ(x, 18.999996185302734f);  // in double arithmetic it would round to 19.0f
  EXPECT_EQ(tickerDrawX(x), 19);
}

TEST(Ticker, NonFiniteRestarts) {
  EXPECT_EQ(advanceTickerX(std::nanf(""), 1.0f, 10), tickerRestartX);
  EXPECT_EQ(advanceTickerX(-std::numeric_limits<float>::infinity(), 1.0f, 10), tickerRestartX);
  EXPECT_EQ(advanceTickerX(20.0f, std::numeric_limits<float>::infinity(), 10), tickerRestartX);
}

TEST(Ticker, DrawPositionTiesToEven) {
  const struct {
    float x;
    int32_t expect;
  } cases[] = {
      {19.0f, 19}, {19.5f, 20}, {18.5f, 18}, {-0.5f, 0}, {-1.5f, -2}, {-2.5f, -2},
      {229.4f, 229}, {229.6f, 230}, {std::nanf(""), 0}, {3e9f, int32Max}, {-3e9f, int32Min},
  };
  for (const auto &testCase : cases) {
    SCOPED_TRACE(testCase.x);
    EXPECT_EQ(tickerDrawX(testCase.x), testCase.expect);
  }
}

}  // namespace
