#include "launcher/failure_report.h"

namespace veltrane {

std::string reportCaption(std::string_view applicationName) {
  std::string caption = "Error starting ";
  caption += applicationName;
  return caption;
}

std::string failureReport(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine,
                          std::string_view errorText) {
  // The VM command appears without the quotes the child gets, so the line
  // reads like the command a user would type.
  std::string report = "Couldn't start ";
  report += applicationName;
  report += " using \"";
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
