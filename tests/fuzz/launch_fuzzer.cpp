// The whole launch from arbitrary config bytes, command line and inherited
// PATH, through to the child's command line, its PATH and the failure
// report. The input is four header bytes (flags, density, two seed bytes),
// then the command line, the inherited PATH and the jar names ("|"-separated)
// each ended by a NUL, and the config bytes.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "check/launch_check.h"
#include "check/report_formats.h"
#include "config/wrapper_configuration.h"
#include "fuzz/oracle_platform.h"
#include "launcher/argument_tail.h"
#include "launcher/error_numbers.h"
#include "launcher/failure_report.h"
#include "launcher/launch_main.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"
#include "launcher/report_shortening.h"

namespace veltrane {
namespace {

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Repeats a short text past the limits of the platform.
std::string grown(const std::string& text, size_t size) {
  std::string result = text.empty() ? "x" : text;
  while (result.size() < size) {
    result += result;
  }
  return result;
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (size_t next = 0; next <= text.size();) {
    const size_t end = std::min(text.find(separator, next), text.size());
    pieces.emplace_back(text.substr(next, end - next));
    next = end + 1;
  }
  return pieces;
}

// Jar names as a directory listing yields them: Windows file names hold no
// control characters and none of <>:"/\|?*.
std::vector<std::string> fileNames(std::string_view text) {
  std::vector<std::string> names = split(text, '|');
  for (std::string& name : names) {
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](unsigned char c) {
                                return c < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr;
                              }),
               name.end());
  }
  return names;
}

void checkPath(const WrapperConfiguration& configuration, const std::string& inherited,
               OraclePlatform& platform) {
  const std::string& assignment = configuration.pathAssignment();
  require(assignment.compare(0, 5, "path=") == 0, "the assignment begins with path=");
  require(endsWith(assignment, ";" + inherited), "the assignment ends with the inherited PATH");
  const std::string value = assignment.substr(5);
  const std::string installed = platform.environment("path");
  require(value.compare(0, installed.size(), installed) == 0, "the PATH installed is a prefix");
  if (value.size() <= kMaxEnvironmentValue) {
    require(installed == value, "a PATH that fits is installed whole");
  } else {
    require(value[installed.size()] == ';' &&
                value.find(';', installed.size() + 1) > kMaxEnvironmentValue,
            "an over-long PATH is cut at its last whole element that fits");
  }
}

std::string childCommandLine(const WrapperConfiguration& configuration) {
  return joinArguments({configuration.quotedJvmCommand(), configuration.vmParams(),
                        configuration.classpathArgument(), configuration.mainClass(),
                        configuration.appParams()});
}

void checkLaunch(const WrapperConfiguration& configuration, OraclePlatform& platform) {
  const std::string& quoted = configuration.quotedJvmCommand();
  const std::string commandLine = childCommandLine(configuration);
  require(!configuration.jvmCommand().empty(), "the VM command is never empty");
  require(platform.exitStatus == 0 || platform.exitStatus == 1, "the status is 0 or 1");
  require(platform.starts.size() <= 1, "at most one child");
  for (const FakePlatform::Start& start : platform.starts) {
    require(start.commandLine == commandLine, "the child gets the five arguments");
    require(start.commandLine.compare(0, quoted.size() + 1, quoted + ' ') == 0,
            "the child's command line begins with the quoted VM command and a space");
    require(start.commandLine.size() <= kMaxCommandLine, "no over-long command line starts");
    require(start.path == platform.environment("path"), "the child inherits the new PATH");
  }
  const bool succeeded = !platform.starts.empty() && platform.exitCode == 0;
  require((platform.exitStatus == 0) == succeeded, "status 0 exactly when the child succeeded");
  require(platform.messages.size() == (succeeded ? 0u : 1u), "one report for each failure");
}

std::string expectedError(const WrapperConfiguration& configuration, OraclePlatform& platform) {
  if (platform.starts.empty()) {
    return "";  // some reason for the failed start
  }
  const SystemError configError = configuration.configFileError();
  return configError == 0 ? "No error" : errorText(errorNumberFromSystemError(configError));
}

// The mark "...[612,345 characters]..." at position of the shown text:
// its length, and the count it names in *omitted; 0 when there is none.
size_t omissionMarkAt(std::string_view shown, size_t position, size_t* omitted) {
  constexpr std::string_view kOpen = "...[";
  constexpr std::string_view kClose = " characters]...";
  if (shown.compare(position, kOpen.size(), kOpen) != 0) {
    return 0;
  }
  size_t end = position + kOpen.size();
  std::string digits;
  for (; end < shown.size() &&
         (std::isdigit(static_cast<unsigned char>(shown[end])) != 0 || shown[end] == ',');
       ++end) {
    if (shown[end] != ',') {
      digits += shown[end];
    }
  }
  if (digits.empty() || digits.size() > 12 || shown.compare(end, kClose.size(), kClose) != 0) {
    return 0;
  }
  *omitted = std::stoull(digits);
  std::string grouped = std::to_string(*omitted);
  for (size_t group = grouped.size(); group > 3; group -= 3) {
    grouped.insert(group - 3, ",");
  }
  const size_t length = kOpen.size() + grouped.size() + kClose.size();
  return *omitted > 0 && shown.compare(position + kOpen.size(), grouped.size(), grouped) == 0 &&
                 end + kClose.size() == position + length
             ? length
             : 0;
}

