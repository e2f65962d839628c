// XmlReader: the pull reader of the configuration dialect (defines.xml, install.xml, props.xml and
// the defines texts of the attached payload).
//
// The dialect is small and has rules of its own; it is not conforming XML. There is no DTD, no
// CDATA, no character reference, no namespace. Text is whitespace-collapsed, a double quote in
// text starts a literal stretch (an unbalanced one swallows the rest of the input), and a comment
// is only recognised when "<!--" is followed by whitespace. Files are UTF-16LE, one 16-bit unit
// one character; a byte-order mark is skipped by looking at the first byte only.
//
// Traps:
//   - Element names are kept whole (not cut to an 8-bit form), so an end tag matches its start
//     tag exactly whatever characters the name holds.
//   - The open elements are limited to kMaxElementPathLength characters of path ("Element Path
//     Too Long"): without a bound, input nesting elements millions deep would cost time quadratic
//     in its size, since every node carries a copy of the path. Real documents nest four deep.
//   - Whitespace is U+0009 to U+000D and U+0020 only, not the platform's wider classification,
//     so a document reads the same on every system and in the native tools.
//   - The reader does not check that every element was closed: input that ends between nodes
//     with elements open ends without an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/xml_node.h"
#include "platform/system.h"

namespace vorlax {

// Longest path of open elements, joined by "/", that the reader accepts.
constexpr std::size_t kMaxElementPathLength = 1024;

class XmlReader {
 public:
  XmlReader() = default;
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // Opens the file through the system seam. False, with the error "Unable to open file " + path
  // and line 0, when it cannot be opened.
  bool OpenFile(const std::u16string& path);
  // Reads text instead of a file: line 1, no error, no file name.
  void OpenText(const std::u16string& text);

  // Fills *node (reset first) with the next node. False when there is none: the input ended
  // cleanly between nodes (HasError false) or an error occurred (HasError true).
  bool Next(XmlNode* node);

  bool HasError() const { return hasError_; }
  // The message of the last error, without line or file.
  const std::u16string& GetErrorText() const { return errorText_; }
  int32_t GetLine() const { return line_; }
  const std::u16string& GetFileName() const { return fileName_; }

 private:
  // What handling one character did to the token being read.
  enum class Step { kContinue, kFinished, kError };
  // The tokenizer's locals for one token.
  struct TokenState {
    bool inQuotes = false;
    bool closingQuoteSeen = false;
    bool pendingSpace = false;
    bool inAttributes = false;
    bool afterEquals = false;
    std::u16string attrName;
    std::u16string attrValue;
  };

  void Reset();
  void CloseSource();
  bool ReadByte(uint8_t* byte);
  bool ReadChar(char16_t* c);
  void PushBack(const std::u16string& text);
  bool ReadToken(XmlNode* node);
  Step HandleChar(char16_t c, XmlNode* node, TokenState* token);
  Step HandleComment(char16_t c, XmlNode* node);
  Step HandleInstruction(char16_t c, XmlNode* node);
  Step HandleOrdinary(char16_t c, XmlNode* node, TokenState* token);
  void HandleAttributeChar(char16_t c, XmlNode* node, TokenState* token);
  Step CloseTag(XmlNode* node, TokenState* token);
  Step CloseStartTag(XmlNode* node, TokenState* token);
  Step CloseEndTag(XmlNode* node);
  Step Fail(const char* message);
  Step Fail(const std::u16string& message);

  std::u16string fileName_;
  std::u16string errorText_;
  int32_t line_ = 0;
  FileHandle file_ = kNoFile;
  bool hasError_ = false;
  std::vector<char16_t> pushback_;  // a stack: the back is read first
  std::u16string elementPath_;

  std::vector<uint8_t> buffer_;  // bytes read ahead from the file
  std::size_t bufferPos_ = 0;
};

}  // namespace vorlax
