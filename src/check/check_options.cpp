#include "check/check_options.h"

#include "check/launch_check.h"

namespace veltrane::check {

namespace {

bool setFormat(const std::string& value, CheckOptions& options) {
  if (value == "text") {
    options.format = Format::kText;
  } else if (value == "json") {
    options.format = Format::kJson;
  } else if (value == "gcc") {
    options.format = Format::kGcc;
  } else {
    return false;
  }
  return true;
}

bool setCodePage(const std::string& value, CheckOptions& options) {
  if (value == "utf-8" || value == "UTF-8") {
    options.codePage = CodePage::kUtf8;
  } else if (value == "ansi" || value == "ANSI") {
    options.codePage = CodePage::kAnsi;
  } else {
    return false;
  }
  return true;
}

// The mode's names are the ones the report gives it.
bool setMode(const std::string& value, CheckOptions& options) {
  for (const LaunchMode mode : {LaunchMode::kClassic, LaunchMode::kApp, LaunchMode::kConsole}) {
    if (value == modeName(mode)) {
      options.mode = mode;
      return true;
    }
  }
  return false;
}

// An option that takes a value, as "--name value" or "--name=value".
bool takeValued(const std::vector<std::string>& arguments, size_t& i, CheckOptions& options) {
  const std::string& argument = arguments[i];
  const size_t equals = argument.find('=');
  const std::string name = argument.substr(0, equals);
  std::string value;
  if (equals != std::string::npos) {
    value = argument.substr(equals + 1);
  } else if (i + 1 < arguments.size()) {
    value = arguments[++i];
  } else {
    return false;
  }
  if (name == "--format") {
    return setFormat(value, options);
  }
  if (name == "--mode") {
    return setMode(value, options);
  }
  return name == "--code-page" && setCodePage(value, options);
}

}  // namespace

std::optional<CheckOptions> parseOptions(const std::vector<std::string>& arguments) {
  CheckOptions options;
  bool targetGiven = false;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      if (targetGiven) {
        return std::nullopt;
      }
      options.target = argument;
      targetGiven = true;
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--run") {
      options.run = true;
    } else if (argument == "--quiet" || argument == "-q") {
      options.quiet = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (!takeValued(arguments, i, options)) {
      return std::nullopt;
    }
  }
  if (!targetGiven && !options.help && !options.version) {
    return std::nullopt;
  }
  return options;
}

}  // namespace veltrane::check
