#include "check/launcher_manifest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace veltrane::check {

namespace {

constexpr std::uint32_t kManifestType = 24;
constexpr std::uint32_t kStringType = 6;
constexpr std::uint32_t kFirst = 0xFFFFFFFFU;  // any id: the first entry
constexpr std::uint32_t kConsoleSubsystem = 3;
// Branding writes the launch mode as string 2 of the language-neutral table.
constexpr std::uint32_t kModeString = 2;
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
    subsystem_ = read(bytes_, optional + 68, 2);
    return magic == 0x20B || magic == 0x10B;
  }

  bool console() const { return subsystem_ == kConsoleSubsystem; }

  // The manifest text, or empty when there is none.
  std::string manifest() const { return std::string(resource(kManifestType, 1, kFirst)); }

  // A string of the language-neutral string table, empty when there is none.
  // A table holds 16 strings, each a length and that many UTF-16 units; the
  // ASCII texts the launcher compares are kept, anything else reads as "?".
  std::string neutralString(std::uint32_t id) const {
    const std::string_view table = resource(kStringType, id / 16 + 1, 0);
    size_t at = 0;
    for (std::uint32_t index = 0; index < id % 16 && at + 2 <= table.size(); ++index) {
      at += 2 + size_t{2} * read(table, at, 2);
    }
    const size_t length = at + 2 <= table.size() ? read(table, at, 2) : 0;
    if (at + 2 + length * 2 > table.size()) {
      return std::string();  // a damaged table: no text rather than a wrong one
    }
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      const std::uint32_t unit = read(table, at + 2 + i * 2, 2);
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
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

  // The data of a resource, empty when there is none.
  std::string_view resource(std::uint32_t type, std::uint32_t id, std::uint32_t language) const {
    const size_t types = resources_;
    const size_t names = types == 0 ? 0 : entry(types, type);
    const size_t languages = names == 0 ? 0 : entry(names, id);
    const size_t leaf = languages == 0 ? 0 : entry(languages, language);
    if (leaf == 0 || leaf >= bytes_.size()) {
      return std::string_view();
    }
    const size_t data = offsetOf(read(bytes_, leaf, 4));
    const size_t size = read(bytes_, leaf + 4, 4);
    return data == 0 || data >= bytes_.size() ? std::string_view() : bytes_.substr(data, size);
  }

  // In the resource directory at the offset, the entry with the id (or the
  // first entry, for kFirst): the offset of what it points to, 0 for none.
  size_t entry(size_t directory, std::uint32_t id) const {
    const size_t count = read(bytes_, directory + 12, 2) + read(bytes_, directory + 14, 2);
    for (size_t i = 0; i < count && directory + 16 + i * 8 < bytes_.size(); ++i) {
      const size_t at = directory + 16 + i * 8;
      if (id == kFirst || read(bytes_, at, 4) == id) {
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
  std::uint32_t subsystem_ = 0;
};

class Collector final : public ByteSink {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
 public:
  void consume(std::string_view piece) override { bytes_.append(piece); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace

std::optional<LaunchMode> modeOf(std::string_view image) {
  Image parsed(image);
  if (!parsed.open()) {
    return std::nullopt;
  }
  if (parsed.console()) {
    return LaunchMode::kConsole;  // the console launcher is always in app mode
  }
  // Anything but "app" is classic, as the launcher reads it.
  return parsed.neutralString(kModeString) == "app" ? LaunchMode::kApp : LaunchMode::kClassic;
}

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

namespace {

std::optional<std::string> imageOf(Platform& system, const std::string& path) {
  Collector image;
  SystemError error = 0;
  if (!system.readFile(path, image, &error) || error != 0) {
    return std::nullopt;
  }
  return image.bytes();
}

}  // namespace

std::optional<LaunchMode> launcherMode(Platform& system, const std::string& path) {
  const std::optional<std::string> image = imageOf(system, path);
  return image ? modeOf(*image) : std::nullopt;
}

std::optional<CodePage> launcherCodePage(Platform& system, const std::string& path) {
  const std::optional<std::string> image = imageOf(system, path);
  const std::optional<std::string> manifest = image ? manifestOf(*image) : std::nullopt;
  if (!manifest) {
    return std::nullopt;
  }
  return codePageOfManifest(*manifest);
}

}  // namespace veltrane::check
