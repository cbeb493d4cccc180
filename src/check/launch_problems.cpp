#include "check/launch_problems.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "check/launch_check.h"
#include "launcher/error_numbers.h"
#include "launcher/launch_main.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string systemErrorText(SystemError error) {
  return std::string(errorText(errorNumberFromSystemError(error))) + " (system error " +
         std::to_string(error) + ")";
}

bool endsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(
             end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
             [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

// Whether a file-system entry exists; empty when this system cannot tell.
std::optional<bool> exists(const LaunchContext& context, const std::string& path) {
  if (!canCheck(context.host, path)) {
    return std::nullopt;
  }
  return context.system.fileAttributes(path).found;
}

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

void addProblem(CheckReport& report, Problem problem) {
  report.problems.push_back(std::move(problem));
}

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

std::string relativeHint(const WrapperConfiguration& configuration, std::string_view path) {
  return configuration.mode() == LaunchMode::kClassic
             ? "use a full path, or make sure the app is always started from that folder"
             : "start it from the launcher's folder: " + quoted("%EXEDIR%\\" + std::string(path));
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
  addProblem(report,
             {"config-unreadable", Severity::kError, read, 0,
              (read == 0 ? "cannot read " + quoted(context.configuration.configFilePath()) + ": " +
                               systemErrorText(error) + unreadableConsequence(context)
                         : "reading stopped after line " + std::to_string(read) + ": " +
                               systemErrorText(error)),
              unreadableHint(context)});
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
    addProblem(report, {"path-element-too-long", Severity::kError, element, 0,
                        "the search for " + quoted(jvm) +
                            " reached a PATH element of 258 or more characters and ended "
                            "there (\"Result too large\")",
                        "shorten that folder name, or give jvm a full path"});
  } else if (searchReachedUncheckable(context, launch)) {
    addProblem(report, {"not-checkable-here", Severity::kNote, line, 0,
                        quoted(jvm) + " cannot be looked for on this system: " + triedList(launch),
                        "run veltrane-check on the Windows machine to check the VM"});
  } else if (context.errorNumber == kNoSuchFile) {
    addProblem(report, {"jvm-not-found", Severity::kError, line, 0,
                        "the VM " + quoted(jvm) + " is found nowhere; tried " + triedList(launch),
                        "give jvm the full path of javaw.exe, or put its folder on PATH with "
                        "addsyspath"});
  } else {
    addProblem(report,
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
    addProblem(report,
               {"jvm-not-a-program", Severity::kError, context.recorder.lastLineOf("jvm"), 0,
                quoted(path) + (folder ? " is a folder" : " is not a Windows program") +
                    ": the start would fail",
                "point jvm at javaw.exe in the bin folder of a Java installation"});
  }
}

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
    addProblem(report, {"quoted-jvm", Severity::kError, line, 0,
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
    addProblem(report, {"relative-path", Severity::kWarning, line, 0,
                        quoted(jvm) +
                            " is relative: at launch it is resolved against the current "
                            "directory (a shortcut's \"Start in\" folder), not the "
                            "launcher's folder; checked here against " +
                            quoted(context.host.currentDirectory),
                        relativeHint(context.configuration, jvm)});
  }
}

// A command line that cannot start is kept only as far as it could.
void describeCommandLine(const LaunchContext& context, CheckReport& report) {
  std::string commandLine = joinArguments(childArguments(context.configuration));
  const size_t length = commandLine.size();
  report.launch.commandLineLength = length;
  if (length > kMaxCommandLine) {
    commandLine.resize(kMaxCommandLine);
    commandLine += "...[" + std::to_string(length - kMaxCommandLine) + " more characters]";
    addProblem(report, {"command-line-too-long", Severity::kError, 0, 0,
                        "the VM's command line would be " + std::to_string(length) +
                            " characters, over the limit of " + std::to_string(kMaxCommandLine) +
                            ": the launcher refuses to start it (\"Arg list too long\")",
                        R"(use shorter paths or a class path wildcard (addpath C:\app\lib\*))"});
  }
  report.launch.commandLine = std::move(commandLine);
}

void describePathAndCommandLine(const LaunchContext& context, CheckReport& report) {
  const std::string& assignment = context.configuration.pathAssignment();
  const size_t wanted = assignment.size() - assignment.find('=') - 1;
  report.launch.path = context.recording.installedPath().value_or("");
  if (wanted > kMaxEnvironmentValue) {
    addProblem(
        report,
        {"path-truncated", Severity::kWarning, 0, 0,
         "the PATH would be " + std::to_string(wanted) + " characters, over the limit of " +
             std::to_string(kMaxEnvironmentValue) + "; it is cut to " +
             std::to_string(report.launch.path.size()) + " and the directories behind are dropped",
         "use fewer or shorter addsyspath folders"});
  }
  describeCommandLine(context, report);
}

void describeClassPath(const LaunchContext& context, CheckReport& report) {
  report.launch.classPath = context.recorder.classPath();
  for (ClassPathEntry& entry : report.launch.classPath) {
    // A wildcard entry stands for its folder.
    const size_t star = entry.entry.find('*');
    const std::string checked =
        star == std::string::npos
            ? entry.entry
            : entry.entry.substr(0, entry.entry.find_last_of("\\/", star) + 1);
    entry.exists = exists(context, checked.empty() ? "." : checked);
    const bool fromAddpath = entry.explicitEntry;
    if (fromAddpath && entry.exists == false) {
      addProblem(report, {"addpath-missing", Severity::kWarning, entry.line, 0,
                          quoted(checked) + " does not exist", "check the addpath line"});
    } else if (fromAddpath && !entry.exists) {
      addProblem(report, {"not-checkable-here", Severity::kNote, entry.line, 0,
                          quoted(checked) + " cannot be checked on this system", ""});
    }
  }
}

void describeJarFolder(const LaunchContext& context, const JarFolder& folder, CheckReport& report) {
  const std::optional<bool> present = exists(context, folder.folder);
  if (!present) {
    addProblem(report, {"not-checkable-here", Severity::kNote, folder.line, 0,
                        quoted(folder.folder) + " cannot be checked on this system", ""});
  } else if (!*present) {
    addProblem(report, {"addjars-missing", Severity::kWarning, folder.line, 0,
                        "the folder " + quoted(folder.folder) + " does not exist: no jar added",
                        "check the addjars line"});
  } else if (folder.jars == 0) {
    addProblem(report, {"addjars-empty", Severity::kWarning, folder.line, 0,
                        "the folder " + quoted(folder.folder) + " holds no jar: nothing added",
                        "addjars adds the *.jar files directly in the folder, not in its "
                        "subfolders"});
  }
}

// Every "addsyspath" folder that does not exist.
void describeSystemPaths(const LaunchContext& context, CheckReport& report) {
  for (const auto& [number, value] : context.recorder.systemPaths()) {
    for (const std::string_view piece : splitList(value)) {
      const std::string folder(piece);
      if (!folder.empty() && exists(context, folder) == false) {
        addProblem(report, {"addsyspath-missing", Severity::kWarning, number, 0,
                            "the folder " + quoted(folder) + " does not exist",
                            "check the addsyspath line"});
      }
    }
  }
}

void describeMainClass(const LaunchContext& context, CheckReport& report) {
  const std::string& mainClass = context.configuration.mainClass();
  const bool appStart = startsTheAppOtherwise(context.configuration.vmParams());
  if (appStart && !context.configuration.classpathArgument().empty()) {
    addProblem(report,
               {"jar-with-class-path", Severity::kError, context.recorder.appStartLine(), 0,
                "the VM options start the app from a jar or a module (-jar, -m or --module), "
                "so the VM takes everything after it as the app's arguments: the class path of "
                "the addpath and addjars lines is never loaded",
                "name the main class with mainclass and put the app's jar on the class path "
                "with addpath, or list the libraries in the jar's manifest (Class-Path) and "
                "drop the addpath and addjars lines"});
  }
  if (mainClass.empty() && !appStart) {
    addProblem(report, {"no-mainclass", Severity::kWarning, 0, 0,
                        "no mainclass line: the VM is given no class to run",
                        "add a line such as \"mainclass com.example.Main\""});
  } else if (mainClass.find_first_of("/\\") != std::string::npos ||
             endsWithIgnoringCase(mainClass, ".class") ||
             endsWithIgnoringCase(mainClass, ".java")) {
    addProblem(report,
               {"mainclass-file-name", Severity::kWarning, context.recorder.lastLineOf("mainclass"),
                0, quoted(mainClass) + " is a file name, not a class name",
                "write the class name with dots and without an extension: "
                "com.example.Main"});
  }
}

}  // namespace

void describeLaunch(const LaunchContext& context, CheckReport& report) {
  report.launch.configFile = context.configuration.configFilePath();
  describeConfigFile(context, report);
  describePathAndCommandLine(context, report);
  describeVm(context, report);
  describeClassPath(context, report);
  for (const JarFolder& folder : context.recorder.jarFolders()) {
    describeJarFolder(context, folder, report);
  }
  describeSystemPaths(context, report);
  describeMainClass(context, report);
}

}  // namespace veltrane::check
