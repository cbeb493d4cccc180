// Fits the failure report to a message box that shows it whole on the
// screen, with its OK button.
#ifndef VELTRANE_LAUNCHER_REPORT_SHORTENING_H_
#define VELTRANE_LAUNCHER_REPORT_SHORTENING_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "config/wrapper_configuration.h"
#include "platform/platform.h"

namespace veltrane {

// The longest report the message box is given: what a formatting buffer of
// 2,048 bytes holds. A report this long still fits a 1024x768 screen; one
// of 680,000 characters (20,000 jars) is laid out far off the screen and can
// never be dismissed.
constexpr size_t kMaxShownReport = 2047;

// The value, when it is longer than maxLength characters, with its middle
// replaced by "...[612,345 characters]..." (the number of characters left
// out), so that at most maxLength characters remain and its start and end
// show. A double-byte character of the ANSI code page is never split.
std::string shortenedValue(Platform& platform, std::string_view value, size_t maxLength);

// The failure report as the message box shows it: a report of at most
// kMaxShownReport characters is the whole report; a longer one has its
// longest values shortened until it fits, so that it keeps its four lines,
// the start and end of every value and the whole error line. Only the
// display is shortened: the child's command line is never touched.
std::string shortenedReport(Platform& platform, std::string_view applicationName,
                            const WrapperConfiguration& configuration, std::string_view commandLine,
                            std::string_view errorText);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_REPORT_SHORTENING_H_
