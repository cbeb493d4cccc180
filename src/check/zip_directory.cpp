#include "check/zip_directory.h"

#include <array>

#include "check/inflate.h"

namespace veltrane::check {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kDirectoryHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;

// Little-endian numbers; the caller has checked the bytes are there.
uint32_t number(std::string_view bytes, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = size; i > 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + i - 1]);
  }
  return value;
}

// The end record is the last one with its signature whose comment reaches
// exactly the end of the file.
std::optional<size_t> findEnd(std::string_view tail) {
  if (tail.size() < kEndSize) {
    return std::nullopt;
  }
  for (size_t at = tail.size() - kEndSize + 1; at-- > 0;) {
    if (tail.size() - at > kEndSize + 65535) {
      break;
    }
    if (number(tail, at, 4) == kEndSignature &&
        at + kEndSize + number(tail, at + 20, 2) == tail.size()) {
      return at;
    }
  }
  return std::nullopt;
}

std::optional<ZipEntry> readDirectoryEntry(std::string_view directory, size_t& at) {
  if (directory.size() - at < kDirectoryHeaderSize ||
      number(directory, at, 4) != kDirectorySignature) {
    return std::nullopt;
  }
  const size_t nameSize = number(directory, at + 28, 2);
  const size_t rest = nameSize + number(directory, at + 30, 2) + number(directory, at + 32, 2);
  if (directory.size() - at - kDirectoryHeaderSize < rest) {
    return std::nullopt;
  }
  ZipEntry entry;
  entry.flags = static_cast<uint16_t>(number(directory, at + 8, 2));
  entry.method = static_cast<uint16_t>(number(directory, at + 10, 2));
  entry.crc = number(directory, at + 16, 4);
  entry.compressedSize = number(directory, at + 20, 4);
  entry.size = number(directory, at + 24, 4);
  entry.localOffset = number(directory, at + 42, 4);
  entry.name = directory.substr(at + kDirectoryHeaderSize, nameSize);
  at += kDirectoryHeaderSize + rest;
  return entry;
}

}  // namespace

std::optional<std::vector<ZipEntry>> readZipDirectory(std::string_view tail, uint64_t fileSize) {
  const std::optional<size_t> end = findEnd(tail);
  if (!end || fileSize < tail.size()) {
    return std::nullopt;
  }
  const size_t count = number(tail, *end + 10, 2);
  const uint64_t size = number(tail, *end + 12, 4);
  const uint64_t offset = number(tail, *end + 16, 4);
  const uint64_t tailStart = fileSize - tail.size();
  const bool oneDisk = number(tail, *end + 4, 4) == 0 && number(tail, *end + 8, 2) == count;
  // A zip64 archive marks the fields it moved elsewhere with all ones.
  if (!oneDisk || count == 0xffff || offset == 0xffffffff || offset < tailStart ||
      offset + size > tailStart + *end) {
    return std::nullopt;
  }
  const std::string_view directory = tail.substr(offset - tailStart, size);
  std::vector<ZipEntry> entries;
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    std::optional<ZipEntry> entry = readDirectoryEntry(directory, at);
    if (!entry) {
      return std::nullopt;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

uint64_t zipEntrySpan(const ZipEntry& entry) {
  return kLocalHeaderSize + 2 * 65535ULL + entry.compressedSize;
}

std::optional<std::string> readZipEntry(std::string_view local, const ZipEntry& entry,
                                        size_t maxSize) {
  if (local.size() < kLocalHeaderSize || number(local, 0, 4) != kLocalSignature ||
      (entry.flags & 1U) != 0 || entry.size > maxSize) {
    return std::nullopt;
  }
  const size_t start = kLocalHeaderSize + number(local, 26, 2) + number(local, 28, 2);
  if (local.size() < start || local.size() - start < entry.compressedSize) {
    return std::nullopt;
  }
  const std::string_view data = local.substr(start, entry.compressedSize);
  std::optional<std::string> contents;
  if (entry.method == 0) {
    contents = std::string(data);
  } else if (entry.method == 8) {
    contents = inflate(data, entry.size);
  }
  if (!contents || contents->size() != entry.size || crc32(*contents) != entry.crc) {
    return std::nullopt;
  }
  return contents;
}

uint32_t crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> kTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1U) != 0 ? 0xedb88320U ^ (c >> 1) : c >> 1;
      }
      table[n] = c;
    }
    return table;
  }();
  uint32_t crc = 0xffffffffU;
  for (const char byte : bytes) {
    crc = kTable[(crc ^ static_cast<unsigned char>(byte)) & 0xffU] ^ (crc >> 8);
  }
  return crc ^ 0xffffffffU;
}

}  // namespace veltrane::check
