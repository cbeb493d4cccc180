// The text and gcc formats.
#include "check/report_formats.h"
#include "launcher/program_search.h"

namespace veltrane::check {

namespace {

std::string plural(size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string existence(const std::optional<bool>& exists) {
  if (!exists) {
    return "not checkable here";
  }
  return *exists ? "exists" : "missing";
}

void writeLines(const CheckReport& report, std::string& out) {
  out += "\nLines\n";
  for (const LineRecord& line : report.lines) {
    out += "  " + std::to_string(line.number) + "  " + line.text + "\n";
    out += "       " + (line.effect.empty() ? "(" + line.reason + ")" : line.effect) + "\n";
  }
}

void writeLaunch(const LaunchRecord& launch, std::string& out) {
  out += "\nLaunch\n";
  out += "  VM: " + (launch.jvmFound ? launch.jvmPath : std::string("not found")) + "\n";
  for (const Candidate& candidate : launch.tried) {
    out += "    tried " + candidate.path + ": " + candidate.result + "\n";
  }
  out += "  PATH: " + launch.path + "\n";
  out += "  Class path:" + std::string(launch.classPath.empty() ? " none\n" : "\n");
  for (const ClassPathEntry& entry : launch.classPath) {
    out += "    " + entry.entry + " (" +
           (entry.line == 0 ? std::string() : "line " + std::to_string(entry.line) + ", ") +
           existence(entry.exists) + ")\n";
  }
  out += "  Command line (" + std::to_string(launch.commandLine.size()) + " of " +
         std::to_string(kMaxCommandLine) + " characters):\n    " + launch.commandLine + "\n";
}

void writeProblems(const CheckReport& report, std::string& out) {
  if (report.problems.empty()) {
    return;
  }
  out += "\nProblems\n";
  for (const Problem& problem : report.problems) {
    out += "  ";
    if (problem.line != 0) {
      out += "line " + std::to_string(problem.line) + ": ";
    }
    out += std::string(severityName(problem.severity)) + ": " + problem.message + " [" +
           problem.code + "]\n";
    if (!problem.hint.empty()) {
      out += "    hint: " + problem.hint + "\n";
    }
  }
}

}  // namespace

std::string textReport(const CheckReport& report) {
  std::string out = "Configuration file: " + report.launch.configFile + " (read as " +
                    (report.codePage == "utf-8" ? "UTF-8" : "ANSI") + ")\n";
  writeLines(report, out);
  writeLaunch(report.launch, out);
  writeProblems(report, out);
  out += "\n" + plural(countOf(report, Severity::kError), "error") + ", " +
         plural(countOf(report, Severity::kWarning), "warning");
  if (countOf(report, Severity::kNote) > 0) {
    out += ", " + plural(countOf(report, Severity::kNote), "note");
  }
  return out + "\n";
}

std::string gccReport(const CheckReport& report) {
  std::string out;
  for (const Problem& problem : report.problems) {
    out += report.launch.configFile + ":" + std::to_string(problem.line == 0 ? 1 : problem.line) +
           ":" + std::to_string(problem.column == 0 ? 1 : problem.column) + ": " +
           severityName(problem.severity) + ": " + problem.message + " [" + problem.code + "]\n";
  }
  return out;
}

std::string textRun(const RunRecord& run) {
  std::string out = "\nRun\n";
  if (run.javaInsteadOfJavaw) {
    out += "  started " + run.vm + " instead of javaw.exe, so the VM's messages show here\n";
  } else if (!run.vm.empty()) {
    out += "  started " + run.vm + "\n";
  }
  out += run.exitStatus ? "  VM exit status: " + std::to_string(*run.exitStatus) + "\n"
                        : std::string("  the VM could not be started\n");
  if (!run.failureReport.empty()) {
    out += "  The launcher would show this report and exit with 1:\n\n" + run.failureReport + "\n";
  } else {
    out += "  The launcher would exit with 0.\n";
  }
  return out;
}

}  // namespace veltrane::check
