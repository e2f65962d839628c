// Scenario parsing for the robot (see scenario.h for the line syntax).
#include "scenario.h"

#include <windows.h>

#include <cstdio>

namespace robot {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

// Reads a quoted value starting just after the opening quote; *pos ends after the closing quote.
bool ReadQuoted(const std::wstring& text, size_t* pos, std::wstring* value, std::wstring* error) {
  while (*pos < text.size()) {
    wchar_t c = text[(*pos)++];
    if (c == L'"') return true;
    if (c != L'\\') {
      value->push_back(c);
      continue;
    }
    if (*pos >= text.size()) break;
    wchar_t escaped = text[(*pos)++];
    switch (escaped) {
      case L'"': value->push_back(L'"'); break;
      case L'\\': value->push_back(L'\\'); break;
      case L'n': value->push_back(L'\n'); break;
      case L't': value->push_back(L'\t'); break;
      default:
        *error = std::wstring(L"unknown escape \\") + escaped;
        return false;
    }
  }
  *error = L"unterminated quoted text";
  return false;
}

// Reads one argument (bare or with a quoted value) starting at a non-blank character.
bool ReadArgument(const std::wstring& text, size_t* pos, std::wstring* key, std::wstring* value,
                  bool* hasKey, std::wstring* error) {
  std::wstring word;
  *hasKey = false;
  while (*pos < text.size() && !IsBlank(text[*pos])) {
    wchar_t c = text[*pos];
    if (c == L'=' && !*hasKey) {
      *hasKey = true;
      *key = word;
      word.clear();
      ++*pos;
      continue;
    }
    if (c == L'"') {
      ++*pos;
      if (!ReadQuoted(text, pos, &word, error)) return false;
      continue;
    }
    word.push_back(c);
    ++*pos;
  }
  if (*hasKey && key->empty()) {
    *error = L"argument with an empty key";
    return false;
  }
  *value = word;
  return true;
}

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

}  // namespace

bool ParseScenarioLine(const std::wstring& text, int line, Step* step, std::wstring* error) {
  *step = Step();
  step->line = line;
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos == text.size() || text[pos] == L'#') return true;
  while (pos < text.size() && !IsBlank(text[pos])) step->command.push_back(text[pos++]);
  for (;;) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos == text.size()) return true;
    std::wstring key;
    std::wstring value;
    bool hasKey = false;
    if (!ReadArgument(text, &pos, &key, &value, &hasKey, error)) return false;
    if (hasKey) {
      step->named[key] = value;
    } else {
      step->positional.push_back(value);
    }
  }
}

bool LoadScenario(const std::wstring& path, std::vector<Step>* steps, std::wstring* error) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) {
    *error = L"cannot read scenario file " + path;
    return false;
  }
  std::string bytes;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);

  std::wstring text = FromUtf8(bytes);
  int line = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    ++line;
    Step step;
    std::wstring lineError;
    if (!ParseScenarioLine(text.substr(start, end - start), line, &step, &lineError)) {
      *error = L"line " + std::to_wstring(line) + L": " + lineError;
      return false;
    }
    if (!step.command.empty()) steps->push_back(step);
    start = end + 1;
  }
  return true;
}

}  // namespace robot
