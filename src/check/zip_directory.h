// The zip format as jars use it: the central directory at the end of the
// file, and each entry's local header and data. Pure: the caller reads the
// bytes. Multi-disk and zip64 archives are refused, never guessed at.
#ifndef VELTRANE_CHECK_ZIP_DIRECTORY_H_
#define VELTRANE_CHECK_ZIP_DIRECTORY_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane::check {

struct ZipEntry {
  std::string name;
  uint16_t method = 0;  // 0 stored, 8 deflated
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t size = 0;
  uint32_t localOffset = 0;
};

// What the central directory can take: the end record, its comment, and a
// directory this large.
constexpr size_t kMaxZipDirectory = 16U << 20;
constexpr size_t kZipTail = kMaxZipDirectory + 22 + 65535;

// The entries of a zip file of fileSize bytes whose last bytes are `tail`
// (up to kZipTail of them); empty when those bytes hold no readable
// directory.
std::optional<std::vector<ZipEntry>> readZipDirectory(std::string_view tail, uint64_t fileSize);

// How many bytes from an entry's local header hold its header and data.
uint64_t zipEntrySpan(const ZipEntry& entry);

// The entry's contents from the bytes that start at its local header; empty
// when they are cut short, encrypted, packed in another way than stored or
// deflated, larger than maxSize, or fail their CRC.
std::optional<std::string> readZipEntry(std::string_view local, const ZipEntry& entry,
                                        size_t maxSize);

uint32_t crc32(std::string_view bytes);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_ZIP_DIRECTORY_H_
