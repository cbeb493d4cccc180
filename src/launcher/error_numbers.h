// The C runtime's error numbers as the launcher reports them. The mapping
// from system errors and the texts are our own, so that the report reads the
// same with every C runtime and under Wine.
#ifndef VELTRANE_LAUNCHER_ERROR_NUMBERS_H_
#define VELTRANE_LAUNCHER_ERROR_NUMBERS_H_

#include "platform/platform.h"

namespace veltrane {

// The values of the Windows C runtime's errno constants.
enum ErrorNumber : int {
  kNoError = 0,
  kNoSuchFile = 2,         // ENOENT
  kArgListTooLong = 7,     // E2BIG
  kExecFormatError = 8,    // ENOEXEC
  kBadFileDescriptor = 9,  // EBADF
  kNoChildProcesses = 10,  // ECHILD
  kTryAgain = 11,          // EAGAIN
  kNotEnoughSpace = 12,    // ENOMEM
  kPermissionDenied = 13,  // EACCES
  kFileExists = 17,        // EEXIST
  kImproperLink = 18,      // EXDEV
  kInvalidArgument = 22,   // EINVAL
  kTooManyOpenFiles = 24,  // EMFILE
  kNoSpaceOnDevice = 28,   // ENOSPC
  kBrokenPipe = 32,        // EPIPE
  kResultTooLarge = 34,    // ERANGE
  kDirectoryNotEmpty = 41  // ENOTEMPTY
};

// The error number the Windows C runtime sets for a failed system call.
int errorNumberFromSystemError(SystemError error);

// The runtime's message text for an error number; "Unknown error" for a
// number it has no text for.
const char* errorText(int errorNumber);

}  // namespace veltrane

#endif  // VELTRANE_LAUNCHER_ERROR_NUMBERS_H_