// The length of the character at the position in UTF-8: a well-formed
// sequence by the table of the Unicode standard, or a single byte that
// starts none (the system shows it as U+FFFD).
size_t utf8Length(std::string_view text, size_t position) {
  struct Row {
    unsigned char first, last, secondFirst, secondLast;
    size_t length;
  };
  static constexpr Row kRows[] = {
      {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
      {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
      {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[position + i]); };
  for (const Row& row : kRows) {
    if (byte(0) < row.first || byte(0) > row.last) {
      continue;
    }
    if (text.size() - position < row.length || byte(1) < row.secondFirst ||
        byte(1) > row.secondLast) {
      return 1;
    }
    for (size_t i = 2; i < row.length; ++i) {
      if (byte(i) < 0x80 || byte(i) > 0xBF) {
        return 1;
      }
    }
    return row.length;
  }
  return 1;
}

// Where each character of a text starts, in the code page the platform
// runs in (this input's lead bytes are none), and the text's end last.
struct Characters {
  std::vector<size_t> starts;
  std::vector<size_t> indexAt;  // by byte offset: the character that starts there, or npos
};

Characters charactersOf(std::string_view text, const FakePlatform& platform) {
  Characters characters;
  characters.indexAt.assign(text.size() + 1, std::string_view::npos);
  for (size_t position = 0; position < text.size();
       position += platform.utf8CodePage ? utf8Length(text, position) : 1) {
    characters.indexAt[position] = characters.starts.size();
    characters.starts.push_back(position);
  }
  characters.indexAt[text.size()] = characters.starts.size();
  characters.starts.push_back(text.size());
  return characters;
}

// Whether the shown text is the whole text with some runs left out, each
// replaced by a mark that counts its characters, and cut only between two
// characters. A value may itself hold text that reads like a mark, so both
// readings are tried; failed states are not tried twice.
bool matchesWithOmissions(std::string_view shown, size_t s, std::string_view whole, size_t w,
                          const Characters& characters,
                          std::set<std::pair<size_t, size_t>>& failed) {
  while (s < shown.size()) {
    size_t omitted = 0;
    const size_t mark = omissionMarkAt(shown, s, &omitted);
    const size_t character = characters.indexAt[w];
    if (mark != 0 && character != std::string_view::npos &&
        character + omitted < characters.starts.size() && failed.count({s, w}) == 0) {
      if (matchesWithOmissions(shown, s + mark, whole, characters.starts[character + omitted],
                               characters, failed)) {
        return true;
      }
      failed.insert({s, w});
    }
    if (w == whole.size() || shown[s] != whole[w]) {
      return false;
    }
    ++s;
    ++w;
  }
  return w == whole.size();
}

void checkReport(const WrapperConfiguration& configuration, OraclePlatform& platform,
                 const std::string& originalCommandLine) {
  const FakePlatform::Message& message = platform.messages.at(0);
  require(message.caption == "Error starting Veltrane", "the report has its caption");
  const std::string shown = platform.commandLine();
  require(originalCommandLine.compare(0, shown.size(), shown) == 0,
          "the shown command line is the original, at most cut short");
  const std::string tried = configuration.jvmCommand() + ' ' + configuration.vmParams() + ' ' +
                            configuration.classpathArgument() + ' ' + configuration.mainClass() +
                            ' ' + configuration.appParams();
  require(tried.find('\n') == std::string::npos, "no configured value holds a line feed");
  const std::string& text = message.text;
  const std::string errorLabel = "\nError Message: ";
  const std::string error = text.substr(text.rfind(errorLabel) + errorLabel.size());

  // The whole report, as the checker prints it.
  const std::string whole = failureReport("Veltrane", configuration, shown, error);
  const std::vector<std::string> lines = split(whole, '\n');
  const std::string& path = configuration.configFilePath();
  require(lines[0] == "Couldn't start Veltrane using \"" + tried + "\".", "the first line");
  const bool oneLineValues =
      path.find('\n') == std::string::npos && shown.find('\n') == std::string::npos;
  if (oneLineValues) {
    require(lines.size() == 4 && lines[1] == "Configfile: " + path &&
                lines[2] == "commandline: " + shown && lines[3] == "Error Message: " + error,
            "the report has exactly its four labelled lines");
  }

  // The report in the box: the whole one when it fits, else shortened; in
  // characters of the code page, UTF-8 ones too, never split.
  const Characters wholeCharacters = charactersOf(whole, platform);
  const size_t wholeLength = wholeCharacters.starts.size() - 1;
  require(charactersOf(text, platform).starts.size() - 1 <=
              (wholeLength <= kMaxWholeReport ? kMaxWholeReport : kMaxShortenedReport),
          "the report shown has at most 2,047 characters, a shortened one at most 1,600");
  std::set<std::pair<size_t, size_t>> failed;
  require(wholeLength <= kMaxWholeReport
              ? text == whole
              : matchesWithOmissions(text, 0, whole, 0, wholeCharacters, failed),
          "the report shown is the whole one, or it with runs of whole characters left out "
          "and their characters counted");
  require(!oneLineValues || split(text, '\n').size() == 4, "the report shown keeps four lines");
  for (std::string_view value : reportValues("Veltrane", configuration, shown)) {
    const size_t kept = std::min<size_t>(value.size(), 32);
    require(text.find(value.substr(0, kept)) != std::string::npos &&
                text.find(value.substr(value.size() - kept)) != std::string::npos,
            "the start and the end of every value show");
  }

  const std::string expected = expectedError(configuration, platform);
  require(expected.empty() ? error != "No error" && error != "Unknown error" : error == expected,
          "the error text names the cause");
  require(error != "Arg list too long" || childCommandLine(configuration).size() > kMaxCommandLine,
          "only an over-long command line is too long");
}

// Strict UTF-8 (RFC 3629): no overlong form, no surrogate, nothing past
// U+10FFFF, no sequence cut short.
bool isStrictUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
    if (length == 0 || i + length > text.size()) {
      return false;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0xFFu >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) {
        return false;
      }
      code = (code << 6) | (next & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

bool holdsControls(std::string_view text, bool utf8) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
    if ((c < 0x20 && c != '\n') || c == 0x7F ||
        (utf8 && c == 0xC2 && next >= 0x80 && next < 0xA0)) {
      return true;
    }
  }
  return false;
}

// The checker over the same machine and file, in either code page: its JSON
// is valid UTF-8, and its text and gcc reports show no control character but
// their own line feeds. In app mode its values are expanded too.
void checkChecker(OraclePlatform platform, const std::string& configFile, bool utf8, bool app) {
  const check::CheckReport report = check::checkTarget(
      platform, check::HostFacts{"C:\\work", true},
      check::CheckRequest{configFile, utf8 ? check::CodePage::kUtf8 : check::CodePage::kAnsi,
                          app ? LaunchMode::kApp : LaunchMode::kClassic});
  require(isStrictUtf8(check::jsonReport(report)), "the checker's JSON is valid UTF-8");
  require(!holdsControls(check::textReport(report), utf8) &&
              !holdsControls(check::gccReport(report), utf8),
          "the checker's text shows no control character raw");
}

}  // namespace
}  // namespace veltrane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace veltrane;
  FuzzInput input;
  if (!decodeFuzzInput(data, size, 4, &input)) {
    return 0;
  }
  const std::uint8_t flags = input.flags;
  const std::vector<std::string>& fields = input.fields;
  OraclePlatform platform(input.seed, input.density);
  // Half the inputs run in the UTF-8 code page, where characters are up to
  // four bytes long.
  platform.utf8CodePage = (input.seed & 0x8000) != 0;
  platform.setCommandLine(fields[0]);
  std::string inherited = (flags & 0x80) != 0 ? grown(fields[1], kMaxEnvironmentValue) : fields[1];
  if ((flags & 1) != 0) {
    platform.setEnvironment("PATH", inherited);
  } else {
    inherited.clear();  // an absent PATH adds an empty text
  }
  if ((flags & 2) != 0) {
    platform.configError = (flags & 4) != 0 ? kErrorAccessDenied : kErrorFileNotFound;
  }
  platform.listingWorks = (flags & 8) == 0;
  if (!fields[2].empty()) {
    platform.jarNames = fileNames(fields[2]);
  }
  platform.exitCode = (flags & 0x10) == 0 ? 0 : (flags & 0x20) != 0 ? 0xFFFFFFFFu : 1;
  platform.configBytes = (flags & 0x40) != 0 ? grown(fields[3], kMaxCommandLine) : fields[3];

  // A twin runs the configuration phase alone, so its record can be read.
  OraclePlatform twin = platform;
  const std::string originalCommandLine = twin.commandLine();
  const WrapperConfiguration configuration(twin, argumentTail(twin.commandLine(), twin));
  runLauncher(platform);

  require(platform.configReads == std::vector<std::string>{configuration.configFilePath()},
          "the file read is the file the report names");
  checkPath(configuration, inherited, platform);
  checkLaunch(configuration, platform);
  if (!platform.messages.empty()) {
    checkReport(configuration, platform, originalCommandLine);
  }
  checkChecker(twin, configuration.configFilePath(), (input.seed & 1) != 0, (input.seed & 2) != 0);
  return 0;
}
