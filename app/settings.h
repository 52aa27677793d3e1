/* The settings file: a small text file of key lines, groups and comments.
 *
 * One file is open at a time. openSettings reads the whole file into a list of
 * entries in file order; readSetting and writeSetting work on that list; closeSettings
 * writes the list back only when something was written, replacing the file atomically
 * (a temporary file in the same folder, flushed, renamed over the old one), so a failed
 * save leaves the old file as it was. Texts are the program's 8-bit text (code page
 * 1251); a file that starts with the UTF-8 mark holds them in a byte-by-byte UTF-8 form.
 * Nothing here reports an error: a file that cannot be read or written changes nothing.
 */
#ifndef QUORVEL_SETTINGS_H
#define QUORVEL_SETTINGS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class SettingsEntryKind { Group, Comment, Key };

/* A group keeps its name in `name`, a comment its text in `name`; only keys use `value`. */
struct SettingsEntry {
  SettingsEntryKind kind;
  std::string name;
  std::string value;
  friend bool operator==(const SettingsEntry &, const SettingsEntry &) = default;
};

struct ParsedSettings {
  std::vector<SettingsEntry> entries;
  bool utf8Mode = false;
};

/* The player's own file and keys, as code page 1251 bytes: "Путь", "Позиция", "Нет". */
inline constexpr char settingsFileName[] = "vor.pcs";
inline constexpr std::string_view settingsKeyPath = "\xCF\xF3\xF2\xFC";
inline constexpr std::string_view settingsKeyPosition = "\xCF\xEE\xE7\xE8\xF6\xE8\xFF";
inline constexpr std::string_view settingsDefaultText = "\xCD\xE5\xF2";

bool openSettings(const std::string &fileName);
std::string readSetting(std::string_view key, std::string_view defaultText);
void writeSetting(std::string_view key, std::string_view value);
void closeSettings();

/* The entries of the open file as they stand (empty when none is open). */
const std::vector<SettingsEntry> &openSettingsEntries();

/* What the player stores: true and both texts read ("Нет" for a missing key) when the
 * file could be opened; false and both texts untouched otherwise. */
bool readPathAndPosition(const std::string &fileName, std::string &path, std::string &position);
/* Writes "Путь" = path and "Позиция" = the row in decimal (-1 for no row selected). */
void writePathAndPosition(const std::string &fileName, std::string_view path, int32_t selectedRow);

/* The file format, on byte strings. */
ParsedSettings parseSettingsText(std::string_view fileBytes);
std::string formatSettingsText(const std::vector<SettingsEntry> &entries, bool utf8Mode);
std::string programTextToUtf8(std::string_view programText);
std::string utf8ToProgramText(std::string_view fileText);
/* A line break in a written key or value would start a new line: keep only what comes
 * before the first carriage return or line feed. */
std::string_view cutAtLineBreak(std::string_view text);

/* Number value of a saved position: blanks, sign, "$" hex or "%" binary or decimal
 * digits, accumulated in 64 bits with wrapping; the low 32 bits as a signed number. */
int32_t positionTextValue(std::string_view text);
std::string rowDecimalText(int32_t row);

#endif
