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

// A report of up to this many characters (what a formatting buffer of 2,048
// bytes holds) is shown whole. One of 680,000 characters (20,000 jars) would
// be laid out far off the screen, and nobody could dismiss it.
constexpr size_t kMaxWholeReport = 2047;

// A longer report is shortened to at most this many characters. On a
// 1024x768 screen under Wine, 2,047 characters of class path, which wrap
// only at its backslashes, already make a box 777 pixels high; this many
// leave the box and its OK button well on the screen.
constexpr size_t kMaxShortenedReport = 1600;

// The value, when it is longer than maxLength characters, with its middle
// replaced by "...[612,345 characters]..." (the number of characters left
// out), so that at most maxLength characters remain and its start and end
// show. Of a run too long for one line of the box, at most 64 characters
// are kept, so the box never grows wider than the screen for a shortened
// value. A character of the ANSI code page (double-byte, or UTF-8) is never
// split, and lengths and counts are in characters. A value that was kept
// only in part has dropped more characters behind it: it shows its start,
// and the mark counts what follows.
std::string shortenedValue(Platform& platform, std::string_view value, size_t maxLength,
                           size_t dropped = 0);

// The failure report as the message box shows it: a report of at most
// kMaxWholeReport characters is the whole report; a longer one has its
// longest values shortened to fit kMaxShortenedReport characters, so that it
// keeps its four lines, the start and end of every value and the whole error
// line. Only the display is shortened: the child's command line is never
// touched.
std::string shortenedReport(Platform& platform, std::string_view applicationName,
                            const WrapperConfiguration& configuration, std::string_view commandLine,
                            std::string_view errorText);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_REPORT_SHORTENING_H_
