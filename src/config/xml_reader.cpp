// XmlReader: reading characters (pushback first, then the file) and the tokenizer rules.
//
// Each character is handled by the first rule that applies: comment body, instruction body,
// double quote, quoted stretch, "<", ">", "/" and "?" right after "<", whitespace, skipped
// characters, illegal control characters, and finally the ordinary character (text, end-tag name,
// or the attribute rules of a start tag).
#include "config/xml_reader.h"

#include "base/little_endian.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr char16_t kLineFeed = u'\n';
constexpr char16_t kQuote = u'"';
constexpr char16_t kPathSeparator = u'/';
constexpr char16_t kCommentOpener[] = u"!--";
constexpr char16_t kCommentCloser[] = u"-->";
constexpr std::size_t kCommentCloserLength = 3;
constexpr std::size_t kInstructionCloserLength = 2;  // "?>"

bool IsXmlSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

// Characters the reader drops wherever they occur outside quotes, comments and instructions: NUL
// and a byte-order mark read as one character (U+FEFF, or U+FFFE when its bytes are swapped), as
// at the start of a defines text that carries one.
//
// Mended: skipping the two mark bytes as the characters U+00FE and U+00FF, as an 8-bit reader
// would, can never meet a mark in 16-bit input; it would only delete the letters "þ" and "ÿ" from
// localised texts. Those are ordinary characters here.
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kSwappedByteOrderMark = 0xFFFE;
bool IsSkipped(char16_t c) { return c == 0x00 || c == kByteOrderMark || c == kSwappedByteOrderMark; }

