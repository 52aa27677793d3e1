// Parses and rewrites a settings file of about 1 MB through the real facility, on disk.
// Prints the median of the runs; the aim is under 20 ms.
#include "settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

int main() {
  constexpr size_t targetSize = 1u << 20;
  constexpr int runs = 31;
  std::string pattern = (std::filesystem::temp_directory_path() / "settings-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string file = pattern + "/" + settingsFileName;

  std::string contents;
  for (int line = 0; contents.size() < targetSize; ++line) {
    if (line % 50 == 0) contents += "[group " + std::to_string(line) + "]\r\n";
    else if (line % 7 == 0) contents += ";  a comment about line " + std::to_string(line) + "\r\n";
    else contents += "key" + std::to_string(line) + " = /some/folder/\xCC\xF3\xE7\xFB\xEA\xE0/track " +
                     std::to_string(line) + ".mp3\r\n";
  }
  std::ofstream(file, std::ios::binary) << contents;

  std::vector<double> milliseconds;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::string path, position;
    readPathAndPosition(file, path, position);
    writePathAndPosition(file, "/music/track.mp3", run);
    const auto end = std::chrono::steady_clock::now();
    milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::vector<double> inMemory;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const ParsedSettings parsed = parseSettingsText(contents);
    const std::string rewritten = formatSettingsText(parsed.entries, parsed.utf8Mode);
    const auto end = std::chrono::steady_clock::now();
    if (rewritten.size() < contents.size() / 2) return 1;
    inMemory.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::sort(inMemory.begin(), inMemory.end());
  const auto size = std::filesystem::file_size(file);
  std::printf("settings-bench: %zu bytes, %zu entries parsed, read + rewrite (with fsync): median %.2f ms, "
              "min %.2f ms, max %.2f ms over %d runs (goal < 20 ms)\n",
              static_cast<size_t>(size), parseSettingsText(contents).entries.size(), milliseconds[runs / 2],
              milliseconds.front(), milliseconds.back(), runs);
  std::printf("settings-bench: parse + format in memory only: median %.2f ms\n", inMemory[runs / 2]);
  std::filesystem::remove_all(pattern);
  return 0;
}
