#include "launcher/argument_tail.h"

namespace veltrane {

namespace {

bool isBlank(unsigned char byte) {
  return byte >= 1 && byte <= 32;
}

}  // namespace

char* argumentTail(char* commandLine, Platform& platform) {
  auto* p = reinterpret_cast<unsigned char*>(commandLine);
  // The program name ends at the first blank outside double quotes; the
  // quotes only switch the mode and stay where they are.
  bool inQuotes = false;
  while (*p != '\0' && (inQuotes || *p > 32)) {
    if (*p == '"') {
      inQuotes = !inQuotes;
    } else if (platform.isLeadByte(*p) && p[1] != '\0') {
      ++p;  // the trail byte of a double-byte character is never a delimiter
    }
    ++p;
  }
  while (isBlank(*p)) {
    ++p;
  }
  return reinterpret_cast<char*>(p);
}

}  // namespace veltrane
