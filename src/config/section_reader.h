// SectionReader: the common walk of a configuration document over an XmlReader.
//
// A document is a tree of named elements ("sections") whose leaves hold text. The pieces: a
// document loop that accepts one root name (any number of times), body loops that dispatch child
// elements by name to field readers, a text-field reader, and one error path that decorates every
// complaint with " on Line N" and " in File '...'". Strict about structure (an unknown element,
// text where elements belong, an element inside a text field are errors), loose about content
// (missing elements keep their defaults, a repeated single-valued element overwrites,
// instructions are ignored everywhere). A document that simply stops with elements still open is
// no error: what was read until then stands.
//
// The reader being read exists only during a document read; errorFlag is never cleared.
#pragma once

#include <string>

#include "config/xml_node.h"
#include "config/xml_reader.h"

namespace vorlax {

class SectionReader {
 public:
  // The decorated message of the last error, for the caller to show.
  std::u16string GetErrorText() const { return errorText_; }
  bool HasError() const { return errorFlag_; }

 protected:
  // How "Unexpected Section" is worded for an element inside a text field: the properties file
  // quotes the name, the other documents do not.
  enum class SectionStyle { kPlain, kQuoted };

  // What a dispatch function did with a child start tag.
  enum class FieldResult { kUnknown, kRead, kFailed };

  explicit SectionReader(SectionStyle style = SectionStyle::kPlain) : style_(style) {}

  // Records message, decorated with the line (when above 0) and the file name (when known).
  void SetError(const std::u16string& message);

  // Reads the content of the element whose start tag was just delivered, up to its end tag. An
  // empty element reads as empty text; a later text node replaces an earlier one.
  bool ReadText(std::u16string* out);

  // Reads a document from a file or a text: body() runs for every root element named root and
  // answers false to stop. True when the document was read without error.
  template <typename Body>
  bool ReadDocumentFile(const std::u16string& path, const char16_t* root, Body body);
  template <typename Body>
  bool ReadDocumentText(const std::u16string& text, const char16_t* root, Body body);

  // Reads the children of the element whose start tag was just delivered. dispatch(startTag)
  // reads one child and answers kRead, kFailed, or kUnknown for a name it does not know;
  // complete() runs at the element's end tag, before the body answers true.
  template <typename Dispatch, typename Complete>
  bool ReadBody(Dispatch dispatch, Complete complete);
  template <typename Dispatch>
  bool ReadBody(Dispatch dispatch) {
    return ReadBody(dispatch, [] {});
  }

 private:
  template <typename Body>
  bool ReadDocument(XmlReader* xml, const char16_t* root, Body body);
  void SetInvalidSection(const std::u16string& name);
  void SetElementNotExpected(const std::u16string& text);

  XmlReader* xml_ = nullptr;  // the reader of the document being read, else none
  bool errorFlag_ = false;
  std::u16string errorText_;
  SectionStyle style_;
};

template <typename Body>
bool SectionReader::ReadDocumentFile(const std::u16string& path, const char16_t* root, Body body) {
  XmlReader xml;
  // A failed open needs no test here: the first Next answers false and the open error is
  // reported like any other reader error.
  xml.OpenFile(path);
  return ReadDocument(&xml, root, body);
}

template <typename Body>
bool SectionReader::ReadDocumentText(const std::u16string& text, const char16_t* root, Body body) {
  XmlReader xml;
  xml.OpenText(text);
  return ReadDocument(&xml, root, body);
}

template <typename Body>
bool SectionReader::ReadDocument(XmlReader* xml, const char16_t* root, Body body) {
  xml_ = xml;
  XmlNode node;
  while (xml->Next(&node)) {
    if (node.kind == XmlNodeKind::StartTag) {
      if (node.name != root) {
        SetInvalidSection(node.name);
        break;
      }
      if (!body()) break;
    } else if (node.kind == XmlNodeKind::Text) {
      SetElementNotExpected(node.name);
      break;
    }
  }
  if (xml->HasError()) SetError(xml->GetErrorText());
  xml_ = nullptr;
  return !errorFlag_;
}

template <typename Dispatch, typename Complete>
bool SectionReader::ReadBody(Dispatch dispatch, Complete complete) {
  XmlNode node;
  while (xml_->Next(&node)) {
    switch (node.kind) {
      case XmlNodeKind::StartTag: {
        FieldResult result = dispatch(node);
        if (result == FieldResult::kUnknown) SetInvalidSection(node.name);
        if (result != FieldResult::kRead) return false;
        break;
      }
      case XmlNodeKind::Text:
        SetElementNotExpected(node.name);
        return false;
      case XmlNodeKind::EndTag:
        complete();
        return true;
      default:
        break;  // instructions are ignored
    }
  }
  return false;
}

}  // namespace vorlax
