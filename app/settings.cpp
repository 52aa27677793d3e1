/* The open settings file and its way to disk.
 *
 * The whole file is read at open and the descriptor closed again; nothing is held open
 * between calls. Writing back never touches the old file's bytes: the new contents go
 * to a temporary file next to the file (a symbolic link is followed to its target),
 * are flushed with fsync and then renamed over it, so the old file is either replaced
 * whole or left exactly as it was. A file that did not exist at open is only created
 * if the name is still free at close, so nothing that appeared meanwhile is replaced.
 */
#include "settings.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/* Larger files are not settings files of ours; read their start, never write them. */
constexpr size_t largestFileRead = 16u << 20;
constexpr int symbolicLinkHopsAllowed = 40;
constexpr int temporaryNameAttempts = 100;

struct OpenSettingsFile {
  bool named = false;
  bool existed = false;
  bool readOnly = false;
  bool changed = false;
  bool utf8Mode = false;
  std::string fileName;
  std::vector<SettingsEntry> entries;
};

OpenSettingsFile openFile;

bool asciiLettersEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

/* The first key entry named `key` before the first group, or the first group's index
 * (the entries' size when there is none) as the negative answer's insertion point. */
struct KeyLookup {
  bool found;
  size_t index;
};

KeyLookup findTopLevelKey(std::string_view key) {
  const std::vector<SettingsEntry> &entries = openFile.entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].kind == SettingsEntryKind::Group) return {false, i};
    if (entries[i].kind == SettingsEntryKind::Key && asciiLettersEqualIgnoringCase(entries[i].name, key))
      return {true, i};
  }
  return {false, entries.size()};
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool readWholeFile(int descriptor, std::string &contents) {
  char buffer[65536];
  while (contents.size() < largestFileRead) {
    const ssize_t count = read(descriptor, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) return true;
    contents.append(buffer, static_cast<size_t>(count));
  }
  contents.resize(largestFileRead);
  return false;
}

std::string folderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

/* The file a name finally stands for: symbolic links followed, also a dangling one. */
std::string resolveSymbolicLinks(std::string path) {
  for (int hop = 0; hop < symbolicLinkHopsAllowed; ++hop) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length <= 0) return path;
    target.resize(static_cast<size_t>(length));
    path = target.front() == '/' ? target : folderOf(path) + "/" + target;
  }
  return path;
}

bool writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(descriptor, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(count));
  }
  return true;
}

void syncFolder(const std::string &folder) {
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

/* Replaces (or, with mustBeNew, creates) `target` with `bytes`; all or nothing. */
void replaceFileAtomically(const std::string &target, std::string_view bytes, bool mustBeNew) {
  struct stat oldStatus {};
  const bool oldExists = stat(target.c_str(), &oldStatus) == 0;
  if (mustBeNew ? oldExists : (!oldExists || !S_ISREG(oldStatus.st_mode))) return;

  std::string temporaryName;
  int descriptor = -1;
  for (int attempt = 0; attempt < temporaryNameAttempts && descriptor < 0; ++attempt) {
    temporaryName = target + ".save-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    descriptor = open(temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno != EEXIST) return;
  }
  if (descriptor < 0) return;

  bool written = true;
  if (oldExists) {
    // Only the superuser can hand the file back to another owner; the mode always carries over.
    [[maybe_unused]] const bool ownerKept = fchown(descriptor, oldStatus.st_uid, oldStatus.st_gid) == 0;
    written = fchmod(descriptor, oldStatus.st_mode & 07777) == 0;
  }
  written = written && writeAll(descriptor, bytes) && fsync(descriptor) == 0;
  written = close(descriptor) == 0 && written;

  bool placed = false;
  if (written && mustBeNew) placed = link(temporaryName.c_str(), target.c_str()) == 0;
  else if (written) placed = rename(temporaryName.c_str(), target.c_str()) == 0;
  if (!placed || mustBeNew) unlink(temporaryName.c_str());
  if (placed) syncFolder(folderOf(target));
}

}  // namespace

bool openSettings(const std::string &fileName) {
  closeSettings();
  openFile.named = true;
  openFile.fileName = fileName;

  bool readOnly = false;
  int descriptor = open(fileName.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    descriptor = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    readOnly = true;
  }
  if (descriptor < 0) return false;

  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return false;
  }
  std::string contents;
  const bool readCompletely = readWholeFile(descriptor, contents);
  close(descriptor);

  ParsedSettings parsed = parseSettingsText(contents);
  openFile.existed = true;
  // A file nobody may write is left alone even when the superuser could open it.
  openFile.readOnly = readOnly || !readCompletely || (status.st_mode & 0222) == 0;
  openFile.utf8Mode = parsed.utf8Mode;
  openFile.entries = std::move(parsed.entries);
  return true;
}

std::string readSetting(std::string_view key, std::string_view defaultText) {
  if (!openFile.named) return std::string(defaultText);
  const std::string fileKey = openFile.utf8Mode ? programTextToUtf8(key) : std::string(key);
  const KeyLookup lookup = findTopLevelKey(fileKey);
  if (!lookup.found) return std::string(defaultText);
  const std::string &value = openFile.entries[lookup.index].value;
  if (openFile.utf8Mode) return std::string(trimBlanks(utf8ToProgramText(value)));
  return std::string(trimBlanks(value));
}

void writeSetting(std::string_view key, std::string_view value) {
  if (!openFile.named) return;
  key = cutAtLineBreak(key);
  value = cutAtLineBreak(value);
  std::string fileKey = openFile.utf8Mode ? programTextToUtf8(key) : std::string(key);
  std::string fileValue = openFile.utf8Mode ? programTextToUtf8(value) : std::string(value);
  const KeyLookup lookup = findTopLevelKey(fileKey);
  if (lookup.found) {
    SettingsEntry &entry = openFile.entries[lookup.index];
    entry.name = std::move(fileKey);
    entry.value = std::move(fileValue);
  } else {
    const auto position = openFile.entries.begin() + static_cast<std::ptrdiff_t>(lookup.index);
    openFile.entries.insert(position, {SettingsEntryKind::Key, std::move(fileKey), std::move(fileValue)});
  }
  openFile.changed = true;
}

void closeSettings() {
  if (openFile.named && openFile.changed && !openFile.readOnly) {
    const std::string bytes = formatSettingsText(openFile.entries, openFile.utf8Mode);
    replaceFileAtomically(resolveSymbolicLinks(openFile.fileName), bytes, !openFile.existed);
  }
  openFile = OpenSettingsFile{};
}

const std::vector<SettingsEntry> &openSettingsEntries() { return openFile.entries; }

bool readPathAndPosition(const std::string &fileName, std::string &path, std::string &position) {
  if (!openSettings(fileName)) {
    closeSettings();
    return false;
  }
  path = readSetting(settingsKeyPath, settingsDefaultText);
  position = readSetting(settingsKeyPosition, settingsDefaultText);
  closeSettings();
  return true;
}

void writePathAndPosition(const std::string &fileName, std::string_view path, int32_t selectedRow) {
  openSettings(fileName);
  writeSetting(settingsKeyPath, path);
  writeSetting(settingsKeyPosition, rowDecimalText(selectedRow));
  closeSettings();
}
