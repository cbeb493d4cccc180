// The text and gcc formats.
#include <cstdio>

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

std::string hex(const char* format, unsigned value) {
  char text[8];
  static_cast<void>(std::snprintf(text, sizeof text, format, value));
  return text;
}

// Appends the text as one line of output, its control characters escaped.
void put(std::string& out, std::string_view text, bool utf8) {
  out += escapedControls(text, utf8);
  out += '\n';
}

void writeLaunch(const LaunchRecord& launch, bool utf8, std::string& out) {
  out += "\nLaunch\n";
  put(out, "  VM: " + (launch.jvmFound ? launch.jvmPath : std::string("not found")), utf8);
  for (const Candidate& candidate : launch.tried) {
    put(out, "    tried " + candidate.path + ": " + candidate.result, utf8);
  }
  put(out, "  PATH: " + launch.path, utf8);
  out += "  Class path:" + std::string(launch.classPath.empty() ? " none\n" : "\n");
  for (const ClassPathEntry& entry : launch.classPath) {
    put(out,
        "    " + entry.entry + " (" +
            (entry.line == 0 ? std::string() : "line " + std::to_string(entry.line) + ", ") +
            existence(entry.exists) + ")",
        utf8);
  }
  out += "  Command line (" + std::to_string(launch.commandLineLength) + " of " +
         std::to_string(kMaxCommandLine) + " characters):\n";
  put(out, "    " + launch.commandLine, utf8);
}

void writeProblems(const CheckReport& report, bool quiet, std::string& out) {
  if (report.problems.empty()) {
    return;
  }
  out += quiet ? "Problems\n" : "\nProblems\n";
  const bool utf8 = report.codePage == "utf-8";
  for (const Problem& problem : report.problems) {
    put(out,
        "  " + (problem.line != 0 ? "line " + std::to_string(problem.line) + ": " : "") +
            severityName(problem.severity) + ": " + problem.message + " [" + problem.code + "]",
        utf8);
    if (!problem.hint.empty()) {
      put(out, "    hint: " + problem.hint, utf8);
    }
  }
}

}  // namespace

std::string escapedControls(std::string_view text, bool utf8) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
    if (c < 0x20 || c == 0x7F) {
      out += hex("\\x%02x", c);
    } else if (utf8 && c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      out += hex("\\u%04x", next);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string textHeader(const CheckReport& report, bool quiet) {
  if (quiet) {
    return "";
  }
  std::string out;
  put(out,
      "Configuration file: " + report.launch.configFile + " (read as " +
          (report.codePage == "utf-8" ? "UTF-8" : "ANSI") + ")",
      report.codePage == "utf-8");
  if (report.mode != "classic") {
    // The file and %EXEDIR% follow from where the launcher is, not from
    // how it is started.
    put(out,
        "Mode: " + report.mode + " (%EXEDIR% is " + report.exeDir +
            "; values are expanded; the launcher's arguments go to the application)",
        report.codePage == "utf-8");
  }
  return out + "\nLines\n";
}

std::string textLine(const LineRecord& line, bool utf8) {
  if (line.effect.empty() && (line.reason == "comment" || line.reason == "blank")) {
    return "";
  }
  std::string out;
  put(out, "  " + std::to_string(line.number) + "  " + line.text, utf8);
  put(out, "       " + (line.effect.empty() ? "(" + line.reason + ")" : line.effect), utf8);
  return out;
}

std::string textRest(const CheckReport& report, bool quiet) {
  std::string out;
  if (!quiet) {
    writeLaunch(report.launch, report.codePage == "utf-8", out);
  }
  writeProblems(report, quiet, out);
  out += (quiet && report.problems.empty() ? "" : "\n") +
         plural(countOf(report, Severity::kError), "error") + ", " +
         plural(countOf(report, Severity::kWarning), "warning");
  if (countOf(report, Severity::kNote) > 0) {
    out += ", " + plural(countOf(report, Severity::kNote), "note");
  }
  return out + "\n";
}

std::string gccReport(const CheckReport& report) {
  std::string out;
  for (const Problem& problem : report.problems) {
    put(out,
        report.launch.configFile + ":" + std::to_string(problem.line == 0 ? 1 : problem.line) +
            ":" + std::to_string(problem.column == 0 ? 1 : problem.column) + ": " +
            severityName(problem.severity) + ": " + problem.message + " [" + problem.code + "]",
        report.codePage == "utf-8");
  }
  return out;
}

std::string textRun(const RunRecord& run, bool utf8) {
  std::string out = "\nRun\n";
  if (run.javaInsteadOfJavaw) {
    put(out, "  started " + run.vm + " instead of javaw.exe, so the VM's messages show here", utf8);
  } else if (!run.vm.empty()) {
    put(out, "  started " + run.vm, utf8);
  }
  out += run.exitStatus ? "  VM exit status: " + std::to_string(*run.exitStatus) + "\n"
                        : std::string("  the VM could not be started\n");
  if (run.failureReport.empty()) {
    return out + "  The launcher would exit with " + std::to_string(run.launcherStatus) + ".\n";
  }
  out += "  The launcher would show this report and exit with 1:\n\n";
  // The report's own lines stay lines; nothing else in it may break one.
  const std::string_view report = run.failureReport;
  for (size_t start = 0; start <= report.size();) {
    const size_t end = std::min(report.find('\n', start), report.size());
    put(out, report.substr(start, end - start), utf8);
    start = end + 1;
  }
  return out;
}

}  // namespace veltrane::check
