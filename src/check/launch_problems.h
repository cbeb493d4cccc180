// The problems of the launch as a whole, one family per file: the
// configuration file and the PATH (launch_problems.cpp), the VM
// (vm_problems.cpp), the class path (class_path_problems.cpp), the main
// class line (main_class_problems.cpp) and the main class's own file
// (main_class_file.cpp).
#ifndef VELTRANE_CHECK_LAUNCH_PROBLEMS_H_
#define VELTRANE_CHECK_LAUNCH_PROBLEMS_H_

#include <optional>
#include <string>

#include "check/check_report.h"
#include "check/host_facts.h"
#include "check/line_recorder.h"
#include "check/recording_platform.h"
#include "config/wrapper_configuration.h"

namespace veltrane::check {

struct LaunchContext {
  const std::string& target;  // as the checker was given it
  const HostFacts& host;
  Platform& system;  // for looking at files, never through the recording
  const WrapperConfiguration& configuration;
  const LineRecorder& recorder;
  const RecordingPlatform& recording;
  int errorNumber;  // as the search left it
};

// Fills the report's launch record and adds the launch's problems.
void describeLaunch(const LaunchContext& context, CheckReport& report);

void describeVm(const LaunchContext& context, CheckReport& report);
void describeClassPath(const LaunchContext& context, CheckReport& report);
void describeMainClass(const LaunchContext& context, CheckReport& report);
// Whether the main class is written as a file name (com/example/Main.class).
bool isFileName(std::string_view mainClass);

// Looks the main class up in the class path's jars and folders (after
// describeVm and describeClassPath, whose findings it uses).
void describeMainClassFile(const LaunchContext& context, CheckReport& report);

// Whether a file-system entry exists; empty when this system cannot tell.
std::optional<bool> exists(const LaunchContext& context, const std::string& path);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LAUNCH_PROBLEMS_H_
