#include "launcher/path_install.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"

namespace veltrane {
namespace {

TEST(PathInstall, AnOverlongPathKeepsTheConfiguredDirectoriesInFront) {
  const std::string configured = ";C:\\native;C:\\more";
  const std::string inherited = "C:\\" + std::string(kMaxEnvironmentValue, 'i') + ";C:\\end";
  EXPECT_EQ(pathValueThatFits(configured + ";C:\\Windows"), configured + ";C:\\Windows");
  EXPECT_EQ(pathValueThatFits(configured + ";" + inherited), configured);
  const std::string exact(kMaxEnvironmentValue, 'x');
  EXPECT_EQ(pathValueThatFits(exact), exact);
  EXPECT_EQ(pathValueThatFits(exact + ";y"), exact);
  // A ";" right after the longest value that fits is one character too far.
  EXPECT_EQ(pathValueThatFits("a;" + exact.substr(1) + ";y"), "a");
  EXPECT_EQ(pathValueThatFits(exact + "x"), "");  // not even one element fits
  EXPECT_EQ(pathValueThatFits(std::string(32766, 'v')).size(), 32766u);  // the system's limit
  EXPECT_EQ(pathValueThatFits(std::string(32767, 'v') + ";w"), "");

  FakePlatform platform;
  installPathAssignment(platform, "path=" + configured + ";" + inherited);
  EXPECT_EQ(platform.environment("PATH"), configured);
  installPathAssignment(platform, "path=C:\\a=b;C:\\c");
  EXPECT_EQ(platform.environment("PATH"), "C:\\a=b;C:\\c");
}

}  // namespace
}  // namespace veltrane
