#include "check/launch_check.h"

#include <algorithm>
#include <cctype>

#include "check/launch_problems.h"
#include "check/launcher_manifest.h"
#include "check/line_recorder.h"
#include "check/recording_platform.h"
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

bool isLauncherPath(const std::string& target) {
  if (target.size() < 4) {
    return false;
  }
  std::string end = target.substr(target.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return end == ".exe";
}

CheckReport checkTarget(Platform& system, const HostFacts& host, const CheckRequest& request) {
  CheckReport report;
  const CodePage codePage = chooseCodePage(system, request, report);
  checkTarget(system, host, request.target, codePage, report);
  return report;
}

void checkTarget(Platform& system, const HostFacts& host, const std::string& target,
                 CodePage codePage, CheckReport& report, LineRecordSink* lines) {
  report.codePage = codePage == CodePage::kUtf8 ? "utf-8" : "ansi";
  RecordingPlatform recording(system, launcherCommandLine(target), false);
  ByteScan bytes(codePage);
  LineRecorder recorder(host, [&](LineRecord&& line) {
    report.launch.configFile = recording.readPath();
    if (lines != nullptr) {
      lines->line(report, line);
    } else {
      report.lines.push_back(std::move(line));
    }
  });
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
  spawnAndWait(recording, configuration.jvmCommand(), childArguments(configuration), errorNumber);

  const std::vector<Problem> byteProblems = bytes.problems();
  report.problems.insert(report.problems.end(), byteProblems.begin(), byteProblems.end());
  if (!bytes.isUtf16()) {  // the lines of a UTF-16 file are noise
    bytes.limit().report(report);
    report.problems.insert(report.problems.end(), recorder.problems().begin(),
                           recorder.problems().end());
    recorder.limit().report(report);
  }
  describeLaunch({target, host, system, configuration, recorder, recording, errorNumber}, report);
  sortProblems(report.problems);
}

RunRecord runTarget(Platform& system, const CheckRequest& request) {
  RecordingPlatform recording(system, launcherCommandLine(request.target), true);
  const WrapperConfiguration configuration(recording,
                                           argumentTail(recording.commandLine(), recording));
  int errorNumber = startingErrorNumber(configuration);
  installPathAssignment(recording, configuration.pathAssignment());
  const int status = spawnAndWait(recording, configuration.jvmCommand(),
                                  childArguments(configuration), errorNumber);
  RunRecord run;
  if (recording.start()) {
    run.vm = recording.start()->application;
    run.javaInsteadOfJavaw = recording.javaInsteadOfJavaw();
  }
  if (status != -1 || recording.start()) {
    run.exitStatus = status;
  }
  if (status != 0) {
    run.failureReport = failureReport(recording.applicationName(), configuration,
                                      recording.commandLine(), errorText(errorNumber));
  }
  return run;
}

}  // namespace veltrane::check
