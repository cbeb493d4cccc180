#include "config/wrapper_configuration.h"

#include "config/app_mode.h"

namespace veltrane {

namespace {

bool isTrimmed(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

}  // namespace

WrapperConfiguration::WrapperConfiguration(Platform& platform, char* argumentTail,
                                           ConfigurationObserver* observer)
    : platform_(platform), observer_(observer), mode_(platform.launchMode()) {
  if (mode_ != LaunchMode::kClassic) {
    programPath_ = platform.programPath();
    exeFolder_ = programFolder(programPath_);
  }
  if (mode_ == LaunchMode::kConsole) {
    jvmCommand_ = "java.exe";  // a command-line app writes to the caller's console
  }
  readConfigFile(argumentTail);
  if (mode_ != LaunchMode::kClassic && *argumentTail != '\0') {
    // Exactly as the caller wrote it, quotes included, so the application
    // parses the same arguments the launcher was given.
    appendKept(appParams_, dropped_.appParams, argumentTail, 0, " ");
  }
  readInheritedPath();
  buildClasspathArgument();
  quoteJvmCommand();
}

WrapperConfiguration::~WrapperConfiguration() = default;

void WrapperConfiguration::appendJoined(std::string& target, std::string_view value,
                                        std::string_view separator) {
  if (!target.empty()) {
    target.append(separator);
  }
  target.append(value);
}

void WrapperConfiguration::appendKept(std::string& target, size_t& dropped, std::string_view value,
                                      size_t valueDropped, std::string_view separator,
                                      size_t limit) {
  if (dropped > 0) {
    dropped += separator.size() + value.size() + valueDropped;  // nothing more is kept
    return;
  }
  appendJoined(target, value, separator);
  dropped = valueDropped;
  if (target.size() > limit) {
    dropped += target.size() - limit;
    target.resize(limit);
  }
}

void WrapperConfiguration::replaceKept(std::string& target, size_t& dropped, std::string_view value,
                                       size_t valueDropped) {
  target.clear();
  dropped = 0;
  appendKept(target, dropped, value, valueDropped, "");
}

void WrapperConfiguration::replaceText(std::string& target, std::string_view value) {
  target.assign(value);
}

std::string WrapperConfiguration::trimWhitespace(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) {
    ++begin;
  }
  while (end > begin && isTrimmed(text[end - 1])) {
    --end;
  }
  return std::string(text.substr(begin, end - begin));
}

std::string WrapperConfiguration::lineValue(std::string_view line) {
  size_t space = line.find(' ');
  if (space == std::string_view::npos) {
    return trimWhitespace(line);
  }
  return trimWhitespace(line.substr(space + 1));
}

// The inherited PATH goes behind the "addsyspath" directories, so those are
// searched first by the launcher and by everything the VM starts. It is taken
// whole, whatever its length; an absent PATH contributes an empty text.
void WrapperConfiguration::readInheritedPath() {
  std::string inherited;
  platform_.getEnvironmentVariable("path", &inherited);
  appendKept(pathAssignment_, dropped_.pathAssignment, inherited, 0, ";", kPathAssignmentLimit);
}

// Argument zero of the child: the quotes keep a path with spaces in one piece.
void WrapperConfiguration::quoteJvmCommand() {
  quotedJvmCommand_ = '"' + jvmCommand_ + '"';
}

}  // namespace veltrane
