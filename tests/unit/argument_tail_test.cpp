#include "launcher/argument_tail.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"

namespace veltrane {
namespace {

std::string tailOf(const std::string& commandLine, std::set<unsigned char> leadBytes = {}) {
  FakePlatform platform;
  platform.leadBytes = leadBytes;
  platform.setCommandLine(commandLine);
  return argumentTail(platform.commandLine(), platform);
}

TEST(ArgumentTail, SkipsTheProgramNameAndTheBlanksAfterIt) {
  EXPECT_EQ(tailOf("C:\\apps\\tool.exe"), "");
  EXPECT_EQ(tailOf("tool.exe  \t cfg  x "), "cfg  x ");
  EXPECT_EQ(tailOf("\"C:\\my apps\\tool.exe\" \"a b.cfg\""), "\"a b.cfg\"");
  EXPECT_EQ(tailOf("C:\\my\" \"apps\\tool.exe x"), "x");  // quotes may sit mid-name
  EXPECT_EQ(tailOf("\"unterminated name x"), "");
  EXPECT_EQ(tailOf("tool.exe\x01\x1f cfg"), "cfg");  // every byte from 1 to 32 is a blank
  EXPECT_EQ(tailOf("t\xE9\xFFol.exe cfg"), "cfg");   // high bytes belong to the name
  EXPECT_EQ(tailOf(""), "");
}

TEST(ArgumentTail, LeadBytesTakeTheirTrailByteWithThem) {
  EXPECT_EQ(tailOf("a\x81 b c", {0x81}), "c");
  EXPECT_EQ(tailOf("a\x81 b c"), "b c");
  EXPECT_EQ(tailOf("a\x81", {0x81}), "");  // a lead byte at the end does not run past it
  EXPECT_EQ(tailOf(std::string("a\x81\0 b c", 7), {0x81}), "");  // nor past the NUL after it
}

TEST(ArgumentTail, PointsIntoTheCommandLineItself) {
  FakePlatform platform;
  platform.setCommandLine("tool.exe \"x.cfg\" more");
  char* tail = argumentTail(platform.commandLine(), platform);
  tail[7] = '\0';
  EXPECT_STREQ(platform.commandLine(), "tool.exe \"x.cfg\"");
}

}  // namespace
}  // namespace veltrane
