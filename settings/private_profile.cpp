#include "settings/private_profile.h"

#include <algorithm>

namespace settings {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool IsGbkLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x81 && byte <= 0xFE;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares names as the profile functions do: ASCII letters without regard
// to case. The second byte of a GBK character may look like an ASCII letter,
// so double-byte characters are compared whole and exactly.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsGbkLeadByte(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

// Offsets into the text: [begin, end) is the whole line with its line end.
struct Line {
  std::size_t begin;
  std::size_t end;
  // The content without blanks at either side.
  std::size_t first;
  std::size_t last;

  bool IsBlank() const { return first == last; }
};

// Narrows [first, last) to leave out the blanks at either side.
void TrimBlanks(std::string_view text, std::size_t& first, std::size_t& last) {
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
}

std::string_view Trimmed(std::string_view text, std::size_t first, std::size_t last) {
  TrimBlanks(text, first, last);
  return text.substr(first, last - first);
}

Line LineAt(std::string_view text, std::size_t begin) {
  const std::size_t newline = text.find('\n', begin);
  const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
  std::size_t first = begin;
  std::size_t last = newline == std::string_view::npos ? text.size() : newline;
  TrimBlanks(text, first, last);
  return {begin, end, first, last};
}

// The name of a "[name]" line, up to its last closing bracket.
std::optional<std::string_view> SectionName(std::string_view text, const Line& line) {
  if (line.IsBlank() || text[line.first] != '[') return std::nullopt;
  const std::string_view content = text.substr(line.first, line.last - line.first);
  const std::size_t close = content.rfind(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trimmed(text, line.first + 1, line.first + close);
}

// Where a key line's value lies, blanks around it excluded.
struct KeyLine {
  std::string_view name;
  std::size_t valueBegin;
  std::size_t valueEnd;
};

std::optional<KeyLine> KeyOf(std::string_view text, const Line& line) {
  const std::size_t offset = text.substr(line.first, line.last - line.first).find('=');
  if (offset == std::string_view::npos) return std::nullopt;
  const std::size_t equals = line.first + offset;
  std::size_t valueBegin = equals + 1;
  std::size_t valueEnd = line.last;
  TrimBlanks(text, valueBegin, valueEnd);
  return KeyLine{Trimmed(text, line.first, equals), valueBegin, valueEnd};
}

// The lines of one section after its header: [bodyBegin, bodyEnd).
struct Section {
  std::size_t bodyBegin;
  std::size_t bodyEnd;
};

std::optional<Section> FindSection(std::string_view text, std::string_view name) {
  std::optional<Section> found;
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.end;
    const std::optional<std::string_view> header = SectionName(text, line);
    if (!header) continue;
    if (found) {
      found->bodyEnd = line.begin;
      return found;
    }
    if (SameName(*header, name)) found = Section{line.end, text.size()};
  }
  return found;
}

struct KeySearch {
  std::optional<KeyLine> key;
  // Where a missing key would go: after the section's last non-blank line.
  std::size_t insertAt;
};

KeySearch FindKey(std::string_view text, const Section& section, std::string_view name) {
  KeySearch search{std::nullopt, section.bodyBegin};
  for (std::size_t pos = section.bodyBegin; pos < section.bodyEnd;) {
    const Line line = LineAt(text, pos);
    pos = line.end;
    if (line.IsBlank()) continue;
    search.insertAt = line.end;
    const std::optional<KeyLine> key = KeyOf(text, line);
    if (key && SameName(key->name, name)) {
      search.key = key;
      return search;
    }
  }
  return search;
}

std::string_view WithoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view UpToLineBreak(std::string_view value) {
  return value.substr(0, std::min(value.find_first_of(std::string_view("\r\n\0", 3)), value.size()));
}

// Reading a value drops the blanks around it and one pair of enclosing
// quotes. A value that would lose either is written inside quotes of its
// own, so that it reads back as it was set and saving what was read changes
// nothing (a file holding ""x"" would otherwise lose a pair at every save).
bool NeedsOwnQuotes(std::string_view value) {
  if (value.empty()) return false;
  return IsBlank(value.front()) || IsBlank(value.back()) || WithoutQuotes(value).size() != value.size();
}

std::string Spelled(std::string_view value) {
  if (!NeedsOwnQuotes(value)) return std::string(value);
  std::string quoted = "\"";
  quoted.append(value).append("\"");
  return quoted;
}

void AppendKeyLine(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(value).append(kLineEnd);
}

}  // namespace

std::optional<std::string> PrivateProfile::Get(std::string_view section, std::string_view key) const {
  const std::optional<Section> found = FindSection(bytes_, section);
  if (!found) return std::nullopt;
  const KeySearch search = FindKey(bytes_, *found, key);
  if (!search.key) return std::nullopt;
  std::string_view value(bytes_);
  value = WithoutQuotes(value.substr(search.key->valueBegin, search.key->valueEnd - search.key->valueBegin));
  return std::string(value.substr(0, std::min(value.find('\0'), value.size())));
}

void PrivateProfile::Set(std::string_view section, std::string_view key, std::string_view text) {
  const std::string spelled = Spelled(UpToLineBreak(text));
  const std::string_view value = spelled;
  const std::optional<Section> found = FindSection(bytes_, section);
  if (!found) {
    if (!bytes_.empty() && bytes_.back() != '\n') bytes_.append(kLineEnd);
    bytes_.append("[").append(section).append("]").append(kLineEnd);
    AppendKeyLine(bytes_, key, value);
    return;
  }
  const KeySearch search = FindKey(bytes_, *found, key);
  if (search.key) {
    bytes_.replace(search.key->valueBegin, search.key->valueEnd - search.key->valueBegin, value);
    return;
  }
  std::string line;
  // The line before may be the file's last one, without a line end.
  if (search.insertAt > 0 && bytes_[search.insertAt - 1] != '\n') line += kLineEnd;
  AppendKeyLine(line, key, value);
  bytes_.insert(search.insertAt, line);
}

}  // namespace settings
