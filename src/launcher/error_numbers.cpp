#include "launcher/error_numbers.h"

#include <cstddef>

namespace veltrane {

namespace {

struct SystemErrorRange {
  SystemError first;
  SystemError last;
  int errorNumber;
};

// Every system error not listed here becomes "Invalid argument".
constexpr SystemErrorRange kSystemErrors[] = {
    {2, 3, kNoSuchFile},
    {15, 15, kNoSuchFile},
    {18, 18, kNoSuchFile},
    {53, 53, kNoSuchFile},
    {67, 67, kNoSuchFile},
    {161, 161, kNoSuchFile},
    {206, 206, kNoSuchFile},
    {5, 5, kPermissionDenied},
    {16, 16, kPermissionDenied},
    {19, 36, kPermissionDenied},
    {65, 65, kPermissionDenied},
    {82, 83, kPermissionDenied},
    {108, 108, kPermissionDenied},
    {132, 132, kPermissionDenied},
    {158, 158, kPermissionDenied},
    {167, 167, kPermissionDenied},
    {7, 9, kNotEnoughSpace},
    {1816, 1816, kNotEnoughSpace},
    {10, 10, kArgListTooLong},
    {11, 11, kExecFormatError},
    {188, 202, kExecFormatError},
    {4, 4, kTooManyOpenFiles},
    {6, 6, kBadFileDescriptor},
    {114, 114, kBadFileDescriptor},
    {130, 130, kBadFileDescriptor},
    {17, 17, kImproperLink},
    {80, 80, kFileExists},
    {183, 183, kFileExists},
    {89, 89, kTryAgain},
    {164, 164, kTryAgain},
    {215, 215, kTryAgain},
    {109, 109, kBrokenPipe},
    {112, 112, kNoSpaceOnDevice},
    {128, 129, kNoChildProcesses},
    {145, 145, kDirectoryNotEmpty},
};

struct ErrorMessage {
  int errorNumber;
  const char* text;
};

constexpr ErrorMessage kErrorMessages[] = {
    {kNoError, "No error"},
    {kNoSuchFile, "No such file or directory"},
    {kArgListTooLong, "Arg list too long"},
    {kExecFormatError, "Exec format error"},
    {kBadFileDescriptor, "Bad file descriptor"},
    {kNoChildProcesses, "No child processes"},
    {kTryAgain, "Resource temporarily unavailable"},
    {kNotEnoughSpace, "Not enough space"},
    {kPermissionDenied, "Permission denied"},
    {kFileExists, "File exists"},
    {kImproperLink, "Improper link"},
    {kInvalidArgument, "Invalid argument"},
    {kTooManyOpenFiles, "Too many open files"},
    {kNoSpaceOnDevice, "No space left on device"},
    {kBrokenPipe, "Broken pipe"},
    {kResultTooLarge, "Result too large"},
    {kDirectoryNotEmpty, "Directory not empty"},
};

}  // namespace

int errorNumberFromSystemError(SystemError error) {
  for (const SystemErrorRange& range : kSystemErrors) {
    if (error >= range.first && error <= range.last) {
      return range.errorNumber;
    }
  }
  return kInvalidArgument;
}

const char* errorText(int errorNumber) {
  for (const ErrorMessage& message : kErrorMessages) {
    if (message.errorNumber == errorNumber) {
      return message.text;
    }
  }
  return "Unknown error";
}

}  // namespace veltrane
