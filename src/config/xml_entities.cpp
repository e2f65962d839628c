// DecodeEntities: the small fixed entity set of the configuration dialect (no character
// references, no DTD).
#include "config/xml_node.h"

namespace vorlax {

namespace {

struct Entity {
  const char16_t* name;
  char16_t character;
};

constexpr Entity kEntities[] = {
    {u"lt", u'<'},   {u"amp", u'&'},  {u"gt", u'>'}, {u"quot", u'"'},
    {u"apos", u'\''}, {u"nbsp", u' '}, {u"cr", u'\n'},
};

// The character an entity name stands for; "&" for a name the dialect does not know.
char16_t EntityCharacter(const std::u16string& name) {
  for (const Entity& entity : kEntities) {
    if (name == entity.name) return entity.character;
  }
  return u'&';
}

}  // namespace

std::u16string DecodeEntities(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size());
  // Once no ";" follows some "&", none follows any later one either; remembering that keeps a
  // text full of "&" linear.
  bool semicolonsLeft = true;
  std::size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    std::size_t end = std::u16string::npos;
    if (c == u'&' && semicolonsLeft) {
      end = text.find(u';', i + 1);
      if (end == std::u16string::npos) semicolonsLeft = false;
    }
    if (end == std::u16string::npos) {
      out.push_back(c);
      ++i;
      continue;
    }
    out.push_back(EntityCharacter(text.substr(i + 1, end - i - 1)));
    i = end + 1;
  }
  return out;
}

}  // namespace vorlax
