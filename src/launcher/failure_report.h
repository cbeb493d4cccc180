// The one message the launcher ever shows: why the Java VM did not run.
#ifndef VELTRANE_LAUNCHER_FAILURE_REPORT_H_
#define VELTRANE_LAUNCHER_FAILURE_REPORT_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "config/wrapper_configuration.h"

namespace veltrane {

// The texts a report is made of, in the order it shows them: the
// application's name, the five launch values, the configuration file and
// the launcher's command line.
constexpr size_t kReportValueCount = 8;
using ReportValues = std::array<std::string_view, kReportValueCount>;

ReportValues reportValues(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine);

// How many characters each value has beyond those it kept, in the same
// order: the record keeps only the start of a text too long to launch.
using ReportLengths = std::array<size_t, kReportValueCount>;
ReportLengths droppedLengths(const WrapperConfiguration& configuration);

// The report of these values and the error text, in its fixed format.
std::string formatReport(const ReportValues& values, std::string_view errorText);

// The report's caption: "Error starting " and the application's name.
std::string reportCaption(std::string_view applicationName);

// Four lines: the command that was tried, the configuration file, the
// launcher's command line and the error text. Built whole at any length.
std::string failureReport(std::string_view applicationName,
                          const WrapperConfiguration& configuration, std::string_view commandLine,
                          std::string_view errorText);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_FAILURE_REPORT_H_
