// The configuration file, the PATH and the command line; and the order in
// which the families of problems are looked for.
#include "check/launch_problems.h"

#include "check/launch_check.h"
#include "check/problem_text.h"
#include "launcher/error_numbers.h"
#include "launcher/launch_main.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

// The launcher finds ".exe" in its own path in lower case only: started as
// "ACMEDRAW.EXE", it reads ".config" in the current directory.
std::string unreadableHint(const LaunchContext& context) {
  const std::string& launcher = context.target;
  if (context.configuration.mode() != LaunchMode::kClassic) {
    return "the launcher reads the file beside it named like itself, with \".config\" in place "
           "of its extension: put the configuration there";
  }
  if (isLauncherPath(launcher) && launcher.rfind(".exe") == std::string::npos) {
    return "the launcher's name ends in " + quoted(launcher.substr(launcher.size() - 4)) +
           ", and the launcher looks for \".exe\" in lower case only, so it reads " +
           quoted(context.configuration.configFilePath()) +
           " in the current directory: rename it to end in \".exe\", or brand it in app mode "
           "(it then reads its own path with \".config\" in place of its extension)";
  }
  return "check the path: started without arguments, the launcher reads the file named "
         "like itself with \".config\" in place of \".exe\"";
}

// Unread, a classic launcher runs on its defaults; one in app mode reports
// and starts nothing.
std::string unreadableConsequence(const LaunchContext& context) {
  return context.configuration.mode() == LaunchMode::kClassic
             ? "; the launcher would run on its defaults (javaw.exe, no class path, no main class)"
             : "; the launcher would show its report and start no VM";
}

void describeConfigFile(const LaunchContext& context, CheckReport& report) {
  const SystemError error = context.configuration.configFileError();
  if (error == 0) {
    return;
  }
  const size_t read = context.recorder.lineCount();
  report.problems.push_back(
      {"config-unreadable", Severity::kError, read, 0,
       (read == 0
            ? "cannot read " + quoted(context.configuration.configFilePath()) + ": " +
                  systemErrorText(error) + unreadableConsequence(context)
            : "reading stopped after line " + std::to_string(read) + ": " + systemErrorText(error)),
       unreadableHint(context)});
}

// A command line that cannot start is kept only as far as it could.
void describeCommandLine(const LaunchContext& context, CheckReport& report) {
  std::string commandLine = joinArguments(childArguments(context.configuration));
  const size_t length = commandLine.size();
  report.launch.commandLineLength = length;
  if (length > kMaxCommandLine) {
    commandLine.resize(kMaxCommandLine);
    commandLine += "...[" + std::to_string(length - kMaxCommandLine) + " more characters]";
    report.problems.push_back(
        {"command-line-too-long", Severity::kError, 0, 0,
         "the VM's command line would be " + std::to_string(length) +
             " characters, over the limit of " + std::to_string(kMaxCommandLine) +
             ": the launcher refuses to start it (\"Arg list too long\")",
         R"(use shorter paths or a class path wildcard (addpath C:\app\lib\*))"});
  }
  report.launch.commandLine = std::move(commandLine);
}

void describePath(const LaunchContext& context, CheckReport& report) {
  const std::string& assignment = context.configuration.pathAssignment();
  const size_t wanted = assignment.size() - assignment.find('=') - 1;
  report.launch.path = context.recording.installedPath().value_or("");
  if (wanted > kMaxEnvironmentValue) {
    report.problems.push_back(
        {"path-truncated", Severity::kWarning, 0, 0,
         "the PATH would be " + std::to_string(wanted) + " characters, over the limit of " +
             std::to_string(kMaxEnvironmentValue) + "; it is cut to " +
             std::to_string(report.launch.path.size()) + " and the directories behind are dropped",
         "use fewer or shorter addsyspath folders"});
  }
  // Every "addsyspath" folder that does not exist.
  for (const auto& [number, value] : context.recorder.systemPaths()) {
    for (const std::string_view piece : splitList(value)) {
      const std::string folder(piece);
      if (!folder.empty() && exists(context, folder) == false) {
        report.problems.push_back({"addsyspath-missing", Severity::kWarning, number, 0,
                                   "the folder " + quoted(folder) + " does not exist",
                                   "check the addsyspath line"});
      }
    }
  }
}

}  // namespace

std::optional<bool> exists(const LaunchContext& context, const std::string& path) {
  if (!canCheck(context.host, path)) {
    return std::nullopt;
  }
  return context.system.fileAttributes(path).found;
}

void describeLaunch(const LaunchContext& context, CheckReport& report) {
  report.launch.configFile = context.configuration.configFilePath();
  describeConfigFile(context, report);
  describePath(context, report);
  describeCommandLine(context, report);
  describeVm(context, report);
  describeClassPath(context, report);
  describeMainClass(context, report);
  describeMainClassFile(context, report);
}

}  // namespace veltrane::check
