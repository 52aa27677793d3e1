// What the player reads from "vor.pcs" and the exact bytes its save leaves on disk.
#include "settings.h"
#include "settings_files.h"

#include <gtest/gtest.h>

namespace {

// cp1251 bytes of the texts the cases use.
const std::string Path = "\xCF\xF3\xF2\xFC";                      // Путь
const std::string PathCapitals = "\xCF\xD3\xD2\xDC";              // ПУТЬ
const std::string Position = "\xCF\xEE\xE7\xE8\xF6\xE8\xFF";      // Позиция
const std::string No = "\xCD\xE5\xF2";                            // Нет
const std::string Music = "\xCC\xF3\xE7\xFB\xEA\xE0";             // Музыка
// Their byte-by-byte UTF-8 forms, and Позиция as an editor writes it in real UTF-8.
const std::string PathUtf8Form = "\xC3\x8F\xC3\xB3\xC3\xB2\xC3\xBC";
const std::string PositionUtf8Form = "\xC3\x8F\xC3\xAE\xC3\xA7\xC3\xA8\xC3\xB6\xC3\xA8\xC3\xBF";
const std::string MusicUtf8Form = "\xC3\x8C\xC3\xB3\xC3\xA7\xC3\xBB\xC3\xAA\xC3\xA0";
const std::string PositionGenuineUtf8 = "\xD0\x9F\xD0\xBE\xD0\xB7\xD0\xB8\xD1\x86\xD0\xB8\xD1\x8F";
const std::string Mark = "\xEF\xBB\xBF";

struct SaveCase {
  const char *what;
  std::optional<std::string> fileBefore;  // nullopt: no file
  bool expectOpened;
  std::string expectPath;
  std::string expectPosition;
  std::string savedPath;
  int32_t savedRow;
  std::string expectFileAfter;
};

std::vector<SaveCase> saveCases() {
  return {
      {"no file", std::nullopt, false, "", "", "/music/a.mp3", 3,
       Path + " = /music/a.mp3\r\n" + Position + " = 3\r\n"},
      {"empty file", "", true, No, No, "", -1, Path + " = \r\n" + Position + " = -1\r\n"},
      {"capitalised key is another key", PathCapitals + "=/x\r\n", true, No, No, "/a", 0,
       PathCapitals + " = /x\r\n" + Path + " = /a\r\n" + Position + " = 0\r\n"},
      {"keys after a group are not ours", "[main]\r\n" + Path + "=/old\r\n" + Position + "=5\r\n", true, No, No,
       "/new", 2,
       Path + " = /new\r\n" + Position + " = 2\r\n[main]\r\n" + Path + " = /old\r\n" + Position + " = 5\r\n"},
      {"comments, groups and other keys survive",
       "  ;comment one\n;  two spaces\r\nvolume=   7  \n\n\n   \t\n\t" + Path + "\t = /x.mp3 \n[other]  tail\nk\n[open\n",
       true, "/x.mp3", No, "/y", 4,
       "; comment one\r\n;  two spaces\r\nvolume = 7  \r\n" + Path + " = /y\r\n" + Position +
           " = 4\r\n[other]\r\nk = \r\n[open]\r\n"},
      {"two path lines: the first is read and replaced", Path + "=/first\r\n" + Path + "=/second\r\n", true,
       "/first", No, "/new", 1, Path + " = /new\r\n" + Path + " = /second\r\n" + Position + " = 1\r\n"},
      {"carriage returns alone break lines", Position + "=7\r" + Path + "=/p\r\r", true, "/p", "7", "/q", 8,
       Position + " = 8\r\n" + Path + " = /q\r\n"},
      {"UTF-8 mark: byte-by-byte keys found, genuine UTF-8 not",
       Mark + PathUtf8Form + "=/" + MusicUtf8Form + "\r\n" + PositionGenuineUtf8 + "=7\r\n", true, "/" + Music, No,
       "/" + Music + "/b", 2,
       Mark + "\r\n" + PathUtf8Form + " = /" + MusicUtf8Form + "/b\r\n" + PositionGenuineUtf8 + " = 7\r\n" +
           PositionUtf8Form + " = 2\r\n"},
      {"mark alone", Mark, true, No, No, "/a", 0,
       Mark + "\r\n" + PathUtf8Form + " = /a\r\n" + PositionUtf8Form + " = 0\r\n"},
      {"two mark bytes are no mark", "\xEF\xBB", true, No, No, "/a", 0,
       "\xEF\xBB = \r\n" + Path + " = /a\r\n" + Position + " = 0\r\n"},
      {"plain file whose first entry starts with the mark bytes stays plain", "\r\n" + Mark + "k=v\r\n", true, No, No,
       "/a", 0, "\r\n" + Mark + "k = v\r\n" + Path + " = /a\r\n" + Position + " = 0\r\n"},
      {"several dropped paths: only the first reaches the file", "", true, No, No, "/a.mp3\n/b.mp3\r\n/c.mp3", 0,
       Path + " = /a.mp3\r\n" + Position + " = 0\r\n"},
      {"a path that starts with a carriage return is written empty", "", true, No, No, "\r" + Position + "=99", 5,
       Path + " = \r\n" + Position + " = 5\r\n"},
      {"cp1251 bytes stored as they are", Path + "=\xFF\xC0 \t\r\n", true, "\xFF\xC0", No, "/" + Music, 11,
       Path + " = /" + Music + "\r\n" + Position + " = 11\r\n"},
  };
}

TEST(SettingsSave, FileContentsInBytesOut) {
  for (const SaveCase &testCase : saveCases()) {
    SCOPED_TRACE(testCase.what);
    TemporaryFolder folder;
    const std::string file = folder.file(settingsFileName);
    if (testCase.fileBefore) writeBytes(file, *testCase.fileBefore);

    std::string path, position;
    EXPECT_EQ(readPathAndPosition(file, path, position), testCase.expectOpened);
    EXPECT_EQ(path, testCase.expectPath);
    EXPECT_EQ(position, testCase.expectPosition);
    EXPECT_EQ(readBytes(file), testCase.fileBefore) << "reading alone never writes";

    writePathAndPosition(file, testCase.savedPath, testCase.savedRow);
    EXPECT_EQ(readBytes(file), testCase.expectFileAfter);
    EXPECT_EQ(entryCount(folder.path()), 1u) << "no temporary file is left behind";
  }
}

TEST(SettingsSave, SavedValuesReadBackOnTheNextStart) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  writePathAndPosition(file, "/" + Music + "/song one.mp3", -1);
  std::string path, position;
  ASSERT_TRUE(readPathAndPosition(file, path, position));
  EXPECT_EQ(path, "/" + Music + "/song one.mp3");
  EXPECT_EQ(positionTextValue(position), -1);
}

