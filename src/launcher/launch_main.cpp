#include "launcher/launch_main.h"

#include "config/wrapper_configuration.h"
#include "launcher/argument_tail.h"
#include "launcher/error_numbers.h"
#include "launcher/failure_report.h"
#include "launcher/path_install.h"
#include "launcher/program_search.h"

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

int launchMain(Platform& platform, char* argumentTail) {
  const WrapperConfiguration configuration(platform, argumentTail);
  int errorNumber = startingErrorNumber(configuration);
  installPathAssignment(platform, configuration.pathAssignment());
  if (spawnAndWait(platform, configuration.jvmCommand(), childArguments(configuration),
                   errorNumber) == 0) {
    return 0;
  }
  // The name is looked up only now: a clean launch never reads resources.
  const std::string name = platform.applicationName();
  platform.showMessage(
      failureReport(name, configuration, platform.commandLine(), errorText(errorNumber)),
      reportCaption(name));
  return 1;
}

void runLauncher(Platform& platform) {
  const int status = launchMain(platform, argumentTail(platform.commandLine(), platform));
  platform.exitProcess(status);
}

}  // namespace veltrane
