// The texts more than one family of problems writes, each written once.
#ifndef VELTRANE_CHECK_PROBLEM_TEXT_H_
#define VELTRANE_CHECK_PROBLEM_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "check/check_report.h"
#include "check/host_facts.h"
#include "platform/platform.h"

namespace veltrane::check {

// The text in double quotes, cut to a thousand characters and a count of
// the rest.
std::string quoted(std::string_view text);

// A system error as the launcher's report names it, and its number.
std::string systemErrorText(SystemError error);

// A relative path, resolved at launch against the current directory.
Problem relativePathProblem(const HostFacts& host, LaunchMode mode, size_t line,
                            std::string_view path);
// A path this system cannot look at.
Problem notCheckableProblem(size_t line, std::string_view path);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_PROBLEM_TEXT_H_
