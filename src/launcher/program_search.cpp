#include "launcher/program_search.h"

#include <cstdint>
#include <string_view>

#include "launcher/error_numbers.h"

namespace veltrane {

namespace {

// A PATH element this long does not fit the runtime's path buffer.
constexpr size_t kMaxPathElement = 258;
// A candidate this long does not fit a Windows path.
constexpr size_t kMaxPath = 260;

constexpr const char* kProgramExtensions[] = {".com", ".exe", ".bat", ".cmd"};

// The outcome of one try: started with a status, or failed with an error
// number and the system error behind it.
struct Attempt {
  bool started = false;
  int status = 0;
  int errorNumber = kNoError;
  SystemError systemError = 0;
};

Attempt failure(int errorNumber, SystemError systemError) {
  Attempt attempt;
  attempt.errorNumber = errorNumber;
  attempt.systemError = systemError;
  return attempt;
}

Attempt systemFailure(SystemError systemError) {
  return failure(errorNumberFromSystemError(systemError), systemError);
}

bool isBareName(std::string_view name) {
  return name.find_first_of("\\/:") == std::string_view::npos;
}

bool lastComponentHasDot(std::string_view name) {
  const size_t separator = name.find_last_of("\\/:");
  const size_t start = separator == std::string_view::npos ? 0 : separator + 1;
  return name.find('.', start) != std::string_view::npos;
}

// Only a name without a directory part is looked for along the PATH.
bool mayUsePath(std::string_view name) {
  return name.find_first_of("\\/") == std::string_view::npos &&
         !(name.size() > 1 && name[1] == ':');
}

// What every try needs besides the name: the command line and the start-up
// information the child is given.
struct Launch {
  std::string commandLine;
  const StartInformation& startup;
};

Attempt start(Platform& platform, const std::string& path, const Launch& launch) {
  // Windows would refuse this with an error that reads like a missing file.
  if (launch.commandLine.size() > kMaxCommandLine) {
    return failure(kArgListTooLong, 0);
  }
  const ProcessOutcome outcome = platform.runProcess(path, launch.commandLine, launch.startup);
  if (!outcome.started) {
    return systemFailure(outcome.error);
  }
  Attempt attempt;
  attempt.started = true;
  attempt.status = static_cast<std::int32_t>(outcome.exitCode);
  return attempt;
}

// Tries one candidate name: it must exist as it stands when its last
// component has an extension; otherwise the program extensions are probed
// in order and the first that exists is started.
Attempt tryCandidate(Platform& platform, const std::string& name, const Launch& launch) {
  const std::string path = isBareName(name) ? ".\\" + name : name;
  if (lastComponentHasDot(path)) {
    const FileAttributes attributes = platform.fileAttributes(path);
    if (!attributes.found) {
      return systemFailure(attributes.error);
    }
    return start(platform, path, launch);
  }
  SystemError lastError = kErrorFileNotFound;
  for (const char* extension : kProgramExtensions) {
    const FileAttributes attributes = platform.fileAttributes(path + extension);
    if (attributes.found) {
      return start(platform, path + extension, launch);
    }
    lastError = attributes.error;
  }
  return systemFailure(lastError);
}

enum class ElementResult { kElement, kEnd, kTooLong };

// Reads the next element of a PATH value from position on: runs of ";"
// count as one separator, and a double-quoted run may hold ";" (the quotes
// are dropped). Blanks are kept.
ElementResult nextPathElement(std::string_view value, size_t& position, std::string& element) {
  element.clear();
  while (position < value.size() && value[position] == ';') {
    ++position;
  }
  bool inQuotes = false;
  for (; position < value.size() && (inQuotes || value[position] != ';'); ++position) {
    if (value[position] == '"') {
      inQuotes = !inQuotes;
      continue;
    }
    if (element.size() + 1 >= kMaxPathElement) {
      return ElementResult::kTooLong;
    }
    element += value[position];
  }
  return element.empty() ? ElementResult::kEnd : ElementResult::kElement;
}

// The search goes past a candidate that is missing, on a drive that is not
// ready, or on a network path; any other failure is the answer.
bool searchGoesOn(const Attempt& attempt, std::string_view candidate) {
  return attempt.errorNumber == kNoSuchFile || attempt.systemError == kErrorNotReady ||
         candidate.substr(0, 2) == "\\\\" || candidate.substr(0, 2) == "//";
}

Attempt searchPath(Platform& platform, const std::string& name, const Launch& launch,
                   Attempt lastAttempt) {
  std::string value;
  if (!platform.getEnvironmentVariable("path", &value)) {
    return lastAttempt;
  }
  size_t position = 0;
  std::string directory;
  while (true) {
    const ElementResult result = nextPathElement(value, position, directory);
    if (result == ElementResult::kTooLong) {
      return failure(kResultTooLarge, 0);
    }
    if (result == ElementResult::kEnd) {
      return lastAttempt;
    }
    if (directory.back() != '\\' && directory.back() != '/') {
      directory += '\\';
    }
    if (directory.size() + name.size() >= kMaxPath) {
      return lastAttempt;
    }
    const std::string candidate = directory + name;
    lastAttempt = tryCandidate(platform, candidate, launch);
    if (lastAttempt.started || !searchGoesOn(lastAttempt, candidate)) {
      return lastAttempt;
    }
  }
}

}  // namespace

std::string joinArguments(const std::vector<std::string>& arguments) {
  std::string commandLine;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) {
      commandLine += ' ';
    }
    commandLine += arguments[i];
  }
  return commandLine;
}

int spawnAndWait(Platform& platform, const std::string& program,
                 const std::vector<std::string>& arguments, int& errorNumber,
                 const SpawnOptions& options) {
  const Launch launch{joinArguments(arguments), options.startup};
  Attempt attempt = options.currentFolderFirst || !isBareName(program)
                        ? tryCandidate(platform, program, launch)
                        : failure(kNoSuchFile, kErrorFileNotFound);
  if (!attempt.started && attempt.errorNumber == kNoSuchFile && mayUsePath(program)) {
    attempt = searchPath(platform, program, launch, attempt);
  }
  if (!attempt.started) {
    errorNumber = attempt.errorNumber;
    return -1;
  }
  // A child that ran leaves the error number as it was before the search:
  // the candidates missed on the way say nothing about why it failed.
  return attempt.status;
}

}  // namespace veltrane
