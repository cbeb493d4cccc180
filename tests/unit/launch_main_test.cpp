#include "launcher/launch_main.h"

#include <gtest/gtest.h>

#include "launcher/memory_exhaustion.h"
#include "launcher/report_shortening.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

class LaunchMain : public ::testing::Test {
 protected:
  LaunchMain() {
    platform.setCommandLine("C:\\apps\\tool.exe");
    platform.setEnvironment("PATH", "C:\\Windows");
  }
  void configure(const std::string& text) { platform.addFile("C:\\apps\\tool.config", text); }
  void run() { runLauncher(platform); }
  // The last line of the failure report.
  std::string errorLine() const {
    const std::string& text = platform.messages.at(0).text;
    return text.substr(text.rfind('\n') + 1);
  }

  FakePlatform platform;
};

TEST_F(LaunchMain, TheDefaultLaunchPassesFourEmptyArgumentsAndEndsWithZero) {
  platform.addFile("C:\\Windows\\javaw.exe");
  run();
  ASSERT_EQ(platform.starts.size(), 1u);
  EXPECT_EQ(platform.starts[0].application, "C:\\Windows\\javaw.exe");
  EXPECT_EQ(platform.starts[0].commandLine, "\"javaw.exe\"    ");
  EXPECT_EQ(platform.starts[0].path, ";C:\\Windows");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.exitStatus, 0);
}

TEST_F(LaunchMain, AFailingChildGetsTheFourLineReportAndStatusOne) {
  configure(
      "jvm C:\\java\\javaw.exe\nvmparam -Xmx512m\naddsyspath C:\\native\n"
      "addpath C:\\classes\nmainclass com.example.Main\nparam --verbose\n");
  platform.addFile("C:\\java\\javaw.exe");
  platform.exitCodes["C:\\java\\javaw.exe"] = 3;
  run();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].caption, "Error starting Veltrane");
  EXPECT_EQ(platform.messages[0].text,
            "Couldn't start Veltrane using \"C:\\java\\javaw.exe -Xmx512m "
            "-classpath \"C:\\classes;\" com.example.Main --verbose\".\n"
            "Configfile: C:\\apps\\tool.config\n"
            "commandline: C:\\apps\\tool.exe\n"
            "Error Message: No error");
  EXPECT_EQ(platform.starts[0].commandLine,
            "\"C:\\java\\javaw.exe\" -Xmx512m -classpath \"C:\\classes;\" com.example.Main "
            "--verbose");
  EXPECT_EQ(platform.starts[0].path, ";C:\\native;C:\\Windows");
  EXPECT_EQ(platform.exitStatus, 1);
}

TEST_F(LaunchMain, EachFailureNamesItsCause) {
  struct Case {
    std::string config;
    const char* errorLine;
  };
  const Case cases[] = {
      {"jvm C:\\nowhere\\javaw.exe", "Error Message: No such file or directory"},
      {"jvm C:\\java\\text.exe", "Error Message: Exec format error"},
      {"jvm C:\\java\\denied.exe", "Error Message: Permission denied"},
      {"jvm C:\\java\\elevated.exe", "Error Message: Invalid argument"},
      {"jvm C:\\java\\fails.exe", "Error Message: No error"},
      {"jvm C:\\java\\fails.exe\nvmparam -Dbig=" + std::string(33000, 'x'),
       "Error Message: Arg list too long"},
      {"addsyspath " + std::string(300, 'p'), "Error Message: Result too large"},
      {"jvm C:\\java\\fails.exe\nparam " + std::string(kMaxKeptText + 1, 'x'),
       "Error Message: Arg list too long"},
  };
  for (const Case& c : cases) {
    platform = FakePlatform();
    platform.setCommandLine("C:\\apps\\tool.exe");
    configure(c.config);
    platform.addFile("C:\\java\\text.exe");
    platform.startErrors["C:\\java\\text.exe"] = kErrorBadExeFormat;
    platform.addFile("C:\\java\\denied.exe");
    platform.startErrors["C:\\java\\denied.exe"] = kErrorAccessDenied;
    platform.addFile("C:\\java\\elevated.exe");
    platform.startErrors["C:\\java\\elevated.exe"] = 740;  // elevation required
    platform.addFile("C:\\java\\fails.exe");
    platform.exitCodes["C:\\java\\fails.exe"] = 1;
    run();
    ASSERT_EQ(platform.messages.size(), 1u) << c.config;
    EXPECT_EQ(errorLine(), c.errorLine) << c.config;
    EXPECT_EQ(platform.exitStatus, 1);
  }
}

TEST_F(LaunchMain, AMissingConfigurationFileShowsInTheReportOfAFailingChild) {
  platform.setCommandLine("\"C:\\my apps\\tool.exe\" ");
  platform.addFile(".\\javaw.exe");
  platform.exitCodes[".\\javaw.exe"] = 1;
  run();
  EXPECT_EQ(platform.messages.at(0).text,
            "Couldn't start Veltrane using \"javaw.exe    \".\n"
            "Configfile: C:\\my apps\\tool.config\n"
            "commandline: \"C:\\my apps\\tool.exe\n"
            "Error Message: No such file or directory");
}

