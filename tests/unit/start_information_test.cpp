#include "launcher/start_information.h"

#include <gtest/gtest.h>

#include "launcher/launch_main.h"
#include "support/fake_platform.h"

namespace veltrane {
namespace {

constexpr std::uint32_t kShow = kStartUseShowWindow;
constexpr std::uint32_t kHotKey = kStartUseHotKey;
constexpr std::uint32_t kLink = kStartTitleIsLinkName;
constexpr std::uint32_t kAppId = kStartTitleIsAppId;
constexpr std::uint32_t kNoPin = kStartPreventPinning;
constexpr std::uint32_t kStdHandles = 0x100;  // the handles stay inherited as they are
constexpr std::uint32_t kFeedback = 0x40;
constexpr const char* kLinkPath = "C:\\Users\\jo\\Desktop\\Acme Draw.lnk";

// The launch as a whole, from how the launcher was started to what the VM
// is told; classic mode starts the VM from the current folder too.
TEST(VmStartInformation, AppModePassesTheShellsStartOnAndClassicModeNothing) {
  struct Case {
    LaunchMode mode;
    StartInformation own;
    StartInformation vm;
  };
  const Case cases[] = {
      {LaunchMode::kClassic, {kLink | kShow, kLinkPath, 7, 0}, {}},
      {LaunchMode::kApp,
       {kLink | kShow | kStdHandles | kFeedback, kLinkPath, 7, 0},
       {kLink | kShow, kLinkPath, 7, 0}},
      {LaunchMode::kConsole,
       {kAppId | kNoPin, "Other.Id", 0, 0},
       {kAppId | kNoPin, "Other.Id", 0, 0}},
      // Neither a shortcut nor an ID: the branded ID; no window state without its flag.
      {LaunchMode::kApp,
       {kHotKey, "C:\\apps\\tool.exe", 5, 0x641},
       {kHotKey | kAppId, "Acme.Draw", 0, 0x641}},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.mode = c.mode;
    platform.ownStart = c.own;
    platform.appId = "Acme.Draw";
    platform.setCommandLine("C:\\apps\\tool.exe");
    platform.setEnvironment("PATH", "C:\\java");
    platform.addFile("C:\\apps\\tool.config");
    for (const char* vm :
         {".\\javaw.exe", ".\\java.exe", "C:\\java\\javaw.exe", "C:\\java\\java.exe"}) {
      platform.addFile(vm);
    }
    char tail[] = "";
    EXPECT_EQ(launchMain(platform, tail), 0);
    ASSERT_EQ(platform.starts.size(), 1u);
    const FakePlatform::Start& start = platform.starts[0];
    SCOPED_TRACE(c.own.title);
    EXPECT_EQ(start.application.substr(0, 2) == ".\\", c.mode == LaunchMode::kClassic);
    EXPECT_EQ(start.startup.flags, c.vm.flags);
    EXPECT_EQ(start.startup.title, c.vm.title);
    EXPECT_EQ(start.startup.showWindow, c.vm.showWindow);
    EXPECT_EQ(start.startup.hotKey, c.vm.hotKey);
  }
  // Unbranded, started without a shortcut: nothing to tell.
  FakePlatform platform;
  platform.ownStart = {0, "C:\\apps\\tool.exe", 0, 0};
  EXPECT_EQ(vmStartInformation(platform, LaunchMode::kApp).flags, 0u);
  EXPECT_EQ(vmStartInformation(platform, LaunchMode::kApp).title, "");
}

}  // namespace
}  // namespace veltrane
