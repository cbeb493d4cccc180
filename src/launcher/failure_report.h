// The one message the launcher ever shows: why the Java VM did not run.
#ifndef VELTRANE_LAUNCHER_FAILURE_REPORT_H_
#define VELTRANE_LAUNCHER_FAILURE_REPORT_H_

#include <string>
#include <string_view>

#include "config/wrapper_configuration.h"

namespace veltrane {

// The report's caption: "Error starting " and the application's name.
std::string reportCaption(std::string_view applicationName);

// Four lines: the command that was tried, the configuration file, the
// launcher's command line and the error text. Built whole at any length.
std::string failureReport(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine,
                          std::string_view errorText);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_FAILURE_REPORT_H_
