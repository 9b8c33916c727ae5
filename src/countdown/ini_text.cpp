#include "countdown/ini_text.h"

#include <cstddef>

namespace vendaro {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

bool IsLeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

// The length of the character that starts at i: a lead byte takes the next byte
// with it, whatever that byte is, as the code page 936 converter does.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

// Where the first single-byte character c stands, or npos.
std::size_t FindChar(std::string_view text, char c, std::size_t from = 0) {
  for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  // Walk forward: the end of the last non-blank character is only known that way.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    const std::size_t n = CharLength(text, i);
    if (n == 2 || !IsBlank(text[i])) end = i + n;
    i += n;
  }
  return text.substr(begin, end - begin);
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() < 2 || (value.front() != '"' && value.front() != '\'')) return value;
  std::size_t last = 0;
  for (std::size_t i = 0; i < value.size(); i += CharLength(value, i)) last = i;
  if (last == value.size() - 1 && value[last] == value.front()) return value.substr(1, value.size() - 2);
  return value;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = CharLength(a, i);
    if (n == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

enum class LineKind { Section, Text, Blank, Key, Other };  // Text: not told apart yet

struct Line {
  std::size_t begin = 0;  // first byte of the line
  std::size_t end = 0;    // its line end (or the end of the file)
  std::size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Text;
  std::string_view name;        // section or key name, trimmed
  std::size_t valueBegin = 0;   // key lines: the byte after "="
  std::string_view value;       // key lines: trimmed and unquoted
};

// Where the first line starts: after a UTF-8 byte-order mark, if the file has one.
std::size_t FirstLineBegin(std::string_view file) {
  return file.substr(0, kUtf8Mark.size()) == kUtf8Mark ? kUtf8Mark.size() : 0;
}

// Walks a file line by line. Every line is checked for a section header; only the
// lines of the section looked for need telling apart further, so the rest of a
// large file costs a scan for line ends and little more.
class LineReader {
 public:
  explicit LineReader(std::string_view file) : file_(file), pos_(FirstLineBegin(file)) {}

  bool Next(Line& line) {
    if (pos_ >= file_.size()) return false;
    const char* const data = file_.data();
    const std::size_t size = file_.size();
    std::size_t i = pos_;
    while (i < size && data[i] != '\r' && data[i] != '\n') ++i;
    line = Line{};
    line.begin = pos_;
    line.end = i;
    if (i < size) i += (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
    line.next = pos_ = i;

    std::size_t first = line.begin;
    while (first < line.end && IsBlank(data[first])) ++first;
    if (first < line.end && data[first] == '[') {
      const std::string_view text = file_.substr(first, line.end - first);
      const std::size_t close = FindChar(text, ']', 1);
      if (close != std::string_view::npos) {
        line.kind = LineKind::Section;
        line.name = TrimBlanks(text.substr(1, close - 1));
      }
    }
    return true;
  }

  // Tells a line that is no section header apart: blank, key line or other.
  void Classify(Line& line) const {
    if (line.kind != LineKind::Text) return;
    const std::string_view raw = file_.substr(line.begin, line.end - line.begin);
    const std::string_view text = TrimBlanks(raw);
    if (text.empty()) {
      line.kind = LineKind::Blank;
      return;
    }
    const std::size_t equals = FindChar(text, '=');
    if (equals == std::string_view::npos) {
      line.kind = LineKind::Other;
      return;
    }
    line.kind = LineKind::Key;
    line.name = TrimBlanks(text.substr(0, equals));
    line.valueBegin = line.begin + static_cast<std::size_t>(text.data() - raw.data()) + equals + 1;
    line.value = StripQuotes(TrimBlanks(text.substr(equals + 1)));
  }

 private:
  std::string_view file_;
  std::size_t pos_;
};

// What one pass over the file finds out about a section and a key in it.
struct Finding {
  bool sectionFound = false;
  bool keyFound = false;
  Line key;                    // the key's line, when found
  std::size_t insertAt = 0;    // where a new key line of the section goes
  bool needsLineEnd = false;   // the line before insertAt has no line end (the file's last line)
};

Finding Find(std::string_view file, std::string_view section, std::string_view key) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  Finding found;
  const auto insertAfter = [&found](const Line& line) {
    found.insertAt = line.next;
    found.needsLineEnd = line.next == line.end;
  };
  // The lines ahead of the first header form a section without a name.
  bool inSection = section.empty();
  found.sectionFound = inSection;
  found.insertAt = FirstLineBegin(file);
  LineReader reader(file);
  Line line;
  while (reader.Next(line)) {
    if (line.kind == LineKind::Section) {
      if (found.sectionFound) break;  // only the first section of the name counts
      inSection = found.sectionFound = NamesMatch(line.name, section);
      if (inSection) insertAfter(line);
      continue;
    }
    if (!inSection) continue;
    reader.Classify(line);
    if (line.kind == LineKind::Blank) continue;
    insertAfter(line);
    if (line.kind == LineKind::Key && NamesMatch(line.name, key)) {
      found.keyFound = true;
      found.key = line;
      break;
    }
  }
  return found;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view file, std::string_view section,
                                        std::string_view key) {
  const Finding found = Find(file, section, key);
  if (!found.keyFound) return std::nullopt;
  return std::string(found.key.value);
}

std::string ApplyIniUpdate(std::string_view file, std::string_view section, std::string_view key,
                           std::string_view value) {
  const std::string cleanSection = WithoutLineBreaks(section);
  const std::string cleanKey = WithoutLineBreaks(key);
  const std::string cleanValue = WithoutLineBreaks(value);
  const Finding found = Find(file, cleanSection, cleanKey);

  std::string out;
  out.reserve(file.size() + cleanSection.size() + cleanKey.size() + cleanValue.size() + 8);
  if (found.keyFound) {
    out.append(file.substr(0, found.key.valueBegin));
    out.append(cleanValue);
    out.append(file.substr(found.key.end));
    return out;
  }

  const auto appendKeyLine = [&] {
    out.append(cleanKey);
    out += '=';
    out.append(cleanValue);
    out.append(kLineEnd);
  };
  if (found.sectionFound) {
    out.append(file.substr(0, found.insertAt));
    if (found.needsLineEnd) out.append(kLineEnd);
    appendKeyLine();
    out.append(file.substr(found.insertAt));
    return out;
  }

  out.append(file);
  if (file.size() > FirstLineBegin(file) && file.back() != '\n' && file.back() != '\r') {
    out.append(kLineEnd);
  }
  out += '[';
  out.append(cleanSection);
  out += ']';
  out.append(kLineEnd);
  appendKeyLine();
  return out;
}

}  // namespace vendaro
