#include "check/check_report.h"

#include <algorithm>

namespace veltrane::check {

size_t CheckReport::count(Severity severity) const {
  return static_cast<size_t>(
      std::count_if(problems.begin(), problems.end(),
                    [severity](const Problem& problem) { return problem.severity == severity; }));
}

int CheckReport::exitStatus() const {
  if (count(Severity::kError) > 0) {
    return 2;
  }
  return count(Severity::kWarning) > 0 ? 1 : 0;
}

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::kNote:
      return "note";
    case Severity::kWarning:
      return "warning";
    case Severity::kError:
      return "error";
  }
  return "error";
}

}  // namespace veltrane::check
