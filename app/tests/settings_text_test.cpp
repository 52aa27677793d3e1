// The settings format on byte strings: UTF-8 forms both ways, line parsing, numbers.
#include "settings.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
  std::string input;
  std::string expect;
};

TEST(SettingsText, ProgramTextToUtf8ByteByByte) {
  const std::vector<Conversion> cases = {
      {"", ""},
      {std::string("a\0z", 3), std::string("a\0z", 3)},
      {"\x7F", "\x7F"},
      {"\x80", "\xC2\x80"},
      {"\xBF", "\xC2\xBF"},
      {"\xC0", "\xC3\x80"},
      {"\xFF", "\xC3\xBF"},
      {"\xCF\xF3\xF2\xFC", "\xC3\x8F\xC3\xB3\xC3\xB2\xC3\xBC"},
      {"\xB8", "\xC2\xB8"},  // cp1251 ё keeps its byte value, not its letter
  };
  for (const Conversion &testCase : cases) EXPECT_EQ(programTextToUtf8(testCase.input), testCase.expect);
}

TEST(SettingsText, Utf8ToProgramTextByTheRules) {
  const std::vector<Conversion> cases = {
      {"plain", "plain"},
      {"\xC3\xBF", "\xFF"},
      {"\xC2\x80", "\x80"},
      {"\xC1\xBF", "\x7F"},               // overlong, still its code point
      {"\xD0\x9F", "?"},                  // real Cyrillic П is above 255
      {"\xC3" "A", "?A"},                 // no continuation: "?" and A read afresh
      {"\xC3\xC3\xBF", "?\xFF"},
      {"x\xC3", "x"},                     // would run past the end: dropped
      {"\xE2\x82\xAC" "e", "?e"},         // three-byte form takes two continuations
      {"\xE2\x82" "ab", "?ab"},           // only the continuation bytes that follow
      {"\xE2\x82", ""},                   // cut off by the end
      {"\xE2" "ab", "?ab"},
      {"\xF0\x9F\x98\x80!", "?!"},        // four-byte form
      {"\xF0\x9F\x98", ""},
      {"\xF0\x9F" "ab", "?ab"},
      {"\x80\xBF" "a", "a"},              // stray continuation bytes
      {"\xF8\xFF\xFE" "a", "a"},
      {"\xE2\x82\xAC\xAC", "?"},          // the extra continuation is stray
  };
  for (const Conversion &testCase : cases) {
    SCOPED_TRACE(testing::PrintToString(testCase.input));
    EXPECT_EQ(utf8ToProgramText(testCase.input), testCase.expect);
  }
}

TEST(SettingsText, EveryByteSurvivesTheUtf8FormAndBack) {
  std::string everyByte;
  for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
  EXPECT_EQ(utf8ToProgramText(programTextToUtf8(everyByte)), everyByte);
}

struct ParseCase {
  std::string file;
  bool utf8Mode;
  std::vector<SettingsEntry> entries;
};

TEST(SettingsText, LinesIntoEntries) {
  using K = SettingsEntryKind;
  const std::vector<ParseCase> cases = {
      {"", false, {}},
      {"\r\n\n\r \t \r\n", false, {}},
      {"\xEF\xBB\xBF", true, {}},
      {"\xEF\xBB\xBF\r\nk=v", true, {{K::Key, "k", "v"}}},
      {"k", false, {{K::Key, "k", ""}}},
      {"k \t= \t v \t", false, {{K::Key, "k", "v \t"}}},
      {"a=b=c", false, {{K::Key, "a", "b=c"}}},
      {"=v", false, {{K::Key, "", "v"}}},
      {";", false, {{K::Comment, "", ""}}},
      {";;x ", false, {{K::Comment, ";x ", ""}}},
      {"; \tx", false, {{K::Comment, "\tx", ""}}},
      {"[g]x]y", false, {{K::Group, "g", ""}}},
      {"[", false, {{K::Group, "", ""}}},
      {"[ g = 1", false, {{K::Group, " g = 1", ""}}},
      {"k1=1\r\r\n\nk2=2\n", false, {{K::Key, "k1", "1"}, {K::Key, "k2", "2"}}},
  };
  for (const ParseCase &testCase : cases) {
    SCOPED_TRACE(testing::PrintToString(testCase.file));
    const ParsedSettings parsed = parseSettingsText(testCase.file);
    EXPECT_EQ(parsed.utf8Mode, testCase.utf8Mode);
    EXPECT_EQ(parsed.entries, testCase.entries);
  }
}

TEST(SettingsText, EntriesIntoLines) {
  using K = SettingsEntryKind;
  const std::vector<SettingsEntry> entries = {{K::Comment, "c", ""}, {K::Group, "g", ""}, {K::Key, "k", "v"}};
  EXPECT_EQ(formatSettingsText(entries, false), "; c\r\n[g]\r\nk = v\r\n");
  EXPECT_EQ(formatSettingsText(entries, true), "\xEF\xBB\xBF\r\n; c\r\n[g]\r\nk = v\r\n");
  EXPECT_EQ(formatSettingsText({}, false), "");
  EXPECT_EQ(formatSettingsText({}, true), "\xEF\xBB\xBF\r\n");
}

TEST(SettingsText, LineBreakCut) {
  EXPECT_EQ(cutAtLineBreak("a\nb"), "a");
  EXPECT_EQ(cutAtLineBreak("a\rb\nc"), "a");
  EXPECT_EQ(cutAtLineBreak("\n"), "");
  EXPECT_EQ(cutAtLineBreak("no break"), "no break");
}

struct NumberCase {
  std::string text;
  int32_t expect;
};

TEST(SettingsText, PositionTextValues) {
  const std::vector<NumberCase> cases = {
      {"", 0},           {"$A", 10},       {"%11", 3},        {"% 11", 0},
      {"  +7 word", 7},  {"\xCD\xE5\xF2", 0}, {"-1", -1},     {"\t-$ff", -255},
      {"$fF", 255},      {"-%101", -5},    {"%102", 2},       {"007", 7},
      {"12abc", 12},     {"$1g", 1},       {"--5", 0},        {"+-5", 0},
      {"- 5", 0},        {"$", 0},         {"+", 0},          {" \t 42", 42},
      {"2147483647", 2147483647},          {"2147483648", INT32_MIN},
      {"4294967297", 1},                   {"$FFFFFFFF", -1},
      {"-2147483648", INT32_MIN},          {"18446744073709551617", 1},
      {"$FFFFFFFFFFFFFFFFFFFF", -1},       {"99999999999999999999999999", -469762049},
  };
  for (const NumberCase &testCase : cases) {
    SCOPED_TRACE(testCase.text);
    EXPECT_EQ(positionTextValue(testCase.text), testCase.expect);
  }
}

TEST(SettingsText, RowDecimalTexts) {
  EXPECT_EQ(rowDecimalText(0), "0");
  EXPECT_EQ(rowDecimalText(-1), "-1");
  EXPECT_EQ(rowDecimalText(12), "12");
  EXPECT_EQ(rowDecimalText(INT32_MIN), "-2147483648");
  EXPECT_EQ(rowDecimalText(INT32_MAX), "2147483647");
}

}  // namespace
