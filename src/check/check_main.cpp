// veltrane-check: shows, line by line, what the launcher will do with a
// configuration, and why an app would not start.
#include <cstdio>
#include <string>
#include <vector>

#include "check/check_options.h"
#include "check/host.h"
#include "check/launch_check.h"
#include "check/report_formats.h"

namespace veltrane::check {

namespace {

constexpr int kUsageError = 64;

constexpr const char* kHelp =
    "Shows what the Veltrane launcher will do with a configuration, line by line.\n"
    "TARGET is a configuration file, or a launcher (.exe) whose configuration\n"
    "file is found as the launcher finds it.\n"
    "  --format text|json|gcc  how to write the report (default text)\n"
    "  --code-page utf-8|ansi  how the launcher reads the file (default: from the\n"
    "                          launcher's manifest, or ansi for a configuration file)\n"
    "  --run                   start the VM as the launcher would, in this console\n"
    "                          (Windows only), and show its exit status\n"
    "Exit status: 0 no problem, 1 warnings only, 2 an error, 64 a usage error.\n";

void write(const std::string& text) {
  // Nothing useful is left to do when the console or the pipe is gone.
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
  static_cast<void>(std::fflush(stdout));
}

std::string formatted(const CheckReport& report, Format format) {
  switch (format) {
    case Format::kJson:
      return jsonReport(report);
    case Format::kGcc:
      return gccReport(report);
    case Format::kText:
      break;
  }
  return textReport(report);
}

int check(const CheckOptions& options) {
  CheckReport report;
  CheckRequest request{options.target, options.codePage};
  request.codePage = chooseCodePage(*makeHostPlatform(CodePage::kAnsi), request, report);
  prepareConsole(*request.codePage);
  const std::unique_ptr<Platform> system = makeHostPlatform(*request.codePage);
  checkTarget(*system, hostFacts(), request.target, *request.codePage, report);
  if (!options.run) {
    write(formatted(report, options.format));
    return exitStatusOf(report);
  }
  // The report comes first; the VM's own messages follow it.
  if (options.format != Format::kJson) {
    write(formatted(report, options.format));
  }
  report.run = runTarget(*system, request);
  write(options.format == Format::kJson ? jsonReport(report) : textRun(*report.run));
  return report.run->failureReport.empty() ? exitStatusOf(report) : 2;
}

}  // namespace

int checkerMain(const std::vector<std::string>& arguments) {
  const std::optional<CheckOptions> options = parseOptions(arguments);
  if (!options) {
    static_cast<void>(std::fprintf(stderr, "%s\n", kUsage));
    return kUsageError;
  }
  if (options->help) {
    write(std::string(kUsage) + "\n" + kHelp);
    return 0;
  }
  if (options->run && !canRunHere()) {
    static_cast<void>(
        std::fprintf(stderr, "veltrane-check: --run starts the VM and works on Windows only\n"));
    return kUsageError;
  }
  return check(*options);
}

}  // namespace veltrane::check

int main(int argc, char** argv) {
  return veltrane::check::checkerMain(std::vector<std::string>(argv + 1, argv + argc));
}
