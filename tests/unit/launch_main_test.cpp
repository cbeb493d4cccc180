#include "launcher/launch_main.h"

#include <gtest/gtest.h>

#include "launcher/error_numbers.h"
#include "launcher/path_install.h"
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
}

TEST(PathInstall, AnOverlongPathKeepsTheConfiguredDirectoriesInFront) {
  const std::string configured = ";C:\\native;C:\\more";
  const std::string inherited = "C:\\" + std::string(kMaxEnvironmentValue, 'i') + ";C:\\end";
  EXPECT_EQ(pathValueThatFits(configured + ";C:\\Windows"), configured + ";C:\\Windows");
  EXPECT_EQ(pathValueThatFits(configured + ";" + inherited), configured);
  const std::string exact(kMaxEnvironmentValue, 'x');
  EXPECT_EQ(pathValueThatFits(exact), exact);
  EXPECT_EQ(pathValueThatFits(exact + ";y"), exact);

  FakePlatform platform;
  installPathAssignment(platform, "path=" + configured + ";" + inherited);
  EXPECT_EQ(platform.environment("PATH"), configured);
}

TEST(ErrorNumbers, SystemErrorsMapLikeTheWindowsRuntime) {
  const std::pair<SystemError, int> cases[] = {
      {2, kNoSuchFile},        {3, kNoSuchFile},          {206, kNoSuchFile},
      {5, kPermissionDenied},  {21, kPermissionDenied},   {36, kPermissionDenied},
      {8, kNotEnoughSpace},    {1816, kNotEnoughSpace},   {10, kArgListTooLong},
      {193, kExecFormatError}, {202, kExecFormatError},   {203, kInvalidArgument},
      {740, kInvalidArgument}, {145, kDirectoryNotEmpty}, {0, kInvalidArgument},
  };
  for (const auto& [error, number] : cases) {
    EXPECT_EQ(errorNumberFromSystemError(error), number) << error;
  }
  EXPECT_STREQ(errorText(kResultTooLarge), "Result too large");
  EXPECT_STREQ(errorText(kNotEnoughSpace), "Not enough space");
  EXPECT_STREQ(errorText(99), "Unknown error");
}

}  // namespace
}  // namespace veltrane
