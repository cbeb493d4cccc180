// veltrane-check: shows, line by line, what the launcher will do with a
// configuration, and why an app would not start.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
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
    "  --mode classic|app|console  how the launcher was made (default: read from the\n"
    "                          launcher, or classic for a configuration file); it\n"
    "                          overrides what a launcher says\n"
    "  --quiet, -q             text: the problems and the summary only\n"
    "  --run                   start the VM as the launcher would, in this console\n"
    "                          (Windows only), and show its exit status\n"
    "  --version               the release's version\n"
    "Exit status: 0 no problem, 1 warnings only, 2 an error, 64 a usage error.\n"
    "The manual: docs/checker.md of the release.\n";

void write(std::string_view text) {
  // Nothing useful is left to do when the console or the pipe is gone.
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stdout));
}

void writeNow(std::string_view text) {
  write(text);
  static_cast<void>(std::fflush(stdout));
}

// The report so far stays; one line says why it ends there.
[[noreturn]] void outOfMemory() {
  static_cast<void>(std::fflush(stdout));
  static_cast<void>(
      std::fputs("veltrane-check: out of memory: the check stopped before its end\n", stderr));
  std::_Exit(2);
}

int check(const CheckOptions& options) {
  CheckReport report;
  CheckRequest request{options.target, options.codePage, options.mode};
  const std::unique_ptr<Platform> ansi = makeHostPlatform(CodePage::kAnsi);
  request.codePage = chooseCodePage(*ansi, request, report);
  request.mode = chooseMode(*ansi, request);
  prepareConsole(*request.codePage);
  const std::unique_ptr<Platform> system = makeHostPlatform(*request.codePage);
  ReportWriter writer(options.format, options.quiet, write);
  // With --run, the VM's own messages come before a JSON report, never in it.
  const bool jsonAfterRun = options.run && options.format == Format::kJson;
  const HostFacts host = hostFacts();
  checkTarget(*system, host, request.target, *request.codePage, *request.mode, report,
              jsonAfterRun ? nullptr : &writer);
  if (!options.run) {
    writer.finish(report);
    writeNow("");
    return exitStatusOf(report);
  }
  // The report comes first; the VM's own messages follow it.
  if (!jsonAfterRun) {
    writer.finish(report);
    writeNow("");
  }
  report.run = runTarget(*system, host, request);
  writeNow(jsonAfterRun ? jsonReport(report) : textRun(*report.run, report.codePage == "utf-8"));
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
    writeNow(std::string(kUsage) + "\n" + kHelp);
    return 0;
  }
  if (options->version) {
    writeNow("veltrane-check " VELTRANE_VERSION "\n");
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
  std::set_new_handler(veltrane::check::outOfMemory);
  return veltrane::check::checkerMain(std::vector<std::string>(argv + 1, argv + argc));
}
