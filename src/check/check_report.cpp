#include "check/check_report.h"

#include <algorithm>

namespace veltrane::check {

bool ProblemLimit::admit(const Problem& problem) {
  Seen& seen = seen_[problem.code];
  seen.severity = problem.severity;
  return ++seen.count <= kListedPerCode;
}

void ProblemLimit::report(CheckReport& report) const {
  for (const auto& [code, seen] : seen_) {
    if (seen.count <= kListedPerCode) {
      continue;
    }
    const size_t unlisted = seen.count - kListedPerCode;
    report.unlisted.at(static_cast<size_t>(seen.severity)) += unlisted;
    report.problems.push_back({"not-listed", Severity::kNote, 0, 0,
                               std::to_string(unlisted) + " more " + code +
                                   " problems are counted but not listed: only the first " +
                                   std::to_string(kListedPerCode) + " of a code are",
                               "fix those listed and check again"});
  }
}

size_t countOf(const CheckReport& report, Severity severity) {
  return report.unlisted.at(static_cast<size_t>(severity)) +
         static_cast<size_t>(std::count_if(
             report.problems.begin(), report.problems.end(),
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
