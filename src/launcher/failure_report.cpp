#include "launcher/failure_report.h"

namespace veltrane {

std::string failureReport(const WrapperConfiguration& configuration, std::string_view commandLine,
                          std::string_view errorText) {
  // The VM command appears without the quotes the child gets, so the line
  // reads like the command a user would type.
  std::string report = "Couldn't start Veltrane using \"";
  report += configuration.jvmCommand() + ' ' + configuration.vmParams() + ' ' +
            configuration.classpathArgument() + ' ' + configuration.mainClass() + ' ' +
            configuration.appParams();
  report += "\".\nConfigfile: " + configuration.configFilePath();
  report += "\ncommandline: ";
  report += commandLine;
  report += "\nError Message: ";
  report += errorText;
  return report;
}

}  // namespace veltrane
