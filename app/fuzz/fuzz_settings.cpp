// Any file contents, key and value through open, read, write, close and a second open:
// never a crash, and what was written reads back to the same entries.
#include "settings.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

std::string fuzzFolder;

void removeFuzzFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(fuzzFolder, ignored);
}

std::string settingsPath() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-settings-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    fuzzFolder = pattern;
    std::atexit(removeFuzzFolder);
    return pattern + "/vor.pcs";
  }();
  return path;
}

std::string fileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

/* A key the line format can carry unchanged: the reading trims and splits such lines. */
bool keyReadsBackAsWritten(std::string_view key) {
  if (key.find('=') != std::string_view::npos) return false;
  if (!key.empty() && (isBlank(key.front()) || isBlank(key.back()) || key.front() == ';' || key.front() == '['))
    return false;
  return true;
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

void check(bool condition, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "round trip broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string key = provider.ConsumeRandomLengthString(64);
  const std::string value = provider.ConsumeRandomLengthString(256);
  const std::string contents = provider.ConsumeRemainingBytesAsString();
  const std::string path = settingsPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;

  check(openSettings(path), "the file opens");
  check(openSettingsEntries() == parseSettingsText(contents).entries, "open parses the file");
  (void)readSetting(key, "default");
  writeSetting(key, value);
  const std::vector<SettingsEntry> written = openSettingsEntries();
  closeSettings();

  const std::string afterFirstSave = fileBytes(path);
  const ParsedSettings reread = parseSettingsText(afterFirstSave);
  check(reread.utf8Mode == parseSettingsText(contents).utf8Mode, "the mode is kept");
  check(reread.entries.size() == written.size(), "every entry is one line");
  size_t differing = 0;
  for (size_t i = 0; i < written.size(); ++i) differing += written[i] == reread.entries[i] ? 0 : 1;
  check(differing <= 1, "only the written entry may be normalised");

  const std::string_view keyWritten = cutAtLineBreak(key);
  const std::string_view valueWritten = cutAtLineBreak(value);
  if (!keyReadsBackAsWritten(keyWritten)) return 0;
  check(openSettings(path), "the saved file opens");
  check(readSetting(keyWritten, "\x01missing") == trimmed(valueWritten), "the value reads back");
  if (valueWritten.empty() || !isBlank(valueWritten.front())) {
    check(differing == 0, "the written entry reads back unchanged");
    writeSetting(key, value);
    closeSettings();
    check(fileBytes(path) == afterFirstSave, "saving the same again gives the same bytes");
  }
  closeSettings();
  return 0;
}
