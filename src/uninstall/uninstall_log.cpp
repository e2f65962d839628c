// Reading the install log: lines, elements, entities, and the order the installer writes them in.
#include "uninstall/uninstall_log.h"

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

// A log larger than this is not one the installer wrote (one line per file, value and key).
constexpr int64_t kMaxLogBytes = 64 * 1024 * 1024;
constexpr uint32_t kReadChunk = 64 * 1024;

struct Entity {
  const char16_t* name;  // with "&" and ";"
  char16_t character;
};

const Entity kEntities[] = {
    {u"&cr;", u'\n'},  {u"&lf;", u'\r'}, {u"&quot;", u'"'}, {u"&amp;", u'&'},
    {u"&apos;", u'\''}, {u"&lt;", u'<'},  {u"&gt;", u'>'},  {u"&nbsp;", u' '},
};

// One line of the log split into its tag and, for an element with text, the text (still escaped).
struct LogLine {
  std::u16string tag;   // "InstallLog", "/Registry", "File", ...
  std::u16string text;
  bool hasText = false;  // "<Tag>text</Tag>" rather than "<Tag>" alone
};

// Where the reader is in the installer's order of lines.
enum class Place { kBeforeRoot, kBody, kRegistry, kRegValueKey, kRegValueName, kRegValueEnd, kEnd };

std::u16string LineError(std::size_t number, const char* what, const std::u16string& line) {
  return Ascii("line ") + DecimalText(static_cast<long long>(number)) + u": " + Ascii(what) +
         u" '" + line + u"'";
}

// Splits "<Tag>" or "<Tag>text</Tag>" (after the indentation TABs). False for anything else.
bool SplitLine(const std::u16string& raw, LogLine* line) {
  std::size_t start = raw.find_first_not_of(u'\t');
  if (start == std::u16string::npos || raw[start] != u'<') return false;
  std::size_t close = raw.find(u'>', start);
  if (close == std::u16string::npos || close == start + 1) return false;
  line->tag = raw.substr(start + 1, close - start - 1);
  line->hasText = close + 1 < raw.size();
  if (!line->hasText) return true;
  std::u16string end = u"</" + line->tag + u">";
  if (raw.size() < close + 1 + end.size() || raw.compare(raw.size() - end.size(), end.size(), end) != 0) {
    return false;
  }
  line->text = raw.substr(close + 1, raw.size() - end.size() - close - 1);
  return true;
}

// The lines of the text, each without its LF and the CRs before it; blank lines dropped.
std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(u'\n', begin);
    if (end == std::u16string::npos) end = text.size();
    std::size_t last = end;
    while (last > begin && text[last - 1] == u'\r') --last;
    if (last > begin) lines.push_back(text.substr(begin, last - begin));
    begin = end + 1;
  }
  return lines;
}

// The element lists of the body that hold one text each.
std::vector<std::u16string>* BodyList(UninstallLog* log, const std::u16string& tag, bool afterRegistry) {
  if (tag == u"UninstallDeltree") return &log->deltrees;
  if (tag == u"UserDirectory") return &log->userDirectories;
  if (tag == u"UninstallDelRegKey") return &log->deleteKeys;
  if (tag == u"UserRegKey") return &log->userKeys;
  if (tag == u"File") return afterRegistry ? &log->shortcutFiles : &log->productFiles;
  return nullptr;
}

class LogParser {
 public:
  explicit LogParser(UninstallLog* log) : log_(log) {}

  // Takes one line; false with *error set when it does not belong where it stands.
  bool Take(std::size_t number, const std::u16string& raw, std::u16string* error) {
    LogLine line;
    if (!SplitLine(raw, &line)) return Fail(number, "not an element", raw, error);
    std::u16string text;
    if (line.hasText && !UnescapeLogText(line.text, &text, error)) {
      *error = LineError(number, "bad text", raw) + u" (" + *error + u")";
      return false;
    }
    if (!Step(line, text)) return Fail(number, "unexpected element", raw, error);
    return true;
  }

  bool Finished() const { return place_ == Place::kEnd; }

 private:
  bool Fail(std::size_t number, const char* what, const std::u16string& raw, std::u16string* error) {
    *error = LineError(number, what, raw);
    return false;
  }

