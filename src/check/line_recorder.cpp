// Records what the launcher's own configuration code did with each line.
#include "check/line_recorder.h"

#include "check/problem_text.h"
#include "config/wrapper_configuration.h"

namespace veltrane::check {

namespace {

// Nothing longer than this can be started, so no more of a line is kept.
constexpr size_t kKeptCharacters = 32767;

// The text, or its start and a count of the rest.
std::string kept(std::string_view text, size_t limit = kKeptCharacters) {
  if (text.size() <= limit) {
    return std::string(text);
  }
  return std::string(text.substr(0, limit)) + "...[" + std::to_string(text.size() - limit) +
         " more characters]";
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

size_t LineRecorder::emptyAddPathLine() const {
  const std::vector<std::string_view> pieces = splitList(addPathList_);
  for (size_t i = 0; i < pieces.size() && !addPathList_.empty(); ++i) {
    if (pieces[i].empty()) {
      return i < addPathPieceLines_.size() ? addPathPieceLines_[i] : 0;
    }
  }
  return 0;
}

size_t LineRecorder::lastLineOf(std::string_view key) const {
  const auto found = lastValues_.find(key);
  return found == lastValues_.end() ? 0 : found->second.first;
}

}  // namespace veltrane::check
