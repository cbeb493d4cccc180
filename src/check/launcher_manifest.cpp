#include "check/launcher_manifest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace veltrane::check {

namespace {

constexpr std::uint32_t kManifestType = 24;
constexpr std::uint32_t kSubdirectory = 0x80000000U;

// Little-endian reads that yield 0 past the end, so a cut image cannot be
// read out of bounds.
std::uint32_t read(std::string_view bytes, size_t offset, size_t size) {
  std::uint32_t value = 0;
  for (size_t i = size; i > 0; --i) {
    const size_t at = offset + i - 1;
    value = (value << 8U) |
            (at < bytes.size() && at >= offset ? static_cast<unsigned char>(bytes[at]) : 0U);
  }
  return value;
}

class Image {
 public:
  explicit Image(std::string_view bytes) : bytes_(bytes) {}

  // Finds the resource directory; false when the bytes are no PE image.
  bool open() {
    const size_t header = read(bytes_, 0x3C, 4);
    if (bytes_.substr(0, 2) != "MZ" || bytes_.substr(header, 4) != std::string_view("PE\0\0", 4)) {
      return false;
    }
    const size_t coff = header + 4;
    sections_ = read(bytes_, coff + 2, 2);
    const size_t optional = coff + 20;
    sectionTable_ = optional + read(bytes_, coff + 16, 2);
    const std::uint32_t magic = read(bytes_, optional, 2);
    const size_t directories = optional + (magic == 0x20B ? size_t{112} : size_t{96});
    resources_ = offsetOf(read(bytes_, directories + size_t{16}, 4));
    return magic == 0x20B || magic == 0x10B;
  }

  // The manifest text, or empty when there is none.
  std::string manifest() const {
    if (resources_ == 0) {
      return std::string();
    }
    const size_t type = entry(resources_, kManifestType);
    const size_t name = type == 0 ? 0 : entry(type, 1);
    const size_t language = name == 0 ? 0 : entry(name, 0);
    if (language == 0 || language >= bytes_.size()) {
      return std::string();
    }
    const size_t data = offsetOf(read(bytes_, language, 4));
    const size_t size = read(bytes_, language + 4, 4);
    return data == 0 ? std::string() : std::string(bytes_.substr(data, size));
  }

 private:
  // The file offset of a virtual address, or 0 when no section holds it.
  size_t offsetOf(std::uint32_t address) const {
    for (size_t i = 0; i < sections_; ++i) {
      const size_t section = sectionTable_ + (i * 40);
      const std::uint32_t start = read(bytes_, section + 12, 4);
      const std::uint32_t size =
          std::max(read(bytes_, section + 8, 4), read(bytes_, section + 16, 4));
      if (address >= start && address < start + size) {
        return read(bytes_, section + 20, 4) + (address - start);
      }
    }
    return 0;
  }

  // In the resource directory at the offset, the entry with the id (or the
  // first entry, for id 0): the offset of what it points to, 0 for none.
  size_t entry(size_t directory, std::uint32_t id) const {
    const size_t count = read(bytes_, directory + 12, 2) + read(bytes_, directory + 14, 2);
    for (size_t i = 0; i < count && directory + 16 + i * 8 < bytes_.size(); ++i) {
      const size_t at = directory + 16 + i * 8;
      if (id == 0 || read(bytes_, at, 4) == id) {
        const std::uint32_t target = read(bytes_, at + 4, 4);
        return resources_ + (target & ~kSubdirectory);
      }
    }
    return 0;
  }

  std::string_view bytes_;
  size_t sections_ = 0;
  size_t sectionTable_ = 0;
  size_t resources_ = 0;
};

class Collector final : public ByteSink {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
 public:
  void consume(std::string_view piece) override { bytes_.append(piece); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace

std::optional<std::string> manifestOf(std::string_view image) {
  Image parsed(image);
  if (!parsed.open()) {
    return std::nullopt;
  }
  return parsed.manifest();
}

CodePage codePageOfManifest(std::string_view manifest) {
  const size_t element = manifest.find("activeCodePage");
  const size_t start = manifest.find('>', element);
  const size_t end = manifest.find('<', start);
  if (element == std::string_view::npos || start == std::string_view::npos ||
      end == std::string_view::npos) {
    return CodePage::kAnsi;
  }
  std::string value(manifest.substr(start + 1, end - start - 1));
  value.erase(std::remove_if(value.begin(), value.end(),
                             [](unsigned char c) { return std::isspace(c) != 0; }),
              value.end());
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return value == "UTF-8" ? CodePage::kUtf8 : CodePage::kAnsi;
}

std::optional<CodePage> launcherCodePage(Platform& system, const std::string& path) {
  Collector image;
  SystemError error = 0;
  if (!system.readFile(path, image, &error) || error != 0) {
    return std::nullopt;
  }
  const std::optional<std::string> manifest = manifestOf(image.bytes());
  if (!manifest) {
    return std::nullopt;
  }
  return codePageOfManifest(*manifest);
}

}  // namespace veltrane::check
