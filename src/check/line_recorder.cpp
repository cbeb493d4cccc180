#include "check/line_recorder.h"

#include <algorithm>
#include <cctype>

#include "config/configuration_keys.h"
#include "config/wrapper_configuration.h"

namespace veltrane::check {

namespace {

// Nothing longer than this can be started, so no more of a line is kept;
// a message quotes less still.
constexpr size_t kKeptCharacters = 32767;
constexpr size_t kQuotedCharacters = 1000;

// The text, or its start and a count of the rest.
std::string kept(std::string_view text, size_t limit = kKeptCharacters) {
  if (text.size() <= limit) {
    return std::string(text);
  }
  return std::string(text.substr(0, limit)) + "...[" + std::to_string(text.size() - limit) +
         " more characters]";
}

std::string quoted(std::string_view text) {
  return "\"" + kept(text, kQuotedCharacters) + "\"";
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Letters to insert, delete or replace to turn one word into the other.
size_t editDistance(std::string_view from, std::string_view to) {
  std::vector<size_t> previous(to.size() + 1);
  std::vector<size_t> current(to.size() + 1);
  for (size_t j = 0; j <= to.size(); ++j) {
    previous[j] = j;
  }
  for (size_t i = 1; i <= from.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= to.size(); ++j) {
      const size_t replace = previous[j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
    }
    previous.swap(current);
  }
  return previous[to.size()];
}

// The key a misspelt word was probably meant to be: one that differs only in
// case, or by one or two letters. Empty when none is that near.
std::string_view nearKey(std::string_view word) {
  std::string_view best;
  size_t bestDistance = 3;
  for (const std::string_view key : kConfigurationKeys) {
    // The lengths alone tell a long word is no near key: no need to measure.
    if (std::max(word.size(), key.size()) - std::min(word.size(), key.size()) >= bestDistance) {
      continue;
    }
    const size_t distance = editDistance(lowerCase(word), key);
    if (distance < bestDistance) {
      best = key;
      bestDistance = distance;
    }
  }
  return best;
}

// The first word of a line: up to its first space or tab.
std::string_view firstWord(std::string_view line) {
  return line.substr(0, line.find_first_of(" \t"));
}

bool appends(std::string_view key) {
  return key != "jvm" && key != "mainclass";
}

}  // namespace

std::vector<std::string_view> splitList(std::string_view list) {
  std::vector<std::string_view> pieces;
  while (true) {
    const size_t separator = list.find(';');
    pieces.push_back(list.substr(0, separator));
    if (separator == std::string_view::npos) {
      return pieces;
    }
    list.remove_prefix(separator + 1);
  }
}

void LineRecorder::add(Problem problem) {
  if (limit_.admit(problem)) {
    problems_.push_back(std::move(problem));
  }
}

bool startsTheAppOtherwise(std::string_view vmOptions) {
  // Split at blanks, as the VM's own command line is.
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  for (size_t start = vmOptions.find_first_not_of(kBlanks); start != std::string_view::npos;) {
    const size_t end = vmOptions.find_first_of(kBlanks, start);
    const std::string_view word = vmOptions.substr(start, end - start);
    if (word == "-jar" || word == "-m" || word == "--module" || word.substr(0, 9) == "--module=") {
      return true;
    }
    start = vmOptions.find_first_not_of(kBlanks, end);
  }
  return false;
}

size_t argumentCount(std::string_view value) {
  size_t count = 0;
  bool inQuotes = false;
  bool inArgument = false;
  for (const char c : value) {
    const bool blank = (c == ' ' || c == '\t') && !inQuotes;
    if (!blank && !inArgument) {
      ++count;
    }
    inArgument = !blank;
    inQuotes = c == '"' ? !inQuotes : inQuotes;
  }
  return count;
}

void LineRecorder::lineRead(std::string_view text) {
  emitCurrent();
  current_ = LineRecord();
  current_.number = ++lineCount_;
  current_.text = kept(text);
  const size_t hash = text.find('#');
  hashColumn_ = hash == std::string_view::npos ? 0 : hash + 1;
  afterBlank_ = hash != std::string_view::npos && hash > 0 &&
                (text[hash - 1] == ' ' || text[hash - 1] == '\t');
  comment_ = hash == std::string_view::npos ? std::string() : quoted(text.substr(hash));
  // A line whose first character is "#" never reaches the keys.
  current_.reason = "comment";
}

// The line is complete: the jars its folder gave are known by now.
void LineRecorder::emitCurrent() {
  if (current_.number == 0) {
    return;
  }
  if (!jarFolders_.empty() && jarFolders_.back().line == current_.number) {
    const JarFolder& folder = jarFolders_.back();
    current_.effect =
        "addjars: " + std::to_string(folder.jars) + (folder.jars == 1 ? " jar" : " jars");
    if (current_.expanded != current_.value) {
      current_.effect += " in " + current_.expanded;  // the folder as expanded
    }
    if (folder.folders > 0) {
      current_.effect +=
          ", " + std::to_string(folder.folders) + " folder(s) named like jars passed over";
    }
  }
  emit_(std::move(current_));
  current_ = LineRecord();
}

void LineRecorder::lineApplied(std::string_view line, std::string_view key,
                               std::string_view value) {
  // Every line's value is expanded, an ignored one's too; only a key's
  // value can matter.
  std::vector<std::string> undefined =
      undefinedNames_ ? undefinedNames_() : std::vector<std::string>();
  if (current_.number == 0) {
    return;
  }
  LineRecord& record = current_;
  if (line.empty()) {
    record.reason = hashColumn_ == 0 ? "blank" : "comment";
    return;
  }
  if (key.empty()) {
    record.reason = "unknown key";
    checkUnknownKey(record, line);
    return;
  }
  record.reason.clear();
  record.key = key;
  record.value = kept(WrapperConfiguration::lineValue(line));
  record.expanded = kept(value);
  if (appends(key)) {
    record.effect = std::string(key) + " += " + record.value;
  } else {
    record.effect = std::string(key) + " = " + record.value + replacing(record.number, key, value);
  }
  checkSeparator(record.number, line, key);
  checkComment(record);
  checkRelative(record.number, key, value);
  checkExpansion(record, undefined);
  if (key == "addpath") {
    addPathPieceLines_.insert(addPathPieceLines_.end(), splitList(value).size(), record.number);
  } else if (key == "addsyspath") {
    systemPaths_[record.number] = value.substr(0, kKeptCharacters);
  } else if (key == "vmparam" && appStartLine_ == 0 && startsTheAppOtherwise(value)) {
    appStartLine_ = record.number;
  }
}

std::string LineRecorder::replacing(size_t number, std::string_view key, std::string_view value) {
  auto& last = lastValues_[std::string(key)];
  std::string effect;
  if (last.first != 0) {
    effect = ", replacing line " + std::to_string(last.first);
    add({"replaced", Severity::kWarning, number, 1,
         quoted(key) + " on line " + std::to_string(number) + " replaces line " +
             std::to_string(last.first) + " (" + last.second + ")",
         "only the last " + std::string(key) + " line counts: delete the one you do not want"});
  }
  last = {number, quoted(value)};
  return effect;
}

void LineRecorder::checkUnknownKey(const LineRecord& record, std::string_view line) {
  const std::string_view word = firstWord(line);
  const std::string_view near = nearKey(word);
  std::string hint = near.empty() ? "the keys are addsyspath, mainclass, vmparam, addjars, "
                                    "addpath, param and jvm, in lower case"
                                  : "did you mean " + quoted(near) + "? Keys are case-sensitive";
  const size_t column = record.text.find(word.substr(0, 1)) + 1;
  add({"unknown-key", Severity::kWarning, record.number, column,
       quoted(word) + " is no key: the launcher ignores this line", std::move(hint)});
}

void LineRecorder::checkSeparator(size_t number, std::string_view line, std::string_view key) {
  if (line.size() > key.size() && line[key.size()] == '\t') {
    // The VM, its options and its class cannot start with the key in them;
    // an app argument or a path entry merely gains an odd piece.
    const bool fatal = key == "jvm" || key == "vmparam" || key == "mainclass";
    add({"tab-separator", fatal ? Severity::kError : Severity::kWarning, number, key.size() + 1,
         "a tab follows " + quoted(key) + ": only a space separates, so the value is " +
             quoted(WrapperConfiguration::lineValue(line)) +
             (fatal ? " and the VM does not start" : ""),
         "put one space between the key and the value"});
  } else if (firstWord(line) != key) {
    add({"prefix-key", Severity::kWarning, number, 1,
         quoted(firstWord(line)) + " is read as the key " + quoted(key) + " with the value " +
             quoted(WrapperConfiguration::lineValue(line)),
         "keys are matched on their first letters; write " + quoted(key) +
             " and a space, or remove the line"});
  } else if (line == key) {
    add({"no-value", Severity::kWarning, number, key.size() + 1,
         quoted(key) + " has no value: the value is the key itself, " + quoted(key),
         "write the value after the key and a space"});
  }
}

void LineRecorder::checkExpansion(const LineRecord& record, std::vector<std::string>& undefined) {
  std::sort(undefined.begin(), undefined.end());
  undefined.erase(std::unique(undefined.begin(), undefined.end()), undefined.end());
  for (const std::string& name : undefined) {
    if (name.find_first_of(" \t") != std::string::npos) {
      continue;  // a lone "%" in the text ("100% of %X%"), no variable
    }
    const std::string written = "%" + name + "%";
    add({"undefined-variable", Severity::kWarning, record.number, record.text.find(written) + 1,
         quoted(written) + " is not defined in the checker's environment" +
             (host_.windows ? "" : " (this system's, not the one the app runs on)"),
         "it stays as written at launch where it is not defined: define it, or write its value"});
  }
  const size_t written = argumentCount(record.value);
  const size_t expanded = argumentCount(record.expanded);
  if ((record.key == "vmparam" || record.key == "param") && expanded > written) {
    add({"blank-in-argument", Severity::kWarning, record.number, 1,
         "expanded, the value " + quoted(record.expanded) +
             " holds a blank outside double quotes: the VM gets " + std::to_string(expanded) +
             " arguments where " + std::to_string(written) + (written == 1 ? " was" : " were") +
             " written",
         R"(quote it, e.g. "-Dapp.home=%EXEDIR%")"});
  }
}

void LineRecorder::checkComment(const LineRecord& record) {
  if (hashColumn_ <= 1 || afterBlank_) {
    return;
  }
  add({"comment-in-value", Severity::kWarning, record.number, hashColumn_,
       "a \"#\" starts a comment, even inside a value: " + quoted(record.key) + " takes " +
           quoted(record.value) + " and drops " + comment_,
       "there is no escape for \"#\": rename the folder or file that holds it"});
}

void LineRecorder::checkRelative(size_t number, std::string_view key, std::string_view value) {
  if (key != "addpath" && key != "addjars" && key != "addsyspath") {
    return;
  }
  for (const std::string_view piece : key == "addjars" ? std::vector{value} : splitList(value)) {
    if (!piece.empty() && isRelativePath(piece)) {
      add({"relative-path", Severity::kWarning, number, 1,
           quoted(piece) +
               " is relative: at launch it is resolved against the current "
               "directory (a shortcut's \"Start in\" folder), not the launcher's "
               "folder; checked here against " +
               quoted(host_.currentDirectory),
           mode_ == LaunchMode::kClassic
               ? "use a full path, or make sure the app is always started from that folder"
               : "start it from the launcher's folder: " +
                     quoted("%EXEDIR%\\" + std::string(piece))});
      return;
    }
  }
}

void LineRecorder::jarFolderListed(std::string_view folder, bool listed) {
  JarFolder jarFolder;
  jarFolder.line = current_.number;
  jarFolder.folder = folder;
  jarFolder.listed = listed;
  jarFolders_.push_back(std::move(jarFolder));
}

void LineRecorder::jarFound(std::string_view path, bool added) {
  if (jarFolders_.empty()) {
    return;
  }
  JarFolder& folder = jarFolders_.back();
  if (added) {
    ++folder.jars;
    jarLines_.emplace(std::string(path), folder.line);
  } else {
    ++folder.folders;
  }
}

void LineRecorder::classPathAssembled(std::string_view addPathList, std::string_view jarList) {
  addPathList_ = addPathList;
  jarList_ = jarList;
}

void LineRecorder::finish() {
  emitCurrent();
}

std::vector<ClassPathEntry> LineRecorder::classPath() const {
  std::vector<ClassPathEntry> entries;
  if (!addPathList_.empty()) {
    const std::vector<std::string_view> pieces = splitList(addPathList_);
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (pieces[i].empty()) {
        continue;  // a ";" too many adds no entry
      }
      const size_t line = i < addPathPieceLines_.size() ? addPathPieceLines_[i] : 0;
      entries.push_back({std::string(pieces[i]), line, std::nullopt, true});
    }
  }
  if (!jarList_.empty()) {
    for (const std::string_view jar : splitList(jarList_)) {
      const auto found = jarLines_.find(jar);
      entries.push_back(
          {std::string(jar), found == jarLines_.end() ? 0 : found->second, std::nullopt});
    }
  }
  return entries;
}

size_t LineRecorder::lastLineOf(std::string_view key) const {
  const auto found = lastValues_.find(key);
  return found == lastValues_.end() ? 0 : found->second.first;
}

}  // namespace veltrane::check