  bool Step(const LogLine& line, const std::u16string& text) {
    switch (place_) {
      case Place::kBeforeRoot:
        return Tagged(line, u"InstallLog", Place::kBody);
      case Place::kBody:
      case Place::kRegistry:
        return BodyStep(line, text);
      case Place::kRegValueKey:
        if (!line.hasText || line.tag != u"Key") return false;
        log_->registryValues.push_back({text, std::u16string()});
        place_ = Place::kRegValueName;
        return true;
      case Place::kRegValueName:
        if (!line.hasText || line.tag != u"Name") return false;
        log_->registryValues.back().name = text;
        place_ = Place::kRegValueEnd;
        return true;
      case Place::kRegValueEnd:
        return Tagged(line, u"/RegValue", Place::kRegistry);
      case Place::kEnd:
        return false;
    }
    return false;
  }

  bool Tagged(const LogLine& line, const char16_t* tag, Place next) {
    if (line.hasText || line.tag != tag) return false;
    place_ = next;
    return true;
  }

  bool BodyStep(const LogLine& line, const std::u16string& text) {
    bool inRegistry = place_ == Place::kRegistry;
    if (!line.hasText) {
      if (line.tag == u"/InstallLog") return Tagged(line, u"/InstallLog", Place::kEnd);
      if (inRegistry && line.tag == u"RegValue") return Tagged(line, u"RegValue", Place::kRegValueKey);
      if (inRegistry && line.tag == u"/Registry") {
        log_->registryComplete = true;
        return Tagged(line, u"/Registry", Place::kBody);
      }
      if (!inRegistry && !sawRegistry_ && line.tag == u"Registry") {
        sawRegistry_ = true;
        return Tagged(line, u"Registry", Place::kRegistry);
      }
      return false;
    }
    if (inRegistry) return false;
    if (line.tag == u"InstallName") {
      if (sawName_) return false;
      sawName_ = true;
      log_->installName = text;
      return true;
    }
    std::vector<std::u16string>* list = BodyList(log_, line.tag, sawRegistry_);
    if (!list) return false;
    list->push_back(text);
    return true;
  }

  UninstallLog* log_;
  Place place_ = Place::kBeforeRoot;
  bool sawRegistry_ = false;
  bool sawName_ = false;
};

}  // namespace

bool UnescapeLogText(const std::u16string& text, std::u16string* out, std::u16string* error) {
  out->clear();
  for (std::size_t i = 0; i < text.size();) {
    char16_t c = text[i];
    if (c == u'<' || c == u'>') {
      *error = u"'" + std::u16string(1, c) + u"' inside a text";
      return false;
    }
    if (c != u'&') {
      out->push_back(c);
      ++i;
      continue;
    }
    const Entity* found = nullptr;
    for (const Entity& entity : kEntities) {
      std::u16string name = entity.name;
      if (text.compare(i, name.size(), name) == 0) found = &entity;
    }
    if (!found) {
      std::size_t end = text.find(u';', i);
      *error = u"unknown entity '" + text.substr(i, end == std::u16string::npos ? 1 : end - i + 1) + u"'";
      return false;
    }
    out->push_back(found->character);
    i += std::u16string(found->name).size();
  }
  return true;
}

bool ParseUninstallLog(const std::string& bytes, UninstallLog* log, std::u16string* error) {
  *log = UninstallLog();
  if (bytes.size() % 2 != 0) {
    *error = u"odd number of bytes: not UTF-16LE text";
    return false;
  }
  std::u16string text = FromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  LogParser parser(log);
  std::vector<std::u16string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!parser.Take(i + 1, lines[i], error)) return false;
  }
  if (!parser.Finished()) {
    *error = lines.empty() ? u"the log is empty" : u"the log does not end with </InstallLog>";
    return false;
  }
  return true;
}

bool ReadUninstallLog(const std::u16string& path, UninstallLog* log, std::u16string* error) {
  System& system = *State().system;
  FileHandle file = system.OpenFile(path, FileAccess::kRead);
  if (file == kNoFile) {
    *error = u"cannot open '" + path + u"'";
    return false;
  }
  std::string bytes;
  std::string chunk(kReadChunk, '\0');
  int64_t got = 0;
  while ((got = system.ReadFile(file, &chunk[0], kReadChunk)) > 0) {
    bytes.append(chunk.data(), static_cast<std::size_t>(got));
    if (static_cast<int64_t>(bytes.size()) > kMaxLogBytes) break;
  }
  system.CloseFile(file);
  if (got < 0 || static_cast<int64_t>(bytes.size()) > kMaxLogBytes) {
    *error = u"cannot read '" + path + u"'";
    return false;
  }
  return ParseUninstallLog(bytes, log, error);
}

}  // namespace vorlax
