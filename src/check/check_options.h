// The checker's command line.
#ifndef VELTRANE_CHECK_CHECK_OPTIONS_H_
#define VELTRANE_CHECK_CHECK_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "check/byte_scan.h"
#include "check/report_formats.h"
#include "platform/platform.h"

namespace veltrane::check {

inline constexpr const char* kUsage =
    "usage: veltrane-check [--format text|json|gcc] [--code-page utf-8|ansi] "
    "[--mode classic|app|console] [--quiet] [--run] TARGET | --help | --version";

struct CheckOptions {
  Format format = Format::kText;
  std::optional<CodePage> codePage;
  std::optional<LaunchMode> mode;
  bool quiet = false;
  bool run = false;
  bool help = false;
  bool version = false;
  std::string target;
};

// The options, or nothing on a usage error: an unknown option or value, a
// missing TARGET or more than one.
std::optional<CheckOptions> parseOptions(const std::vector<std::string>& arguments);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_CHECK_OPTIONS_H_
