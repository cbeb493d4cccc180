// Locating and reading the configuration file.
#include <cstring>

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
  if (*argumentTail != '\0') {
    // The whole tail names the file, spaces included, unless it is quoted.
    return *argumentTail == '"' ? unquoteInPlace(argumentTail) : std::string(argumentTail);
  }
  char* commandLine = platform_.commandLine();
  const std::string programPath =
      *commandLine == '"' ? unquoteInPlace(commandLine) : std::string(commandLine);
  return pathBesideProgram(programPath);
}

void WrapperConfiguration::readConfigFile(char* argumentTail) {
  // The path is kept before the file is opened, so that a failure report
  // names the file that was tried even when it does not exist.
  configFilePath_ = configFilePathFrom(argumentTail);
  std::string bytes;
  if (!platform_.readFile(configFilePath_, &bytes, &configFileError_)) {
    return;  // a missing file leaves the defaults in place
  }
  configFileError_ = 0;
  applyConfigText(bytes);
}

void WrapperConfiguration::applyConfigText(std::string_view bytes) {
  for (std::string_view line : textModeLines(bytes)) {
    const size_t comment = line.find('#');
    if (comment == 0) {
      continue;
    }
    applyLine(trimWhitespace(line.substr(0, comment)));
  }
}

}  // namespace veltrane
