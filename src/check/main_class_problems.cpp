// The "mainclass" line, and how it goes with the VM options that start the
// app otherwise.

#include "check/ascii_case.h"
#include "check/launch_problems.h"
#include "check/problem_text.h"

namespace veltrane::check {

bool isFileName(std::string_view mainClass) {
  return mainClass.find_first_of("/\\") != std::string::npos ||
         endsWithIgnoringCase(mainClass, ".class") || endsWithIgnoringCase(mainClass, ".java");
}

void describeMainClass(const LaunchContext& context, CheckReport& report) {
  const std::string& mainClass = context.configuration.mainClass();
  const bool appStart = startsTheAppOtherwise(context.configuration.vmParams());
  if (appStart && !context.configuration.classpathArgument().empty()) {
    report.problems.push_back(
        {"jar-with-class-path", Severity::kError, context.recorder.appStartLine(), 0,
         "the VM options start the app from a jar or a module (-jar, -m or --module), "
         "so the VM takes everything after it as the app's arguments: the class path of "
         "the addpath and addjars lines is never loaded",
         "name the main class with mainclass and put the app's jar on the class path "
         "with addpath, or list the libraries in the jar's manifest (Class-Path) and "
         "drop the addpath and addjars lines"});
  }
  if (mainClass.empty() && !appStart) {
    report.problems.push_back({"no-mainclass", Severity::kWarning, 0, 0,
                               "no mainclass line: the VM is given no class to run",
                               "add a line such as \"mainclass com.example.Main\""});
  } else if (!startsTheAppOtherwise(mainClass) && isFileName(mainClass)) {
    report.problems.push_back({"mainclass-file-name", Severity::kWarning,
                               context.recorder.lastLineOf("mainclass"), 0,
                               quoted(mainClass) + " is a file name, not a class name",
                               "write the class name with dots and without an extension: "
                               "com.example.Main"});
  }
}

}  // namespace veltrane::check
