// A jar from arbitrary bytes: its zip directory, every entry inflated, and
// every entry read as a class file; the bytes themselves inflated too.
// Nothing may crash, read out of bounds or grow past the limits given.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check/class_file.h"
#include "check/inflate.h"
#include "check/zip_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veltrane::check;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  constexpr size_t kLimit = 1U << 16;
  if (const auto out = inflate(bytes, kLimit); out && out->size() > kLimit) {
    __builtin_trap();
  }
  readClassFile(bytes);
  const auto entries = readZipDirectory(bytes, bytes.size());
  if (!entries) {
    return 0;
  }
  for (const ZipEntry& entry : *entries) {
    if (entry.localOffset > bytes.size()) {
      continue;
    }
    const auto contents = readZipEntry(bytes.substr(entry.localOffset), entry, kLimit);
    if (contents && contents->size() > kLimit) {
      __builtin_trap();
    }
    if (contents) {
      readClassFile(*contents);
    }
  }
  return 0;
}
