#include "check/check_report.h"

#include <algorithm>

namespace veltrane::check {

size_t countOf(const CheckReport& report, Severity severity) {
  return static_cast<size_t>(
      std::count_if(report.problems.begin(), report.problems.end(),
                    [severity](const Problem& problem) { return problem.severity == severity; }));
}

int exitStatusOf(const CheckReport& report) {
  if (countOf(report, Severity::kError) > 0) {
    return 2;
  }
  return countOf(report, Severity::kWarning) > 0 ? 1 : 0;
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
