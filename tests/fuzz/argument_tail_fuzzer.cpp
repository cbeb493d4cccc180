// Finds the argument tail in arbitrary command lines, with up to three lead
// bytes of a double-byte code page taken from the front of the input.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/oracle_platform.h"
#include "launcher/argument_tail.h"

namespace veltrane {
namespace {

bool isBlank(unsigned char byte) {
  return byte >= 1 && byte <= 32;
}

// Without double-byte characters, the name before the blanks holds no blank
// outside double quotes, and a name that a blank ended has its quotes paired.
void checkProgramName(const char* name, const char* nameEnd, bool endedByBlank) {
  bool inQuotes = false;
  for (const char* p = name; p < nameEnd; ++p) {
    inQuotes ^= *p == '"';
    require(inQuotes || *p == '"' || !isBlank(static_cast<unsigned char>(*p)),
            "a blank outside quotes ends the program name");
  }
  require(!endedByBlank || !inQuotes, "a blank inside quotes belongs to the name");
}

void checkTail(FakePlatform& platform, bool leadBytesOccur) {
  char* commandLine = platform.commandLine();
  const std::vector<char> before(commandLine, commandLine + std::strlen(commandLine) + 1);
  const char* end = commandLine + std::strlen(commandLine);
  const char* tail = argumentTail(commandLine, platform);

  require(tail >= commandLine && tail <= end, "the tail lies inside the text, up to its NUL");
  require(!isBlank(static_cast<unsigned char>(*tail)), "no blank starts the tail");
  require(tail == end || (tail > commandLine && isBlank(static_cast<unsigned char>(tail[-1]))),
          "a non-empty tail follows a blank");
  require(std::memcmp(before.data(), commandLine, before.size()) == 0,
          "finding the tail leaves the command line as it was");
  if (!leadBytesOccur) {
    const char* nameEnd = tail;
    while (nameEnd > commandLine && isBlank(static_cast<unsigned char>(nameEnd[-1]))) {
      --nameEnd;
    }
    checkProgramName(commandLine, nameEnd, tail != end);
  }
}

}  // namespace
}  // namespace veltrane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const size_t leadCount = std::min<size_t>(data[0] % 4, size - 1);
  veltrane::FakePlatform platform;
  platform.leadBytes.insert(data + 1, data + 1 + leadCount);
  // The command line is a C string: an embedded NUL ends it.
  const std::string text(reinterpret_cast<const char*>(data) + 1 + leadCount, size - 1 - leadCount);
  platform.setCommandLine(text);
  bool leadBytesOccur = false;
  for (unsigned char byte : text.substr(0, text.find('\0'))) {
    leadBytesOccur |= platform.leadBytes.count(byte) != 0;
  }
  veltrane::checkTail(platform, leadBytesOccur);
  return 0;
}
