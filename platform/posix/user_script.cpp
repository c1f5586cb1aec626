#include "platform/posix/user_script.h"

#include <charconv>
#include <map>

#include "platform/message_box.h"

namespace platform::headless {
namespace {

struct Word {
  std::string text;
  bool quoted = false;
};

// Words separated by blanks; a word beginning with '#' starts a comment; a
// double-quoted word is taken literally and may hold blanks.
bool SplitWords(std::string_view line, std::vector<Word>& words, std::string& problem) {
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ' || line[at] == '\t' || line[at] == '\r') {
      ++at;
    } else if (line[at] == '#') {
      break;
    } else if (line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      if (close == std::string_view::npos) {
        problem = "a quoted text is not closed";
        return false;
      }
      words.push_back({std::string(line.substr(at + 1, close - at - 1)), true});
      at = close + 1;
    } else {
      const std::size_t end = line.find_first_of(" \t\r\"", at);
      words.push_back({std::string(line.substr(at, end - at)), false});
      at = end == std::string_view::npos ? line.size() : end;
    }
  }
  return true;
}

bool ToNumber(const Word& word, long long low, long long high, long long& value) {
  if (word.quoted) return false;
  std::string_view text = word.text;
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  return error == std::errc() && stop == end && !text.empty() && value >= low && value <= high;
}

// Reads the words of one step after its verb.
class StepReader {
 public:
  StepReader(const std::vector<Word>& words, std::size_t first, std::string& problem)
      : words_(words), at_(first), problem_(problem) {}

  bool More() const { return at_ < words_.size(); }

  bool Number(const char* what, long long low, long long high, long long& value) {
    if (!More()) return Fail(std::string("missing ") + what);
    if (!ToNumber(words_[at_], low, high, value)) {
      return Fail(std::string("\"") + words_[at_].text + "\" is not a " + what + " from " + std::to_string(low) +
                  " to " + std::to_string(high));
    }
    ++at_;
    return true;
  }

  bool Coordinate(int& value) {
    long long number = 0;
    if (!Number("client coordinate", -32768, 32767, number)) return false;
    value = static_cast<int>(number);
    return true;
  }

  bool Text(const char* what, std::string& text) {
    if (!More()) return Fail(std::string("missing ") + what);
    text = words_[at_++].text;
    return true;
  }

  // A number names a control by id; any other word, or a quoted text, by caption.
  bool Control(ControlName& control) {
    if (!More()) return Fail("missing control (an id or a caption)");
    long long id = 0;
    if (ToNumber(words_[at_], -1, 65535, id)) {
      control.id = static_cast<int>(id);
    } else {
      control.caption = words_[at_].text;
    }
    ++at_;
    return true;
  }

  // Key names after a mouse action's points: each adds its kMouse... flag.
  bool Keys(const std::map<std::string, unsigned>& names, unsigned& keys) {
    for (; More(); ++at_) {
      auto found = names.find(words_[at_].text);
      if (words_[at_].quoted || found == names.end()) return Fail("unknown key \"" + words_[at_].text + "\"");
      keys |= found->second;
    }
    return true;
  }

  bool End() {
    if (More()) return Fail("unexpected \"" + words_[at_].text + "\"");
    return true;
  }

  bool Fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
  }

 private:
  const std::vector<Word>& words_;
  std::size_t at_;
  std::string& problem_;
};

const std::map<std::string, unsigned> kModifierKeys = {{"shift", kMouseShift}, {"ctrl", kMouseControl}};
const std::map<std::string, unsigned> kHeldKeys = {{"left", kMouseLeftButton},
                                                   {"right", kMouseRightButton},
                                                   {"middle", kMouseMiddleButton},
                                                   {"shift", kMouseShift},
                                                   {"ctrl", kMouseControl}};
const std::map<std::string, unsigned> kAnswers = {
    {"ok", mb::kIdOk}, {"cancel", mb::kIdCancel}, {"yes", mb::kIdYes}, {"no", mb::kIdNo}, {"retry", mb::kIdRetry}};

