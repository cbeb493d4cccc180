// Locating and reading the configuration file.
#include <cstring>

#include "config/app_mode.h"
#include "config/configuration_observer.h"
#include "config/text_mode.h"
#include "config/wrapper_configuration.h"

namespace veltrane {

namespace {

// For a text that begins with a double quote: the text up to the next
// double quote, or to the end when there is none. The process command line
// is cut in place there, as every later reader of it (the failure report)
// will see: at the closing quote, or at the opening quote when it has no
// partner.
std::string unquoteInPlace(char* text) {
  char* start = text + 1;
  char* closing = std::strchr(start, '"');
  if (closing == nullptr) {
    std::string inside(start);
    *text = '\0';
    return inside;
  }
  std::string inside(start, closing);
  *closing = '\0';
  return inside;
}

// The configuration file sits beside the program: its path with the last
// ".exe" replaced by ".config".
std::string pathBesideProgram(const std::string& programPath) {
  const size_t exe = programPath.rfind(".exe");
  if (exe == std::string::npos) {
    return ".config";
  }
  return programPath.substr(0, exe) + ".config";
}

}  // namespace

std::string WrapperConfiguration::configFilePathFrom(char* argumentTail) {
  if (mode_ != LaunchMode::kClassic) {
    // The exe's own file, wherever it was started from and however it was
    // named: the tail belongs to the application.
    return configPathOfProgram(programPath_);
  }
  if (*argumentTail != '\0') {
    // The whole tail names the file, spaces included, unless it is quoted.
    return *argumentTail == '"' ? unquoteInPlace(argumentTail) : std::string(argumentTail);
  }
  char* commandLine = platform_.commandLine();
  const std::string programPath =
      *commandLine == '"' ? unquoteInPlace(commandLine) : std::string(commandLine);
  return pathBesideProgram(programPath);
}

// Applies each line as soon as it is read, so a file of any size is read in
// bounded memory.
class WrapperConfiguration::LineApplier : public LineSink {
 public:
  explicit LineApplier(WrapperConfiguration& configuration) : configuration_(configuration) {}
  void line(std::string_view text, size_t dropped) override {
    configuration_.applyConfigLine(text, dropped);
  }

 private:
  WrapperConfiguration& configuration_;
};

void WrapperConfiguration::readConfigFile(char* argumentTail) {
  // The path is kept before the file is opened, so that a failure report
  // names the file that was tried even when it does not exist.
  configFilePath_ = configFilePathFrom(argumentTail);
  LineApplier applier(*this);
  TextModeReader reader(applier);
  SystemError error = 0;
  if (!platform_.readFile(configFilePath_, reader, &error)) {
    configFileError_ = error;
    return;  // a missing file leaves the defaults in place
  }
  // A broken pipe is how a pipe's writer says it is done: the end of the
  // file, whose last line needs no line feed. Any other read error stops the
  // reading: the lines completed before it count, and the line it cut short
  // is dropped, as the runtime's line reading returns nothing for it (half
  // an argument is no argument).
  if (error == kErrorBrokenPipe) {
    error = 0;
  }
  if (error == 0) {
    reader.finish();
  }
  configFileError_ = error;
}

void WrapperConfiguration::applyConfigLine(std::string_view line, size_t dropped) {
  if (observer_ != nullptr) {
    observer_->lineRead(line);
  }
  const size_t comment = line.find('#');
  if (comment == 0) {
    return;
  }
  if (dropped > 0) {
    // The line goes on after what was kept: blanks at the end of the kept
    // part are inside the value, not at its end.
    const size_t end = line.find_last_not_of(" \t\r\n");
    dropped += line.size() - (end == std::string_view::npos ? 0 : end + 1);
  }
  applyLine(trimWhitespace(line.substr(0, comment)), dropped);
}

}  // namespace veltrane
