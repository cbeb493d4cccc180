// The problems of the launch as a whole: the configuration file, the VM
// search, the PATH, the command line, the class path and the main class.
#ifndef VELTRANE_CHECK_LAUNCH_PROBLEMS_H_
#define VELTRANE_CHECK_LAUNCH_PROBLEMS_H_

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

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_LAUNCH_PROBLEMS_H_
