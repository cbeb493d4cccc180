#include "launcher/launch_main.h"

#include "config/wrapper_configuration.h"
#include "launcher/argument_tail.h"
#include "launcher/error_numbers.h"
#include "launcher/failure_report.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"
#include "launcher/report_shortening.h"
#include "launcher/start_information.h"

namespace veltrane {

// A configuration file that failed to open leaves its reason behind, and the
// report of a child that then fails shows it.
int startingErrorNumber(const WrapperConfiguration& configuration) {
  return configuration.configFileError() == 0
             ? kNoError
             : errorNumberFromSystemError(configuration.configFileError());
}

// Every argument is passed, empty or not: the child's command line always
// has the same shape.
std::vector<std::string> childArguments(const WrapperConfiguration& configuration) {
  return {configuration.quotedJvmCommand(), configuration.vmParams(),
          configuration.classpathArgument(), configuration.mainClass(), configuration.appParams()};
}

SpawnOptions vmSpawnOptions(Platform& platform, LaunchMode mode) {
  SpawnOptions options;
  // An app is opened with a document in any folder: a javaw.exe planted
  // beside the document must not be the program that starts.
  options.currentFolderFirst = mode == LaunchMode::kClassic;
  options.startup = vmStartInformation(platform, mode);
  return options;
}

namespace {

int showFailureReport(Platform& platform, const WrapperConfiguration& configuration,
                      int errorNumber) {
  // The name is looked up only now: a clean launch never reads resources.
  const std::string name = platform.applicationName();
  // The box shows a report short enough for the screen; the VM got every
  // value whole.
  platform.showMessage(shortenedReport(platform, name, configuration, platform.commandLine(),
                                       errorText(errorNumber)),
                       reportCaption(name));
  return 1;
}

// Once the VM runs it speaks for itself: its exit status is the launcher's,
// and it has shown its own errors. The report is kept for what the launcher
// failed at: a configuration it could not read, a VM it could not start.
int launchApp(Platform& platform, const WrapperConfiguration& configuration) {
  if (configuration.configFileError() != 0) {
    return showFailureReport(platform, configuration, startingErrorNumber(configuration));
  }
  installPathAssignment(platform, configuration.pathAssignment());
  int errorNumber = kNoError;
  const int status =
      spawnAndWait(platform, configuration.jvmCommand(), childArguments(configuration), errorNumber,
                   vmSpawnOptions(platform, configuration.mode()));
  // Every start that fails leaves its reason; one that ran leaves none.
  if (errorNumber == kNoError) {
    return status;
  }
  return showFailureReport(platform, configuration, errorNumber);
}

}  // namespace

int launchMain(Platform& platform, char* argumentTail) {
  const WrapperConfiguration configuration(platform, argumentTail);
  if (configuration.mode() != LaunchMode::kClassic) {
    return launchApp(platform, configuration);
  }
  int errorNumber = startingErrorNumber(configuration);
  installPathAssignment(platform, configuration.pathAssignment());
  if (spawnAndWait(platform, configuration.jvmCommand(), childArguments(configuration),
                   errorNumber) == 0) {
    return 0;
  }
  return showFailureReport(platform, configuration, errorNumber);
}

void runLauncher(Platform& platform) {
  const int status = launchMain(platform, argumentTail(platform.commandLine(), platform));
  platform.exitProcess(status);
}

}  // namespace veltrane
