// ExpandDefines: the %NAME% substitution with define commands.
//
// The rules: the scan always restarts at the beginning of the text, the "#" test is made again
// after every replacement, a leading "##" stands for a literal "#" (and is undone by the first
// pass), a "%" inside an inserted value takes part in later searches, a name that is not defined
// expands to nothing, and names are case-sensitive.
//
// Trap: a define whose expansion reaches itself again (A = "%A%", or A = "%B%" and B = "%A%", or
// A = "%A%%A%", which doubles at every level) would recurse or grow without end. Three bounds,
// all far beyond anything a real configuration uses, stop it; at any bound the reference that
// would pass it expands to empty text, so the result is still a finished text:
//   - kMaxExpansionDepth nested expansions (values within values, command arguments);
//   - kMaxExpansionSteps replacements and commands, and kMaxExpansionWork characters of raw
//     values, expanded values and command texts handled, for one outermost call, so a define
//     that refers to itself several times cannot take exponential time within the depth bound,
//     nor long values make each step slow;
//   - kMaxExpandedLength characters: a replacement may not make a text longer than that (or than
//     the text's own length, when it was longer to begin with), so a doubling define cannot take
//     unbounded memory; a long text is never cut.
// Once a budget is spent, every further reference expands to empty text and a define command is
// not run (its text becomes empty), so the remaining work only shrinks the text.
#include "config/define_commands.h"
#include "config/define_table.h"

#include <vector>

namespace vorlax {

namespace {

constexpr char16_t kReferenceMark = u'%';
constexpr char16_t kCommandMark = u'#';

class Expander {
 public:
  explicit Expander(DefineTable& defines) : defines_(defines) {}

  std::u16string Expand(const std::u16string& text, int depth);

 private:
  bool Exhausted() const { return steps_ >= kMaxExpansionSteps || work_ > kMaxExpansionWork; }
  bool Charge(std::size_t n);
  std::u16string ExpandValueOf(const std::u16string& name, int depth);
  std::u16string RunCommand(const std::u16string& text, int depth);

  DefineTable& defines_;
  int steps_ = 0;
  std::size_t work_ = 0;  // characters of raw values, results and commands handled, at every depth
};

// Charges n characters of work; false once the work budget is spent.
bool Expander::Charge(std::size_t n) {
  work_ += n;
  return work_ <= kMaxExpansionWork;
}

// The fully expanded value of a define, or empty text at the depth bound or once a budget is
// spent. The raw value is looked at in place, so an over-long one costs nothing to refuse; Expand
// copies it before anything runs, so a command that sets defines cannot change it underneath.
std::u16string Expander::ExpandValueOf(const std::u16string& name, int depth) {
  if (depth + 1 >= kMaxExpansionDepth || Exhausted()) return std::u16string();
  ++steps_;
  const std::u16string* raw = defines_.Find(name);
  if (raw == nullptr || !Charge(raw->size())) return std::u16string();
  std::u16string value = Expand(*raw, depth + 1);
  if (!Charge(value.size())) value.clear();
  return value;
}

// The text that replaces the command text: the command's result when it succeeds, else the
// else part. Arguments are expanded (one level deeper) before the command runs.
std::u16string Expander::RunCommand(const std::u16string& text, int depth) {
  if (depth + 1 >= kMaxExpansionDepth || Exhausted()) return std::u16string();
  ++steps_;
  if (!Charge(text.size())) return std::u16string();
  DefineCommandText command = ParseDefineCommand(text);
  std::vector<std::u16string> arguments;
  arguments.reserve(command.arguments.size());
  for (const std::u16string& raw : command.arguments) arguments.push_back(Expand(raw, depth + 1));
  std::u16string out;
  if (RunDefineCommand(command.name, arguments, &out)) return out;
  return command.elsePart;
}

// The text being expanded, as a finished prefix and the pending rest. Nothing before the first
// "%" changes when a reference is replaced, so the characters before it are moved to the
// finished prefix for good and the search resumes there: the same result as a search from the
// beginning, in time linear in the text. The rest is kept reversed, so taking a reference off its
// front and putting the value in its place cost only their own lengths.
class ExpansionText {
 public:
  explicit ExpansionText(const std::u16string& text) { Assign(text); }

