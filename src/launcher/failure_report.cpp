#include "launcher/failure_report.h"

namespace veltrane {

ReportValues reportValues(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine) {
  // The VM command appears without the quotes the child gets, so the line
  // reads like the command a user would type.
  return {applicationName,
          configuration.jvmCommand(),
          configuration.vmParams(),
          configuration.classpathArgument(),
          configuration.mainClass(),
          configuration.appParams(),
          configuration.configFilePath(),
          commandLine};
}

ReportLengths droppedLengths(const WrapperConfiguration& configuration) {
  const WrapperConfiguration::DroppedLengths& dropped = configuration.droppedLengths();
  return {0,
          dropped.jvmCommand,
          dropped.vmParams,
          dropped.classpathArgument,
          dropped.mainClass,
          dropped.appParams,
          0,
          0};
}

std::string formatReport(const ReportValues& values, std::string_view errorText) {
  std::string report = "Couldn't start ";
  report += values[0];
  report += " using \"";
  for (size_t i = 1; i <= 5; ++i) {
    report += values[i];
    report += i < 5 ? " " : "\".\nConfigfile: ";
  }
  report += values[6];
  report += "\ncommandline: ";
  report += values[7];
  report += "\nError Message: ";
  report += errorText;
  return report;
}

std::string reportCaption(std::string_view applicationName) {
  std::string caption = "Error starting ";
  caption += applicationName;
  return caption;
}

std::string failureReport(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine,
                          std::string_view errorText) {
  return formatReport(reportValues(applicationName, configuration, commandLine), errorText);
}

}  // namespace veltrane