bool ReadStep(const std::string& verb, StepReader& reader, UserStep& step) {
  long long number = 0;
  if (verb == "click" || verb == "focus") {
    step.action = verb == "click" ? UserAction::Click : UserAction::Focus;
    return reader.Control(step.control) && reader.End();
  }
  if (verb == "select") {
    step.action = UserAction::Select;
    if (!reader.Control(step.control) || !reader.Text("entry (its text, or index N)", step.text)) return false;
    if (step.text == "index") {
      if (!reader.Number("list index", 0, 65535, number)) return false;
      step.index = static_cast<int>(number);
      step.text.clear();
    }
    return reader.End();
  }
  if (verb == "type") {
    step.action = UserAction::Type;
    return reader.Control(step.control) && reader.Text("text to type", step.text) && reader.End();
  }
  if (verb == "command" || verb == "close") {
    step.action = UserAction::Command;
    step.number = kIdCancel;
    if (verb == "command") {
      if (!reader.Number("command id", 0, 65535, number)) return false;
      step.number = static_cast<unsigned>(number);
    }
    return reader.End();
  }
  if (verb == "drag") {
    step.action = UserAction::Drag;
    return reader.Coordinate(step.from.x) && reader.Coordinate(step.from.y) && reader.Coordinate(step.to.x) &&
           reader.Coordinate(step.to.y) && reader.Keys(kModifierKeys, step.keys);
  }
  if (verb == "move" || verb == "down" || verb == "up") {
    step.action = verb == "move" ? UserAction::Move : verb == "down" ? UserAction::ButtonDown : UserAction::ButtonUp;
    return reader.Coordinate(step.to.x) && reader.Coordinate(step.to.y) &&
           reader.Keys(verb == "move" ? kHeldKeys : kModifierKeys, step.keys);
  }
  if (verb == "space") {
    step.action = UserAction::Space;
    return reader.End();
  }
  if (verb == "key") {
    step.action = UserAction::Key;
    if (!reader.Number("virtual key", 1, 254, number)) return false;
    step.number = static_cast<unsigned>(number);
    return reader.End();
  }
  if (verb == "wait") {
    step.action = UserAction::Wait;
    if (!reader.Number("number of milliseconds", 0, 3'600'000, number)) return false;
    step.number = static_cast<unsigned>(number);
    return reader.End();
  }
  if (verb == "answer") {
    step.action = UserAction::Answer;
    std::string button;
    if (!reader.Text("button (ok, cancel, yes, no or retry)", button)) return false;
    auto found = kAnswers.find(button);
    if (found == kAnswers.end()) return reader.Fail("unknown button \"" + button + "\"");
    step.number = static_cast<unsigned>(found->second);
    return reader.End();
  }
  return reader.Fail("unknown step \"" + verb + "\"");
}

}  // namespace

bool ParseUserScript(std::string_view text, UserScript& script, ScriptError& error) {
  script.steps.clear();
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;

    std::vector<Word> words;
    std::string problem;
    UserStep step;
    step.line = lineNumber;
    bool good = SplitWords(line, words, problem);
    std::size_t verb = 0;
    if (good && !words.empty() && !words[0].quoted && words[0].text == "in") {
      StepReader reader(words, 1, problem);
      long long dialog = 0;
      good = reader.Number("dialog template", 1, 65535, dialog);
      if (good && words.size() < 3) good = reader.Fail("missing step after the dialog template");
      step.dialog = static_cast<int>(dialog);
      verb = 2;
    }
    if (good && words.empty()) continue;
    if (good) {
      StepReader reader(words, verb + 1, problem);
      good = !words[verb].quoted && ReadStep(words[verb].text, reader, step);
      if (words[verb].quoted && problem.empty()) problem = "a step begins with its name, not a quoted text";
    }
    if (!good) {
      error = {lineNumber, problem};
      script.steps.clear();
      return false;
    }
    script.steps.push_back(std::move(step));
  }
  return true;
}

}  // namespace platform::headless
