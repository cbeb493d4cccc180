// What the console launcher does with the events its console sends.
#ifndef VELTRANE_LAUNCHER_CONSOLE_EVENTS_H_
#define VELTRANE_LAUNCHER_CONSOLE_EVENTS_H_

namespace veltrane {

// The console's event numbers (CTRL_C_EVENT, CTRL_BREAK_EVENT, ...).
constexpr unsigned long kConsoleCtrlC = 0;
constexpr unsigned long kConsoleCtrlBreak = 1;

// Ctrl-C and Ctrl-Break reach every process of the console, the VM too: the
// VM handles them as if started directly (its shutdown hooks run), while the
// launcher ignores them, waits for the VM and exits with its status. Closing
// the console, logging off and shutting down end the launcher as usual.
constexpr bool launcherIgnoresConsoleEvent(unsigned long event) {
  return event == kConsoleCtrlC || event == kConsoleCtrlBreak;
}

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_CONSOLE_EVENTS_H_
