#include "launcher/program_search.h"

#include <gtest/gtest.h>

#include "launcher/error_numbers.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

using Queries = std::vector<std::string>;

class ProgramSearch : public ::testing::Test {
 protected:
  // Runs the search with a one-argument command line; returns the result.
  int spawn(const std::string& program) {
    return spawnAndWait(platform, program, {"\"" + program + "\""}, errorNumber);
  }
  std::string started() const {
    return platform.starts.empty() ? "" : platform.starts.back().application;
  }

  FakePlatform platform;
  int errorNumber = kNoError;
};

TEST(JoinArguments, JoinsWithSingleSpacesAndKeepsEmptyArguments) {
  EXPECT_EQ(joinArguments({"\"javaw.exe\"", "", "", "", ""}), "\"javaw.exe\"    ");
  EXPECT_EQ(joinArguments({"a", "-x -y", "", "m", ""}), "a -x -y  m ");
}

TEST_F(ProgramSearch, TheCurrentDirectoryComesBeforeThePathUnlessAnAppSearches) {
  platform.addFile(".\\javaw.exe");
  platform.addFile("C:\\bin\\javaw.exe");
  platform.setEnvironment("PATH", "C:\\bin");
  EXPECT_EQ(spawn("javaw.exe"), 0);
  EXPECT_EQ(started(), ".\\javaw.exe");
  EXPECT_EQ(platform.starts[0].commandLine, "\"javaw.exe\"");
  // An app searches a bare name along PATH only; a path is tried as written.
  SpawnOptions pathOnly;
  pathOnly.currentFolderFirst = false;
  platform.attributeQueries.clear();
  EXPECT_EQ(spawnAndWait(platform, "javaw.exe", {}, errorNumber, pathOnly), 0);
  EXPECT_EQ(spawnAndWait(platform, ".\\javaw.exe", {}, errorNumber, pathOnly), 0);
  EXPECT_EQ(platform.attributeQueries, (Queries{"C:\\bin\\javaw.exe", ".\\javaw.exe"}));
}

TEST_F(ProgramSearch, PathElementsAreSplitAtSemicolonRunsAndQuotesProtectThem) {
  platform.addFile("C:\\d\\javaw.exe");
  platform.setEnvironment("PATH", ";;C:\\a;;\"C:\\b;c\";C:/e/; C:\\d;C:\\d");
  platform.addFile(" C:\\d\\javaw.exe");
  EXPECT_EQ(spawn("javaw.exe"), 0);
  EXPECT_EQ(platform.attributeQueries,
            (Queries{".\\javaw.exe", "C:\\a\\javaw.exe", "C:\\b;c\\javaw.exe", "C:/e/javaw.exe",
                     " C:\\d\\javaw.exe"}));  // blanks are not trimmed
}

TEST_F(ProgramSearch, NamesWithoutExtensionAreProbedInOrder) {
  platform.addFile("C:\\a\\java.bat");
  platform.addFile("C:\\a\\java.cmd");
  platform.setEnvironment("PATH", "C:\\a");
  EXPECT_EQ(spawn("java"), 0);
  EXPECT_EQ(platform.attributeQueries,
            (Queries{".\\java.com", ".\\java.exe", ".\\java.bat", ".\\java.cmd", "C:\\a\\java.com",
                     "C:\\a\\java.exe", "C:\\a\\java.bat"}));
  EXPECT_EQ(started(), "C:\\a\\java.bat");
}

TEST_F(ProgramSearch, WhatEndsTheSearch) {
  struct Case {
    std::string path;
    int errorNumber;
    size_t queries;
  };
  const std::string element257(257, 'p');
  const std::string element258(258, 'p');
  const std::string nearLimit = "C:\\" + std::string(247, 'd');  // + "\" + "javaw.exe" = 260
  const Case cases[] = {
      {"C:\\a;\"\";C:\\bin", kNoSuchFile, 2},  // an empty quoted element
      {"C:\\a;" + element258 + ";C:\\bin", kResultTooLarge, 2},
      {element257 + ";C:\\bin", kNoSuchFile, 1},  // fits the buffer, but not a path
      {nearLimit + ";C:\\bin", kNoSuchFile, 1},
      {nearLimit.substr(1) + ";C:\\bin", kNoError, 3},  // one shorter is still tried
      {"C:\\denied;C:\\bin", kPermissionDenied, 2},
      {"C:\\notready;\\\\srv\\denied;C:\\bin", kNoError, 4},  // these go on
      {"//srv/denied;C:\\gone;C:\\bin", kNoError, 4},
      {"\\\\srv\\bin;C:\\bin", kNoError, 2},  // found on the network: started once
  };
  for (const Case& c : cases) {
    platform = FakePlatform();
    errorNumber = kNoError;
    platform.addFile("C:\\bin\\javaw.exe");
    platform.attributeErrors["C:\\denied\\javaw.exe"] = kErrorAccessDenied;
    platform.attributeErrors["C:\\notready\\javaw.exe"] = kErrorNotReady;
    platform.attributeErrors["\\\\srv\\denied\\javaw.exe"] = kErrorAccessDenied;
    platform.attributeErrors["//srv/denied\\javaw.exe"] = kErrorAccessDenied;
    platform.attributeErrors["C:\\gone\\javaw.exe"] = kErrorPathNotFound;
    platform.addFile("\\\\srv\\bin\\javaw.exe");
    platform.setEnvironment("PATH", c.path);
    EXPECT_EQ(spawn("javaw.exe"), c.errorNumber == kNoError ? 0 : -1) << c.path;
    EXPECT_EQ(errorNumber, c.errorNumber) << c.path;
    EXPECT_EQ(platform.attributeQueries.size(), c.queries) << c.path;
    EXPECT_EQ(platform.starts.size(), c.errorNumber == kNoError ? 1u : 0u) << c.path;
  }
}

