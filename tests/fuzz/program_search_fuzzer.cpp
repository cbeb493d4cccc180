// The program search over an arbitrary name, PATH and file system. The
// input is four header bytes (flags, density, two seed bytes), then the
// name, a NUL, the PATH value, a NUL and an argument for the command line.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/oracle_platform.h"
#include "launcher/error_numbers.h"
#include "launcher/program_search.h"

namespace veltrane {
namespace {

constexpr int kErrorBefore = 99;  // no error number the search can leave

// The PATH elements in order with their quotes dropped: runs of ";" outside
// quotes separate, and leading or trailing ones yield nothing.
std::vector<std::string> pathElements(std::string_view value) {
  std::vector<std::string> elements;
  std::string element;
  bool inQuotes = false;
  bool any = false;
  for (char c : value) {
    if (c == ';' && !inQuotes) {
      if (any) {
        elements.push_back(element);
      }
      element.clear();
      any = false;
      continue;
    }
    any = true;
    if (c == '"') {
      inQuotes = !inQuotes;
    } else {
      element += c;
    }
  }
  if (any) {
    elements.push_back(element);
  }
  return elements;
}

void addProbes(std::vector<std::string>& probes, const std::string& candidate) {
  const size_t slash = candidate.find_last_of("\\/:");
  if (candidate.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos) {
    probes.push_back(candidate);
    return;
  }
  for (const char* extension : {".com", ".exe", ".bat", ".cmd"}) {
    probes.push_back(candidate + extension);
  }
}

// Every probe the rules allow, in order, and the error number the search
// ends with when every one of them is missing.
struct Expected {
  std::vector<std::string> probes;
  int errorWhenAllMissing = kNoSuchFile;
};

Expected expectedProbes(const std::string& name, const std::string* path) {
  Expected expected;
  addProbes(expected.probes, name.find_first_of("\\/:") == std::string::npos ? ".\\" + name : name);
  const bool hasDirectory =
      name.find_first_of("\\/") != std::string::npos || (name.size() > 1 && name[1] == ':');
  if (path == nullptr || hasDirectory) {
    return expected;
  }
  for (std::string directory : pathElements(*path)) {
    if (directory.size() >= 258) {
      expected.errorWhenAllMissing = kResultTooLarge;  // never probed
      break;
    }
    if (directory.empty()) {
      break;
    }
    if (directory.back() != '\\' && directory.back() != '/') {
      directory += '\\';
    }
    if (directory.size() + name.size() >= 260) {
      break;  // never probed: no Windows path is that long
    }
    addProbes(expected.probes, directory + name);
  }
  return expected;
}

void checkSearch(const OraclePlatform& platform, const Expected& expected,
                 const std::string& commandLine, int result, int errorNumber) {
  const std::vector<std::string>& queries = platform.attributeQueries;
  auto next = expected.probes.begin();
  bool allMissing = true;
  for (const std::string& query : queries) {
    next = std::find(next, expected.probes.end(), query);
    require(next != expected.probes.end(), "every probe is one the rules allow, in their order");
    ++next;
    const SystemError error = platform.entry(query).error;
    allMissing &= error == kErrorFileNotFound || error == kErrorPathNotFound;
  }
  require(platform.starts.size() <= 1, "at most one child");
  if (!platform.starts.empty()) {
    require(platform.starts[0].application == queries.back(), "the last probe is started");
    require(platform.starts[0].commandLine == commandLine, "the child gets the joined arguments");
    require(commandLine.size() <= kMaxCommandLine, "no over-long command line starts");
    require(result == static_cast<std::int32_t>(platform.exitCode), "the child's status returns");
    require(errorNumber == kErrorBefore, "a started child leaves the error number alone");
    return;
  }
  require(result == -1, "a search that starts nothing returns -1");
  require(std::string(errorText(errorNumber)) != "Unknown error", "the reason has a text");
  require(errorNumber != kArgListTooLong || commandLine.size() > kMaxCommandLine,
          "only an over-long command line is too long");
  if (allMissing) {
    require(queries == expected.probes, "a missing program is looked for everywhere allowed");
    require(errorNumber == expected.errorWhenAllMissing, "a missing program reads as missing");
  }
}

}  // namespace
}  // namespace veltrane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace veltrane;
  FuzzInput input;
  if (!decodeFuzzInput(data, size, 3, &input)) {
    return 0;
  }
  const std::uint8_t flags = input.flags;
  const std::vector<std::string>& fields = input.fields;
  OraclePlatform platform(input.seed, input.density);
  const std::string& name = fields[0];
  if (name.empty()) {
    return 0;  // the VM command is never empty
  }
  if ((flags & 1) != 0) {
    platform.setEnvironment("path", fields[1]);
  }
  platform.exitCode = (flags & 2) != 0 ? 0xFFFFFFFFu : (flags >> 4);
  std::vector<std::string> arguments = {'"' + name + '"', fields[2]};
  if ((flags & 4) != 0) {
    arguments.emplace_back(kMaxCommandLine - 40, 'x');  // near the limit
  }
  const Expected expected = expectedProbes(name, (flags & 1) != 0 ? &fields[1] : nullptr);
  int errorNumber = kErrorBefore;
  const int result = spawnAndWait(platform, name, arguments, errorNumber);
  checkSearch(platform, expected, joinArguments(arguments), result, errorNumber);
  return 0;
}
