#include "launcher/memory_exhaustion.h"

#include <cstdlib>

#include "launcher/error_numbers.h"
#include "launcher/failure_report.h"

namespace veltrane {

namespace {

// Enough for the report, the message box and the libraries it loads. Never
// touched, so it costs address space but no working set.
constexpr size_t kReserveSize = size_t{8} * 1024 * 1024;

Platform* reportingPlatform = nullptr;
void* reserve = nullptr;
bool reporting = false;

}  // namespace

void prepareForMemoryExhaustion(Platform& platform) {
  reportingPlatform = &platform;
  reserve = std::malloc(kReserveSize);  // NOLINT(cppcoreguidelines-no-malloc): raw memory only
}

bool reportMemoryExhaustion() {
  if (reportingPlatform == nullptr) {
    return false;
  }
  Platform& platform = *reportingPlatform;
  if (reporting) {
    platform.exitProcess(1);  // no memory even for the report
    return true;
  }
  reporting = true;
  std::free(reserve);  // NOLINT(cppcoreguidelines-no-malloc)
  reserve = nullptr;
  // The record may be half built: the report names only what is certain.
  const std::string name = platform.applicationName();
  ReportValues values{};
  values[0] = name;
  values[kReportValueCount - 1] = platform.commandLine();
  platform.showMessage(formatReport(values, errorText(kNotEnoughSpace)), reportCaption(name));
  platform.exitProcess(1);
  return true;
}

}  // namespace veltrane
