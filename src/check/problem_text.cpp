#include "check/problem_text.h"

#include "launcher/error_numbers.h"

namespace veltrane::check {

namespace {

constexpr size_t kQuotedCharacters = 1000;

}  // namespace

std::string systemErrorText(SystemError error) {
  return std::string(errorText(errorNumberFromSystemError(error))) + " (system error " +
         std::to_string(error) + ")";
}

std::string quoted(std::string_view text) {
  if (text.size() <= kQuotedCharacters) {
    return "\"" + std::string(text) + "\"";
  }
  return "\"" + std::string(text.substr(0, kQuotedCharacters)) + "...[" +
         std::to_string(text.size() - kQuotedCharacters) + " more characters]\"";
}

Problem relativePathProblem(const HostFacts& host, LaunchMode mode, size_t line,
                            std::string_view path) {
  return {"relative-path",
          Severity::kWarning,
          line,
          0,
          quoted(path) +
              " is relative: at launch it is resolved against the current directory (a "
              "shortcut's \"Start in\" folder), not the launcher's folder; checked here against " +
              quoted(host.currentDirectory),
          mode == LaunchMode::kClassic
              ? "use a full path, or make sure the app is always started from that folder"
              : "start it from the launcher's folder: " + quoted("%EXEDIR%\\" + std::string(path))};
}

Problem notCheckableProblem(size_t line, std::string_view path) {
  return {"not-checkable-here",
          Severity::kNote,
          line,
          0,
          quoted(path) + " cannot be checked on this system",
          ""};
}

}  // namespace veltrane::check