TEST_F(ProgramSearch, OnlyNamesWithoutADirectoryAreLookedForAlongThePath) {
  platform.addFile("C:\\bin\\javaw.exe");
  platform.setEnvironment("PATH", "C:\\bin");
  for (const char* name :
       {"C:\\java\\javaw.exe", "sub\\javaw.exe", "sub/javaw.exe", "D:javaw.exe"}) {
    platform.attributeQueries.clear();
    EXPECT_EQ(spawn(name), -1) << name;
    EXPECT_EQ(errorNumber, kNoSuchFile) << name;
    EXPECT_EQ(platform.attributeQueries, Queries{name});
  }
  platform.unsetEnvironment("PATH");
  EXPECT_EQ(spawn("javaw.exe"), -1);
  EXPECT_EQ(errorNumber, kNoSuchFile);
}

TEST_F(ProgramSearch, StartFailuresMapToErrorNumbers) {
  platform.addFile(".\\text.exe");
  platform.startErrors[".\\text.exe"] = kErrorBadExeFormat;
  platform.addDirectory(".\\folder.exe");
  platform.startErrors[".\\folder.exe"] = kErrorAccessDenied;
  platform.addFile(".\\elevated.exe");
  platform.startErrors[".\\elevated.exe"] = 740;
  platform.attributeErrors[".\\locked.cmd"] = kErrorAccessDenied;
  // A program here that is refused is the answer: the PATH is not searched.
  platform.setEnvironment("PATH", "C:\\bin");
  platform.addFile("C:\\bin\\text.exe");
  platform.addFile("C:\\bin\\locked.exe");
  EXPECT_EQ(spawn("text.exe"), -1);
  EXPECT_EQ(errorNumber, kExecFormatError);
  EXPECT_EQ(spawn("folder.exe"), -1);  // a folder passes the existence test
  EXPECT_EQ(errorNumber, kPermissionDenied);
  EXPECT_EQ(spawn("elevated.exe"), -1);
  EXPECT_EQ(errorNumber, kInvalidArgument);
  EXPECT_EQ(spawn("locked"), -1);  // the probes' own error, not "missing"
  EXPECT_EQ(errorNumber, kPermissionDenied);
  EXPECT_TRUE(platform.starts.empty());
}

TEST_F(ProgramSearch, AStartedChildLeavesTheErrorNumberAsItWas) {
  platform.addFile("C:\\bin\\javaw.exe");
  platform.exitCodes["C:\\bin\\javaw.exe"] = 3;
  platform.setEnvironment("PATH", "C:\\bin");
  errorNumber = kNoSuchFile;  // left behind by a configuration file that failed to open
  EXPECT_EQ(spawn("javaw.exe"), 3);
  EXPECT_EQ(errorNumber, kNoSuchFile);
  errorNumber = kNoError;  // the miss in the current directory does not count
  EXPECT_EQ(spawn("javaw.exe"), 3);
  EXPECT_EQ(errorNumber, kNoError);
  platform.exitCodes["C:\\bin\\javaw.exe"] = 0xFFFFFFFFu;
  EXPECT_EQ(spawn("javaw.exe"), -1);  // read as a signed number
  EXPECT_EQ(errorNumber, kNoError);
}

TEST_F(ProgramSearch, ACommandLineTooLongForWindowsIsNotHandedOver) {
  platform.addFile(".\\javaw.exe");
  std::vector<std::string> arguments = {"\"javaw.exe\"", std::string(kMaxCommandLine - 12, 'x')};
  EXPECT_EQ(spawnAndWait(platform, "javaw.exe", arguments, errorNumber), 0);
  arguments[1] += 'x';
  EXPECT_EQ(spawnAndWait(platform, "javaw.exe", arguments, errorNumber), -1);
  EXPECT_EQ(errorNumber, kArgListTooLong);
  EXPECT_EQ(platform.starts.size(), 1u);
}

}  // namespace
}  // namespace veltrane
