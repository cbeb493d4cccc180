#include "check/launch_check.h"

#include <algorithm>
#include <cctype>

#include "check/launch_problems.h"
#include "check/launcher_manifest.h"
#include "check/line_recorder.h"
#include "check/recording_platform.h"
#include "config/app_mode.h"
#include "config/wrapper_configuration.h"
#include "launcher/argument_tail.h"
#include "launcher/error_numbers.h"
#include "launcher/failure_report.h"
#include "launcher/launch_main.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

// The launcher started by a double-click on it gets its own path in quotes;
// started for a configuration file, that path as its quoted argument.
std::string launcherCommandLine(const std::string& target) {
  return isLauncherPath(target) ? "\"" + target + "\"" : "veltrane.exe \"" + target + "\"";
}

// The launcher as the mode makes it. In app mode it is started bare, by its
// full path: its argument tail would go to the application.
RecordingPlatform::Launcher launcherOf(const HostFacts& host, const std::string& target,
                                       LaunchMode mode) {
  if (mode == LaunchMode::kClassic) {
    return {mode, std::string(), launcherCommandLine(target), std::string()};
  }
  const std::string program = fullPath(host, target);
  return {mode, program, "\"" + program + "\"", isLauncherPath(target) ? std::string() : target};
}

// Problems in line order; those of no line last.
void sortProblems(std::vector<Problem>& problems) {
  std::stable_sort(problems.begin(), problems.end(), [](const Problem& a, const Problem& b) {
    const size_t lineA = a.line == 0 ? SIZE_MAX : a.line;
    const size_t lineB = b.line == 0 ? SIZE_MAX : b.line;
    return lineA < lineB;
  });
}

}  // namespace

CodePage chooseCodePage(Platform& system, const CheckRequest& request, CheckReport& report) {
  if (request.codePage) {
    return *request.codePage;
  }
  if (!isLauncherPath(request.target)) {
    return CodePage::kAnsi;
  }
  if (const std::optional<CodePage> fromManifest = launcherCodePage(system, request.target)) {
    return *fromManifest;
  }
  report.problems.push_back(
      {"launcher-unreadable", Severity::kWarning, 0, 0,
       "cannot read the code page from " + std::string(1, '"') + request.target +
           "\": it is missing or no Windows program; the configuration is read as ANSI",
       "give the launcher's path, or the configuration file with --code-page"});
  return CodePage::kAnsi;
}

LaunchMode chooseMode(Platform& system, const CheckRequest& request) {
  if (request.mode) {
    return *request.mode;
  }
  if (!isLauncherPath(request.target)) {
    return LaunchMode::kClassic;
  }
  return launcherMode(system, request.target).value_or(LaunchMode::kClassic);
}

const char* modeName(LaunchMode mode) {
  switch (mode) {
    case LaunchMode::kApp:
      return "app";
    case LaunchMode::kConsole:
      return "console";
    default:
      return "classic";
  }
}

bool isLauncherPath(const std::string& target) {
  if (target.size() < 4) {
    return false;
  }
  std::string end = target.substr(target.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return end == ".exe";
}

namespace {

// What reading the file showed: the problems of its bytes and of its lines,
// the lines only where the file is no UTF-16 text (its lines are noise).
void addReadProblems(ByteScan& bytes, LineRecorder& recorder, CheckReport& report) {
  const std::vector<Problem> byteProblems = bytes.problems();
  report.problems.insert(report.problems.end(), byteProblems.begin(), byteProblems.end());
  if (!bytes.isUtf16()) {
    bytes.limit().report(report);
    report.problems.insert(report.problems.end(), recorder.problems().begin(),
                           recorder.problems().end());
    recorder.limit().report(report);
  }
}

}  // namespace

CheckReport checkTarget(Platform& system, const HostFacts& host, const CheckRequest& request) {
  CheckReport report;
  const CodePage codePage = chooseCodePage(system, request, report);
  checkTarget(system, host, request.target, codePage, chooseMode(system, request), report);
  return report;
}

void checkTarget(Platform& system, const HostFacts& host, const std::string& target,
                 CodePage codePage, LaunchMode mode, CheckReport& report, LineRecordSink* lines) {
  report.codePage = codePage == CodePage::kUtf8 ? "utf-8" : "ansi";
  report.mode = modeName(mode);
  RecordingPlatform recording(system, launcherOf(host, target, mode), false);
  report.exeDir = programFolder(recording.programPath());
  ByteScan bytes(codePage);
  LineRecorder recorder(host, mode, [&](LineRecord&& line) {
    report.launch.configFile = recording.readPath();
    if (lines != nullptr) {
      lines->line(report, line);
    } else {
      report.lines.push_back(std::move(line));
    }
  });
  recorder.takeUndefinedFrom([&recording] { return recording.takeUndefinedNames(); });
  recording.tapReads(&bytes);
  const WrapperConfiguration configuration(
      recording, argumentTail(recording.commandLine(), recording), &recorder);
  recording.tapReads(nullptr);
  bytes.finish();
  recorder.finish();

  // The launcher's own launch, recorded instead of made.
  int errorNumber = startingErrorNumber(configuration);
  installPathAssignment(recording, configuration.pathAssignment());
  recording.clearAttributeQueries();
  spawnAndWait(recording, configuration.jvmCommand(), childArguments(configuration), errorNumber,
               vmSpawnOptions(recording, configuration.mode()));

  addReadProblems(bytes, recorder, report);
  describeLaunch({target, host, system, configuration, recorder, recording, errorNumber}, report);
  if (mode != LaunchMode::kClassic && !isLauncherPath(target)) {
    report.launch.configFile = target;  // read in place of the one beside its launcher
  }
  sortProblems(report.problems);
}

namespace {

void startVm(RecordingPlatform& recording, const WrapperConfiguration& configuration,
             int& errorNumber, RunRecord& run) {
  installPathAssignment(recording, configuration.pathAssignment());
  const int status =
      spawnAndWait(recording, configuration.jvmCommand(), childArguments(configuration),
                   errorNumber, vmSpawnOptions(recording, configuration.mode()));
  if (recording.start()) {
    run.vm = recording.start()->application;
    run.javaInsteadOfJavaw = recording.javaInsteadOfJavaw();
  }
  if (status != -1 || recording.start()) {
    run.exitStatus = status;
  }
}

}  // namespace

RunRecord runTarget(Platform& system, const HostFacts& host, const CheckRequest& request) {
  const LaunchMode mode = request.mode.value_or(LaunchMode::kClassic);
  RecordingPlatform recording(system, launcherOf(host, request.target, mode), true);
  const WrapperConfiguration configuration(recording,
                                           argumentTail(recording.commandLine(), recording));
  int errorNumber = startingErrorNumber(configuration);
  RunRecord run;
  bool failed = true;
  if (mode == LaunchMode::kClassic) {
    startVm(recording, configuration, errorNumber, run);
    failed = run.exitStatus != 0;
  } else if (errorNumber == kNoError) {
    // In app mode an unreadable configuration starts no VM, and a VM that
    // ran speaks for itself: its status is the launcher's.
    startVm(recording, configuration, errorNumber, run);
    failed = errorNumber != kNoError;
    run.launcherStatus = failed ? 1 : run.exitStatus.value_or(0);
  }
  if (failed) {
    run.launcherStatus = 1;
    run.failureReport = failureReport(recording.applicationName(), configuration,
                                      recording.commandLine(), errorText(errorNumber));
  }
  return run;
}

}  // namespace veltrane::check