TEST_F(LaunchMain, ALongReportIsShortenedForTheScreenAndTheChildGetsEverything) {
  const std::string longParam(3000, 'a');
  configure("jvm C:\\java\\javaw.exe\nparam " + longParam);
  platform.addFile("C:\\java\\javaw.exe");
  platform.exitCodes["C:\\java\\javaw.exe"] = 1;
  run();
  EXPECT_EQ(platform.starts.at(0).commandLine, "\"C:\\java\\javaw.exe\"    " + longParam);
  const std::string& shown = platform.messages.at(0).text;
  EXPECT_LE(shown.size(), kMaxShortenedReport);
  EXPECT_NE(shown.find(" characters]...aaa"), std::string::npos);
  EXPECT_EQ(errorLine(), "Error Message: No error");

  // A value too long to keep shows its start and counts every character.
  platform = FakePlatform();
  platform.setCommandLine("C:\\apps\\tool.exe");
  configure("jvm C:\\java\\javaw.exe\nparam " + std::string(3 * kMaxKeptText, 'a') + "\r\n");
  platform.addFile("C:\\java\\javaw.exe");
  run();
  EXPECT_TRUE(platform.starts.empty());
  EXPECT_NE(platform.messages.at(0).text.find("    " + std::string(64, 'a') +
                                              "...[3,145,664 characters]...\"."),
            std::string::npos);
  EXPECT_EQ(errorLine(), "Error Message: Arg list too long");
}

TEST_F(LaunchMain, ExhaustedMemoryShowsTheReportAndEndsWithOne) {
  EXPECT_FALSE(reportMemoryExhaustion());  // not prepared: the caller aborts
  prepareForMemoryExhaustion(platform);
  EXPECT_TRUE(reportMemoryExhaustion());
  EXPECT_EQ(platform.messages.at(0).text,
            "Couldn't start Veltrane using \"    \".\nConfigfile: \n"
            "commandline: C:\\apps\\tool.exe\nError Message: Not enough space");
  EXPECT_EQ(platform.exitStatus, 1);
}

TEST_F(LaunchMain, AppModePassesTheVmStatusOnAndReportsOnlyWhatTheLauncherFailedAt) {
  struct Case {
    LaunchMode mode;
    const char* config;  // nullptr: no configuration file
    std::uint32_t vmStatus;
    int exitStatus;
    const char* vm;         // the VM started, with the command line it got
    const char* errorLine;  // or the report's last line
  };
  const Case cases[] = {
      {LaunchMode::kApp, "jvm C:\\java\\javaw.exe", 7, 7, "C:\\java\\javaw.exe", nullptr},
      {LaunchMode::kApp, "jvm C:\\java\\javaw.exe", 0, 0, "C:\\java\\javaw.exe", nullptr},
      {LaunchMode::kApp, "", 0xC000013A, -1073741510, "C:\\java\\javaw.exe", nullptr},
      {LaunchMode::kApp, "", 0xFFFFFFFF, -1, "C:\\java\\javaw.exe", nullptr},
      {LaunchMode::kApp, "jvm C:\\nowhere\\javaw.exe", 0, 1, nullptr,
       "Error Message: No such file or directory"},
      {LaunchMode::kApp, nullptr, 0, 1, nullptr, "Error Message: No such file or directory"},
      {LaunchMode::kConsole, "", 42, 42, "C:\\java\\java.exe", nullptr},
      {LaunchMode::kConsole, "addsyspath C:\\none", 0, 1, nullptr,
       "Error Message: No such file or directory"},
  };
  for (const Case& c : cases) {
    platform = FakePlatform();
    platform.mode = c.mode;
    platform.setCommandLine("tool \"C:\\My Docs\\a.acd\" --x");
    platform.setEnvironment("PATH", "C:\\java");
    for (const char* vm : {"C:\\java\\javaw.exe", "C:\\java\\java.exe"}) {
      platform.addFile(vm);
      platform.exitCodes[vm] = c.vmStatus;
    }
    if (c.config != nullptr) {
      configure(std::string(c.config) + "\nmainclass com.acme.Main\nparam --verbose\n");
    }
    if (c.config != nullptr && c.config == std::string_view("addsyspath C:\\none")) {
      platform.unsetEnvironment("PATH");
    }
    run();
    SCOPED_TRACE(std::string(c.config == nullptr ? "no config" : c.config));
    EXPECT_EQ(platform.exitStatus, c.exitStatus);
    if (c.vm != nullptr) {
      EXPECT_TRUE(platform.messages.empty());
      ASSERT_EQ(platform.starts.size(), 1u);
      EXPECT_EQ(platform.starts[0].application, c.vm);
      // The argument tail follows the "param" values exactly as it was written.
      const std::string tail = " com.acme.Main --verbose \"C:\\My Docs\\a.acd\" --x";
      EXPECT_EQ(platform.starts[0].commandLine.substr(platform.starts[0].commandLine.size() -
                                                      tail.size()),
                tail);
      continue;
    }
    EXPECT_TRUE(platform.starts.empty());
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(errorLine(), c.errorLine);
    // Nothing cuts the command line in app mode: the report shows it whole.
    EXPECT_NE(platform.messages[0].text.find("\ncommandline: tool \"C:\\My Docs\\a.acd\" --x\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace veltrane
