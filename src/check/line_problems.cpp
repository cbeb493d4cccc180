// The problems one line shows: unknown and misread keys, separators,
// comments inside values, replaced settings, relative paths and expansion.
#include <algorithm>

#include "check/edit_distance.h"
#include "check/line_recorder.h"
#include "check/problem_text.h"
#include "config/configuration_keys.h"
#include "config/wrapper_configuration.h"

namespace veltrane::check {

namespace {

// The key a misspelt word was probably meant to be: one that differs only in
// case, or by one or two letters. Empty when none is that near.
std::string_view nearKey(std::string_view word) {
  return nearest(word, {std::begin(kConfigurationKeys), std::end(kConfigurationKeys)}, 3);
}

// The first word of a line: up to its first space or tab.
std::string_view firstWord(std::string_view line) {
  return line.substr(0, line.find_first_of(" \t"));
}

}  // namespace

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
  const auto quotes = [](const std::string& text) {
    return std::count(text.begin(), text.end(), '"');
  };
  // The jvm value's quotes are a problem of their own, expanded or not.
  if (mode_ != LaunchMode::kClassic && record.key != "jvm" &&
      quotes(record.expanded) > quotes(record.value)) {
    add({"quote-in-variable", Severity::kWarning, record.number, record.text.find('%') + 1,
         "expanded, the value " + quoted(record.expanded) +
             " holds a double quote from a variable: it ends or starts the VM's quoting of "
             "the argument there",
         "give the variable a value without double quotes"});
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
      Problem problem = relativePathProblem(host_, mode_, number, piece);
      problem.column = 1;
      add(std::move(problem));
      return;
    }
  }
}

}  // namespace veltrane::check
