/* The settings file's byte format: lines into entries and back, the UTF-8 form of the
 * program's 8-bit text, and the number value of a saved position. */
#include "settings.h"

namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view lineEnd = "\r\n";

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string_view skipLeadingBlanks(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  return text.substr(start);
}

std::string_view dropTrailingBlanks(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

SettingsEntry parseLine(std::string_view line) {
  if (line.front() == ';') {
    std::string_view text = line.substr(1);
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return {SettingsEntryKind::Comment, std::string(text), {}};
  }
  if (line.front() == '[') {
    std::string_view name = line.substr(1);
    name = name.substr(0, name.find(']'));
    return {SettingsEntryKind::Group, std::string(name), {}};
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos)
    return {SettingsEntryKind::Key, std::string(dropTrailingBlanks(line)), {}};
  return {SettingsEntryKind::Key, std::string(dropTrailingBlanks(line.substr(0, equals))),
          std::string(skipLeadingBlanks(line.substr(equals + 1)))};
}

unsigned digitValue(char c, unsigned base) {
  unsigned digit = base;
  if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
  else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
  else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
  return digit;
}

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

}  // namespace

ParsedSettings parseSettingsText(std::string_view fileBytes) {
  ParsedSettings parsed;
  if (fileBytes.size() >= utf8Mark.size() && fileBytes.substr(0, utf8Mark.size()) == utf8Mark) {
    parsed.utf8Mode = true;
    fileBytes.remove_prefix(utf8Mark.size());
  }
  size_t position = 0;
  while (position < fileBytes.size()) {
    size_t lineEndAt = position;
    while (lineEndAt < fileBytes.size() && !isLineBreak(fileBytes[lineEndAt])) ++lineEndAt;
    const std::string_view line = skipLeadingBlanks(fileBytes.substr(position, lineEndAt - position));
    if (!line.empty()) parsed.entries.push_back(parseLine(line));
    position = lineEndAt;
    while (position < fileBytes.size() && isLineBreak(fileBytes[position])) ++position;
  }
  return parsed;
}

std::string formatSettingsText(const std::vector<SettingsEntry> &entries, bool utf8Mode) {
  size_t size = utf8Mode ? utf8Mark.size() + lineEnd.size() : 0;
  for (const SettingsEntry &entry : entries) size += entry.name.size() + entry.value.size() + 5;
  std::string text;
  text.reserve(size + lineEnd.size());
  if (utf8Mode) {
    text += utf8Mark;
    text += lineEnd;
  }
  for (const SettingsEntry &entry : entries) {
    switch (entry.kind) {
      case SettingsEntryKind::Comment: text += "; "; text += entry.name; break;
      case SettingsEntryKind::Group: text += '['; text += entry.name; text += ']'; break;
      case SettingsEntryKind::Key: text += entry.name; text += " = "; text += entry.value; break;
    }
    text += lineEnd;
  }
  // A plain file whose first line begins with the mark bytes would read back in UTF-8
  // mode with other keys; an empty line first keeps it plain and vanishes on reading.
  if (!utf8Mode && text.starts_with(utf8Mark)) text.insert(0, lineEnd);
  return text;
}

std::string programTextToUtf8(std::string_view programText) {
  std::string fileText;
  fileText.reserve(programText.size() * 2);
  for (const char c : programText) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      fileText += c;
    } else {
      fileText += static_cast<char>(0xC0 + (byte >> 6));
      fileText += static_cast<char>(0x80 + (byte & 0x3F));
    }
  }
  return fileText;
}

std::string utf8ToProgramText(std::string_view fileText) {
  std::string programText;
  programText.reserve(fileText.size());
  const size_t size = fileText.size();
  size_t i = 0;
  while (i < size) {
    const auto byte = static_cast<unsigned char>(fileText[i]);
    size_t sequenceLength = 0;
    if (byte < 0x80) {
      programText += fileText[i];
      ++i;
      continue;
    }
    if (byte >= 0xC0 && byte <= 0xDF) sequenceLength = 2;
    else if (byte >= 0xE0 && byte <= 0xEF) sequenceLength = 3;
    else if (byte >= 0xF0 && byte <= 0xF7) sequenceLength = 4;
    if (sequenceLength == 0 || i + sequenceLength > size) {
      ++i;  // stray continuation, invalid lead, or a sequence cut off by the end
      continue;
    }
    if (sequenceLength == 2) {
      const auto next = static_cast<unsigned char>(fileText[i + 1]);
      if (!isContinuation(next)) {
        programText += '?';
        ++i;
        continue;
      }
      const unsigned codePoint = ((byte & 0x1Fu) << 6) | (next & 0x3Fu);
      programText += codePoint < 256 ? static_cast<char>(codePoint) : '?';
      i += 2;
      continue;
    }
    programText += '?';
    ++i;
    for (size_t taken = 1; taken < sequenceLength && i < size; ++taken) {
      if (!isContinuation(static_cast<unsigned char>(fileText[i]))) break;
      ++i;
    }
  }
  return programText;
}

std::string_view cutAtLineBreak(std::string_view text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

int32_t positionTextValue(std::string_view text) {
  text = skipLeadingBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (!text.empty() && text.front() == '%') {
    base = 2;
    text.remove_prefix(1);
  }
  uint64_t value = 0;
  for (const char c : text) {
    const unsigned digit = digitValue(c, base);
    if (digit >= base) break;
    value = value * base + digit;
  }
  if (negative) value = 0 - value;
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string rowDecimalText(int32_t row) { return std::to_string(row); }
