#include "launcher/console_events.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

TEST(ConsoleEvents, TheLauncherSurvivesCtrlCAndCtrlBreakButNotTheConsoleClosing) {
  EXPECT_TRUE(launcherIgnoresConsoleEvent(0));   // Ctrl-C
  EXPECT_TRUE(launcherIgnoresConsoleEvent(1));   // Ctrl-Break
  EXPECT_FALSE(launcherIgnoresConsoleEvent(2));  // the console closes
  EXPECT_FALSE(launcherIgnoresConsoleEvent(5));  // log-off
  EXPECT_FALSE(launcherIgnoresConsoleEvent(6));  // shut-down
}

}  // namespace
}  // namespace veltrane
