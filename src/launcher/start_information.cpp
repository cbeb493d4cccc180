#include "launcher/start_information.h"

namespace veltrane {

StartInformation vmStartInformation(Platform& platform, LaunchMode mode) {
  StartInformation startup;
  if (mode == LaunchMode::kClassic) {
    return startup;
  }
  const StartInformation own = platform.startInformation();
  constexpr std::uint32_t kTitles = kStartTitleIsLinkName | kStartTitleIsAppId;
  startup.flags =
      own.flags & (kStartUseShowWindow | kStartUseHotKey | kTitles | kStartPreventPinning);
  if ((startup.flags & kTitles) != 0) {
    startup.title = own.title;
  } else {
    // The taskbar groups by this ID: windows of the VM join the app's
    // pinned shortcut instead of showing as javaw.exe.
    startup.title = platform.appUserModelId();
    startup.flags |= startup.title.empty() ? 0 : kStartTitleIsAppId;
  }
  startup.showWindow = (startup.flags & kStartUseShowWindow) != 0 ? own.showWindow : 0;
  startup.hotKey = (startup.flags & kStartUseHotKey) != 0 ? own.hotKey : 0;
  return startup;
}

}  // namespace veltrane