  void Assign(const std::u16string& text) {
    done_.clear();
    doneStart_ = 0;
    pending_.assign(text.rbegin(), text.rend());
  }
  std::size_t size() const { return done_.size() - doneStart_ + pending_.size(); }
  // Character i of the whole text (i < size()).
  char16_t at(std::size_t i) const {
    std::size_t doneSize = done_.size() - doneStart_;
    return i < doneSize ? done_[doneStart_ + i] : pending_[pending_.size() - 1 - (i - doneSize)];
  }
  void EraseFirst() {
    if (done_.size() > doneStart_) ++doneStart_;
    else pending_.pop_back();
  }
  std::u16string Whole() const {
    return done_.substr(doneStart_) + std::u16string(pending_.rbegin(), pending_.rend());
  }
  // Moves the pending characters before the next "%" to the finished prefix. False when the
  // pending rest holds no pair of "%" (the expansion is complete; everything is then finished).
  bool FindReference(std::u16string* name) {
    while (!pending_.empty() && pending_.back() != kReferenceMark) {
      done_.push_back(pending_.back());
      pending_.pop_back();
    }
    std::size_t closeFromEnd = 0;  // index in pending_ of the closing "%"
    bool found = false;
    for (std::size_t k = pending_.size(); k-- > 1;) {
      if (pending_[k - 1] == kReferenceMark) {
        closeFromEnd = k - 1;
        found = true;
        break;
      }
    }
    if (!found) {
      done_.append(pending_.rbegin(), pending_.rend());
      pending_.clear();
      return false;
    }
    name->assign(pending_.rbegin() + 1, pending_.rbegin() + (pending_.size() - closeFromEnd - 1));
    pending_.resize(closeFromEnd);  // drops the reference with both "%"
    return true;
  }
  void InsertValue(const std::u16string& value) {
    pending_.insert(pending_.end(), value.rbegin(), value.rend());
  }
  std::u16string Result() const { return done_.substr(doneStart_); }

 private:
  std::u16string done_;
  std::size_t doneStart_ = 0;      // characters erased from the front of done_
  std::vector<char16_t> pending_;  // reversed: the back is the next character
};

std::u16string Expander::Expand(const std::u16string& text, int depth) {
  // Most values are plain text: nothing to replace, no command.
  bool command = text.size() >= 2 && text[0] == kCommandMark;
  if (!command && text.find(kReferenceMark) == std::u16string::npos) return text;
  // A text may always keep its own length; it only cannot grow past the cap.
  const std::size_t limit = text.size() > kMaxExpandedLength ? text.size() : kMaxExpandedLength;
  ExpansionText w(text);
  bool testCommand = true;
  for (;;) {
    if (testCommand && w.size() >= 2 && w.at(0) == kCommandMark) {
      if (w.at(1) != kCommandMark) {
        w.Assign(RunCommand(w.Whole(), depth));
        continue;
      }
      w.EraseFirst();  // a leading "##" stands for a literal "#"
    }
    testCommand = false;
    std::u16string name;
    if (!w.FindReference(&name)) break;
    std::u16string value = ExpandValueOf(name, depth);
    std::size_t room = w.size() < limit ? limit - w.size() : 0;
    if (value.size() > room) value.clear();
    w.InsertValue(value);
    testCommand = true;
  }
  return w.Result();
}

}  // namespace

std::u16string ExpandDefines(DefineTable& defines, const std::u16string& text) {
  Expander expander(defines);
  return expander.Expand(text, 0);
}

}  // namespace vorlax
