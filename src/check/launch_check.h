// Runs the launcher's own configuration, search and command-line code over a
// recording platform, and reports what the launch would be.
#ifndef VELTRANE_CHECK_LAUNCH_CHECK_H_
#define VELTRANE_CHECK_LAUNCH_CHECK_H_

#include <optional>
#include <string>

#include "check/byte_scan.h"
#include "check/check_report.h"
#include "check/host_facts.h"
#include "platform/platform.h"

namespace veltrane::check {

struct CheckRequest {
  // A configuration file, or a launcher (a path ending in ".exe") whose
  // configuration file is derived from its path as the launcher does.
  std::string target;
  // The code page the launcher reads the file in; when not given, a
  // launcher's manifest tells, and a configuration file is read as ANSI.
  std::optional<CodePage> codePage;
  // How the launcher was made: when not given, a launcher tells, and a
  // configuration file is checked as a classic launcher reads it.
  std::optional<LaunchMode> mode = std::nullopt;
};

// Receives each line's record as soon as it is complete, with the report's
// code page and configuration file already set, so a report can be written
// while a file of any size is read.
class LineRecordSink {
 public:
  virtual void line(const CheckReport& report, const LineRecord& line) = 0;

 protected:
  ~LineRecordSink() = default;
};

bool isLauncherPath(const std::string& target);

// The code page the launcher reads the configuration in: as requested, else
// from a launcher's manifest (a problem in the report when it cannot be
// read), else ANSI.
CodePage chooseCodePage(Platform& system, const CheckRequest& request, CheckReport& report);

// The launch mode: as requested, else read from a launcher (classic when it
// cannot be read), else classic.
LaunchMode chooseMode(Platform& system, const CheckRequest& request);

const char* modeName(LaunchMode mode);

// Checks the target with the code page and the mode chosen, adding to the
// report; the lines go to the sink when there is one, else into the report.
// In app mode a launcher's configuration is the one beside it, and a
// configuration file is read as the one beside its launcher, whose folder is
// the file's. Changes nothing: no environment change, no process start, no
// file written.
void checkTarget(Platform& system, const HostFacts& host, const std::string& target,
                 CodePage codePage, LaunchMode mode, CheckReport& report,
                 LineRecordSink* lines = nullptr);

// Both of the above, with one platform.
CheckReport checkTarget(Platform& system, const HostFacts& host, const CheckRequest& request);

// Starts the VM exactly as the launcher would, in this console, and waits.
RunRecord runTarget(Platform& system, const HostFacts& host, const CheckRequest& request);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LAUNCH_CHECK_H_
