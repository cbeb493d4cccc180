// Finds the program to start the way the Windows C runtime's spawn-with-
// path-search does, starts it and waits for it. Our own code, so that the
// launcher finds the same program with any C runtime and under Wine.
#ifndef VELTRANE_LAUNCHER_PROGRAM_SEARCH_H_
#define VELTRANE_LAUNCHER_PROGRAM_SEARCH_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace veltrane {

// The longest command line Windows accepts, without its terminating NUL.
constexpr size_t kMaxCommandLine = 32766;

// The child's command line: the arguments joined with single spaces, with
// nothing quoted or escaped; an empty argument leaves two adjacent spaces.
std::string joinArguments(const std::vector<std::string>& arguments);

// How the child is started: where a bare program name is looked for, and
// what the child is told of how it was started.
struct SpawnOptions {
  bool currentFolderFirst = true;  // false: a bare name is searched along PATH only
  StartInformation startup;
};

// Starts the program with the arguments and waits until it ends. Returns
// its exit status (as a signed 32-bit number), or -1 when no candidate could
// be started; errorNumber is the runtime's current error number: a failure
// leaves the reason in it, a started child leaves it as it was.
//
// The name is tried as given (a bare file name in the current directory,
// unless the options say PATH only); when it is missing there and the name
// holds no directory, every directory of the current PATH is tried in
// order. A name whose last component has no "." is probed with ".com",
// ".exe", ".bat" and ".cmd".
int spawnAndWait(Platform& platform, const std::string& program,
                 const std::vector<std::string>& arguments, int& errorNumber,
                 const SpawnOptions& options = {});

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_PROGRAM_SEARCH_H_