bool EndsWith(const std::u16string& text, const std::u16string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Byte-order marks are recognised by their first byte: 0xFF (UTF-16LE), 0xFE (UTF-16BE, read
// wrongly but harmlessly) and 0x00.
bool StartsWithMark(uint8_t firstByte) {
  return firstByte == 0xFF || firstByte == 0xFE || firstByte == 0x00;
}

}  // namespace

XmlReader::~XmlReader() { CloseSource(); }

void XmlReader::CloseSource() {
  if (file_ != kNoFile) State().system->CloseFile(file_);
  file_ = kNoFile;
  buffer_.clear();
  bufferPos_ = 0;
  pushback_.clear();
}

void XmlReader::Reset() {
  elementPath_.clear();
  line_ = 1;
  hasError_ = false;
  errorText_.clear();
}

bool XmlReader::OpenFile(const std::u16string& path) {
  CloseSource();
  fileName_.clear();
  file_ = State().system->OpenFile(path, FileAccess::kRead);
  if (file_ == kNoFile) {
    line_ = 0;
    hasError_ = true;
    errorText_ = u"Unable to open file " + path;
    return false;
  }
  // Reading starts at byte 2 after a mark, else at byte 0 (the byte just read is put back).
  uint8_t first = 0;
  if (ReadByte(&first)) {
    uint8_t second = 0;
    if (StartsWithMark(first)) ReadByte(&second);
    else --bufferPos_;
  }
  fileName_ = path;
  Reset();
  return true;
}

void XmlReader::OpenText(const std::u16string& text) {
  CloseSource();
  fileName_.clear();
  Reset();
  PushBack(text);
}

bool XmlReader::ReadByte(uint8_t* byte) {
  if (bufferPos_ == buffer_.size()) {
    if (file_ == kNoFile) return false;
    buffer_.resize(kReadChunk);
    int64_t got = State().system->ReadFile(file_, buffer_.data(), static_cast<uint32_t>(kReadChunk));
    buffer_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    bufferPos_ = 0;
    if (buffer_.empty()) return false;
  }
  *byte = buffer_[bufferPos_++];
  return true;
}

bool XmlReader::ReadChar(char16_t* c) {
  if (!pushback_.empty()) {
    *c = pushback_.back();
    pushback_.pop_back();
  } else if (bufferPos_ + 2 <= buffer_.size()) {
    *c = static_cast<char16_t>(ReadLe16(buffer_.data() + bufferPos_));
    bufferPos_ += 2;
  } else {
    // The character may straddle two reads.
    uint8_t pair[2] = {0, 0};
    if (!ReadByte(&pair[0]) || !ReadByte(&pair[1])) return false;
    *c = static_cast<char16_t>(ReadLe16(pair));
  }
  if (*c == kLineFeed) ++line_;
  return true;
}

void XmlReader::PushBack(const std::u16string& text) {
  pushback_.insert(pushback_.end(), text.rbegin(), text.rend());
}

XmlReader::Step XmlReader::Fail(const std::u16string& message) {
  hasError_ = true;
  errorText_ = message;
  return Step::kError;
}

XmlReader::Step XmlReader::Fail(const char* message) {
  std::u16string text;
  for (; *message; ++message) text.push_back(static_cast<char16_t>(*message));
  return Fail(text);
}

bool XmlReader::Next(XmlNode* node) {
  if (hasError_) return false;
  for (;;) {
    *node = XmlNode();
    node->path = elementPath_;
    if (!ReadToken(node)) return false;
    node->name = DecodeEntities(node->name);
    if (node->kind != XmlNodeKind::Comment) return true;
  }
}

// Reads characters until one token is finished (true) or the input ends or fails (false).
bool XmlReader::ReadToken(XmlNode* node) {
  TokenState token;
  for (;;) {
    char16_t c = 0;
    if (!ReadChar(&c)) {
      if (node->kind == XmlNodeKind::None) return false;
      Fail("Unexpected End of File");
      return false;
    }
    Step step = HandleChar(c, node, &token);
    if (step == Step::kFinished) return true;
    if (step == Step::kError) return false;
  }
}

XmlReader::Step XmlReader::HandleChar(char16_t c, XmlNode* node, TokenState* token) {
  XmlNodeKind kind = node->kind;
  if (kind == XmlNodeKind::Comment) return HandleComment(c, node);
  if (kind == XmlNodeKind::Instruction) return HandleInstruction(c, node);
  if (c == kQuote) {
    token->inQuotes = !token->inQuotes;
    if (!token->inQuotes) token->closingQuoteSeen = true;
    if (kind == XmlNodeKind::None || kind == XmlNodeKind::Text) return HandleOrdinary(c, node, token);
    return Step::kContinue;  // inside a tag the quotes themselves are dropped
  }
  if (token->inQuotes) return HandleOrdinary(c, node, token);
  if (c == u'<') {
    if (kind == XmlNodeKind::Text) {
      PushBack(u"<");
      return Step::kFinished;
    }
    if (kind != XmlNodeKind::None) return Fail("Unexpected '<'");
    node->kind = XmlNodeKind::StartTag;
    return Step::kContinue;
  }
  if (c == u'>') return CloseTag(node, token);
  if (kind == XmlNodeKind::StartTag && node->name.empty() && (c == u'/' || c == u'?')) {
    node->kind = c == u'/' ? XmlNodeKind::EndTag : XmlNodeKind::Instruction;
    return Step::kContinue;
  }
  if (IsXmlSpace(c)) {
    if (!node->name.empty()) token->pendingSpace = true;
    if (kind == XmlNodeKind::StartTag && node->name == kCommentOpener) {
      node->kind = XmlNodeKind::Comment;
    }
    return Step::kContinue;
  }
  if (IsSkipped(c)) return Step::kContinue;
  if (c <= 0x20) return Fail("Illegal Character");
  return HandleOrdinary(c, node, token);
}

XmlReader::Step XmlReader::HandleComment(char16_t c, XmlNode* node) {
  node->extra.push_back(c);
  if (c == u'>' && EndsWith(node->extra, kCommentCloser)) {
    node->extra.resize(node->extra.size() - kCommentCloserLength);
    return Step::kFinished;
  }
  return Step::kContinue;
}

// The target runs up to the first whitespace; extra starts with that whitespace and ends before
// the closing "?>".
XmlReader::Step XmlReader::HandleInstruction(char16_t c, XmlNode* node) {
  std::u16string& target = (!node->extra.empty() || IsXmlSpace(c)) ? node->extra : node->name;
  target.push_back(c);
  if (c == u'>' && target.size() >= kInstructionCloserLength && target[target.size() - 2] == u'?') {
    target.resize(target.size() - kInstructionCloserLength);
    return Step::kFinished;
  }
  return Step::kContinue;
}

XmlReader::Step XmlReader::HandleOrdinary(char16_t c, XmlNode* node, TokenState* token) {
  switch (node->kind) {
    case XmlNodeKind::None:
      node->kind = XmlNodeKind::Text;
      node->name.push_back(c);
      break;
    case XmlNodeKind::Text:
    case XmlNodeKind::EndTag:
      if (token->pendingSpace) node->name.push_back(u' ');
      token->pendingSpace = false;
      node->name.push_back(c);
      break;
    case XmlNodeKind::StartTag:
      HandleAttributeChar(c, node, token);
      break;
    default:
      break;  // comments and instructions never reach here
  }
  return Step::kContinue;
}

namespace {

// Adds one finished attribute: a repeated name replaces the value and gets a further order entry;
// the name "/" (of "<A />") gets none.
void AddAttribute(XmlNode* node, const std::u16string& name, const std::u16string& value) {
  node->attributes[name] = value;
  if (name != u"/") node->attributeOrder.push_back(name);
}

void AddPendingAttribute(XmlNode* node, std::u16string* name, std::u16string* value) {
  AddAttribute(node, DecodeEntities(*name), DecodeEntities(*value));
  name->clear();
  value->clear();
}

}  // namespace

// An ordinary character inside a start tag: the tag name until the first whitespace, then
// attribute names and values. "=" always switches to the value, even inside quotes, so "=" can
// never be part of a value.
void XmlReader::HandleAttributeChar(char16_t c, XmlNode* node, TokenState* token) {
  if (token->pendingSpace) {
    if (!token->inAttributes) {
      token->inAttributes = true;
      token->afterEquals = false;
    } else if (!token->afterEquals && c == u'=') {
      // whitespace before "=" is allowed
    } else if (token->afterEquals && token->attrValue.empty() && !token->closingQuoteSeen) {
      // whitespace after "=" is allowed
    } else {
      AddPendingAttribute(node, &token->attrName, &token->attrValue);
      token->afterEquals = false;
    }
    token->pendingSpace = false;
  }
  if (!token->inAttributes) {
    node->name.push_back(c);
  } else if (c == u'=') {
    token->afterEquals = true;
    token->closingQuoteSeen = false;
  } else if (token->afterEquals) {
    token->attrValue.push_back(c);
  } else {
    token->attrName.push_back(c);
  }
}

XmlReader::Step XmlReader::CloseTag(XmlNode* node, TokenState* token) {
  if (node->kind == XmlNodeKind::StartTag) return CloseStartTag(node, token);
  if (node->kind == XmlNodeKind::EndTag) return CloseEndTag(node);
  return Fail("Unexpected '>'");
}

XmlReader::Step XmlReader::CloseStartTag(XmlNode* node, TokenState* token) {
  bool selfClosing = false;
  if (token->attrName == u"/") {
    selfClosing = true;  // "<A />"
  } else if (!token->attrName.empty()) {
    std::u16string name = DecodeEntities(token->attrName);
    AddPendingAttribute(node, &token->attrName, &token->attrValue);
    std::u16string& value = node->attributes[name];
    if (!value.empty() && value.back() == u'/') {
      value.pop_back();  // "<A b="x"/>": the "/" landed in the value
      selfClosing = true;
    }
  } else if (!node->name.empty() && node->name.back() == u'/') {
    node->name.pop_back();  // "<A/>"
    selfClosing = true;
  }
  std::size_t added = node->name.size() + (elementPath_.empty() ? 0 : 1);
  if (elementPath_.size() + added > kMaxElementPathLength) return Fail("Element Path Too Long");
  if (selfClosing) PushBack(u"</" + node->name + u">");
  if (!elementPath_.empty()) elementPath_.push_back(kPathSeparator);
  elementPath_ += node->name;
  return Step::kFinished;
}

XmlReader::Step XmlReader::CloseEndTag(XmlNode* node) {
  if (elementPath_.empty()) return Fail("Unexpected End");
  std::size_t slash = elementPath_.rfind(kPathSeparator);
  std::size_t lastStart = slash == std::u16string::npos ? 0 : slash + 1;
  std::u16string last = elementPath_.substr(lastStart);
  if (last != node->name) {
    return Fail(u"End '" + node->name + u"' Doesn't Match Start '" + last + u"'");
  }
  elementPath_.resize(slash == std::u16string::npos ? 0 : slash);
  return Step::kFinished;
}

}  // namespace vorlax