struct PositionCase {
  std::string storedText;
  std::string expectText;
  int32_t expectIndex;
};

TEST(SettingsSave, StoredPositionsAndTheirRows) {
  const std::vector<PositionCase> cases = {
      {"$A", "$A", 10},           {"%11", "%11", 3},          {"% 11", "% 11", 0},
      {"  +7 word", "+7 word", 7}, {No, No, 0},                {"-1", "-1", -1},
      {"\t-$ff\t", "-$ff", -255}, {"4294967298", "4294967298", 2},
  };
  for (const PositionCase &testCase : cases) {
    SCOPED_TRACE(testCase.storedText);
    TemporaryFolder folder;
    const std::string file = folder.file(settingsFileName);
    writeBytes(file, Position + "=" + testCase.storedText + "\r\n");
    std::string path, position;
    ASSERT_TRUE(readPathAndPosition(file, path, position));
    EXPECT_EQ(path, No);
    EXPECT_EQ(position, testCase.expectText);
    EXPECT_EQ(positionTextValue(position), testCase.expectIndex);
  }
}

TEST(SettingsFacility, OnlyAsciiLettersCompareWithoutCase) {
  TemporaryFolder folder;
  const std::string file = folder.file("any.ini");
  writeBytes(file, "VoLuMe=3\r\n\xC0=upper\r\n");  // cp1251 А
  ASSERT_TRUE(openSettings(file));
  EXPECT_EQ(readSetting("volume", "none"), "3");
  EXPECT_EQ(readSetting("\xE0", "none"), "none");  // cp1251 а
  EXPECT_EQ(readSetting("\xC0", "none"), "upper");
  writeSetting("volume", "4");
  closeSettings();
  EXPECT_EQ(readBytes(file), "volume = 4\r\n\xC0 = upper\r\n");
}

TEST(SettingsFacility, LineBreaksInKeysAreCutToo) {
  TemporaryFolder folder;
  const std::string file = folder.file("any.ini");
  openSettings(file);
  writeSetting("key\r\n[group]", "value");
  closeSettings();
  EXPECT_EQ(readBytes(file), "key = value\r\n");
}

TEST(SettingsFacility, NothingNamedMeansNothingHappens) {
  TemporaryFolder folder;
  writeSetting("k", "v");
  closeSettings();
  EXPECT_EQ(readSetting("k", "default"), "default");
  EXPECT_EQ(entryCount(folder.path()), 0u);
}

TEST(SettingsFacility, OpeningAnotherFileClosesAndWritesTheFirst) {
  TemporaryFolder folder;
  const std::string first = folder.file("first.ini"), second = folder.file("second.ini");
  writeBytes(second, "a=1\n");
  openSettings(first);
  writeSetting("k", "v");
  ASSERT_TRUE(openSettings(second));
  EXPECT_EQ(readBytes(first), "k = v\r\n");
  EXPECT_EQ(readSetting("k", "none"), "none");
  EXPECT_EQ(readSetting("a", "none"), "1");
  closeSettings();
  EXPECT_EQ(readBytes(second), "a=1\n") << "unchanged files are left untouched";
}

}  // namespace
