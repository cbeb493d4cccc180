// The VM: its "jvm" value, the search for it, and the program found.
#include <algorithm>

#include "check/ascii_case.h"
#include "check/launch_problems.h"
#include "check/problem_text.h"
#include "launcher/error_numbers.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

std::string candidateResult(const LaunchContext& context,
                            const RecordingPlatform::AttributeQuery& query) {
  if (query.attributes.found) {
    return "found";
  }
  if (!canCheck(context.host, query.path)) {
    return "not checkable here";
  }
  const SystemError error = query.attributes.error;
  return error == kErrorFileNotFound || error == kErrorPathNotFound ? "missing"
                                                                    : systemErrorText(error);
}

std::string triedList(const LaunchRecord& launch) {
  std::string list;
  for (const Candidate& candidate : launch.tried) {
    list += (list.empty() ? "" : ", ") + candidate.path + " (" + candidate.result + ")";
  }
  return list.empty() ? "nothing" : list;
}

bool searchReachedUncheckable(const LaunchContext& context, const LaunchRecord& launch) {
  const bool onTargetPath =
      !context.host.windows &&
      context.configuration.jvmCommand().find_first_of("\\/:") == std::string::npos;
  return onTargetPath ||
         std::any_of(launch.tried.begin(), launch.tried.end(), [](const Candidate& candidate) {
           return candidate.result == "not checkable here";
         });
}

void describeSearchFailure(const LaunchContext& context, CheckReport& report) {
  const LaunchRecord& launch = report.launch;
  const size_t line = context.recorder.lastLineOf("jvm");
  const std::string& jvm = context.configuration.jvmCommand();
  if (context.errorNumber == kResultTooLarge) {
    size_t element = 0;
    for (const auto& [number, value] : context.recorder.systemPaths()) {
      for (const std::string_view piece : splitList(value)) {
        element = element != 0 || piece.size() < 258 ? element : number;
      }
    }
    report.problems.push_back({"path-element-too-long", Severity::kError, element, 0,
                               "the search for " + quoted(jvm) +
                                   " reached a PATH element of 258 or more characters and ended "
                                   "there (\"Result too large\")",
                               "shorten that folder name, or give jvm a full path"});
  } else if (searchReachedUncheckable(context, launch)) {
    report.problems.push_back(
        {"not-checkable-here", Severity::kNote, line, 0,
         quoted(jvm) + " cannot be looked for on this system: " + triedList(launch),
         "run veltrane-check on the Windows machine to check the VM"});
  } else if (context.errorNumber == kNoSuchFile) {
    report.problems.push_back(
        {"jvm-not-found", Severity::kError, line, 0,
         "the VM " + quoted(jvm) + " is found nowhere; tried " + triedList(launch),
         "give jvm the full path of javaw.exe, or put its folder on PATH with "
         "addsyspath"});
  } else {
    report.problems.push_back(
        {"jvm-not-startable", Severity::kError, line, 0,
         "the search for " + quoted(jvm) + " ended with: " + errorText(context.errorNumber),
         "check the rights on the VM and its folder"});
  }
}

// The first two bytes of a Windows program are "MZ".
bool looksLikeProgram(Platform& system, const std::string& path) {
  class Head final : public ByteSink {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
   public:
    void consume(std::string_view piece) override {
      bytes_.append(piece.substr(0, 2 - std::min<size_t>(bytes_.size(), 2)));
    }
    const std::string& bytes() const { return bytes_; }

   private:
    std::string bytes_;
  } head;
  SystemError error = 0;
  return !system.readFile(path, head, &error) || head.bytes().size() < 2 || head.bytes() == "MZ";
}

void describeFoundVm(const LaunchContext& context, CheckReport& report) {
  const std::string& path = report.launch.jvmPath;
  if (!canCheck(context.host, path) || !endsWithIgnoringCase(path, ".exe")) {
    return;
  }
  const FileAttributes attributes = context.system.fileAttributes(path);
  const bool folder = attributes.found && (attributes.bits & kAttributeDirectory) != 0;
  if (folder || !looksLikeProgram(context.system, path)) {
    report.problems.push_back(
        {"jvm-not-a-program", Severity::kError, context.recorder.lastLineOf("jvm"), 0,
         quoted(path) + (folder ? " is a folder" : " is not a Windows program") +
             ": the start would fail",
         "point jvm at javaw.exe in the bin folder of a Java installation"});
  }
}

}  // namespace

void describeVm(const LaunchContext& context, CheckReport& report) {
  LaunchRecord& launch = report.launch;
  for (const auto& query : context.recording.attributeQueries()) {
    launch.tried.push_back({query.path, candidateResult(context, query)});
    if (query.attributes.found) {
      launch.jvmPath = query.path;
    }
  }
  launch.jvmFound = context.recording.start().has_value() || context.errorNumber == kArgListTooLong;
  if (context.recording.start()) {
    launch.jvmPath = context.recording.start()->application;
  }
  const std::string& jvm = context.configuration.jvmCommand();
  const size_t line = context.recorder.lastLineOf("jvm");
  if (!launch.jvmFound) {
    launch.jvmPath.clear();
  }
  if (jvm.find('"') != std::string::npos) {
    // The quotes are the cause; whatever the search then met is no news.
    report.problems.push_back({"quoted-jvm", Severity::kError, line, 0,
                               "the jvm value " + quoted(jvm) +
                                   " holds double quotes: the launcher adds its own, and the start "
                                   "fails",
                               "remove the quotes; spaces in the path need none"});
  } else if (!launch.jvmFound) {
    describeSearchFailure(context, report);
  } else {
    describeFoundVm(context, report);
  }
  if (jvm.find_first_of("\\/") != std::string::npos && jvm.find('"') == std::string::npos &&
      isRelativePath(jvm)) {
    report.problems.push_back(
        relativePathProblem(context.host, context.configuration.mode(), line, jvm));
  }
}

}  // namespace veltrane::check
