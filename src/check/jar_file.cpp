#include "check/jar_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace veltrane::check {

namespace {

// Keeps the last kZipTail bytes of what passes, and counts them all.
class TailSink final : public ByteSink {
 public:
  void consume(std::string_view piece) override {
    total_ += piece.size();
    tail_.append(piece);
    if (tail_.size() > 2 * kZipTail) {
      tail_.erase(0, tail_.size() - kZipTail);
    }
  }
  std::string_view tail() const {
    const std::string_view all(tail_);
    return all.substr(all.size() - std::min(all.size(), kZipTail));
  }
  uint64_t total() const { return total_; }

 private:
  std::string tail_;
  uint64_t total_ = 0;
};

// Keeps the bytes from offset `begin` up to `end`.
class RangeSink final : public ByteSink {
 public:
  RangeSink(uint64_t begin, uint64_t end) : begin_(begin), end_(end) {}
  void consume(std::string_view piece) override {
    const uint64_t pieceEnd = seen_ + piece.size();
    if (pieceEnd > begin_ && seen_ < end_) {
      const uint64_t from = std::max(seen_, begin_) - seen_;
      const uint64_t to = std::min(pieceEnd, end_) - seen_;
      kept_.append(piece.substr(from, to - from));
    }
    seen_ = pieceEnd;
  }
  const std::string& kept() const { return kept_; }

 private:
  uint64_t begin_;
  uint64_t end_;
  uint64_t seen_ = 0;
  std::string kept_;
};

class WholeSink final : public ByteSink {
 public:
  explicit WholeSink(size_t maxSize) : maxSize_(maxSize) {}
  void consume(std::string_view piece) override {
    tooLarge_ = tooLarge_ || piece.size() > maxSize_ - bytes_.size();
    if (!tooLarge_) {
      bytes_.append(piece);
    }
  }
  std::optional<std::string> bytes() const {
    return tooLarge_ ? std::nullopt : std::optional<std::string>(bytes_);
  }

 private:
  size_t maxSize_;
  bool tooLarge_ = false;
  std::string bytes_;
};

bool readAll(Platform& system, const std::string& path, ByteSink& sink) {
  SystemError error = 0;
  return system.readFile(path, sink, &error) && error == 0;
}

// "Multi-Release: true" in the main section (up to the first empty line),
// the name ignoring case.
bool isMultiRelease(std::string_view manifest) {
  while (!manifest.empty()) {
    const size_t end = manifest.find('\n');
    std::string line(manifest.substr(0, end));
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (line.empty() || line == "multi-release: true") {
      return !line.empty();
    }
    manifest.remove_prefix(end == std::string_view::npos ? manifest.size() : end + 1);
  }
  return false;
}

constexpr std::string_view kVersions = "META-INF/versions/";

}  // namespace

std::optional<std::string> readSmallFile(Platform& system, const std::string& path,
                                         size_t maxSize) {
  WholeSink sink(maxSize);
  return readAll(system, path, sink) ? sink.bytes() : std::nullopt;
}

std::optional<JarFile> JarFile::open(Platform& system, const std::string& path) {
  TailSink sink;
  if (!readAll(system, path, sink)) {
    return std::nullopt;
  }
  std::optional<std::vector<ZipEntry>> entries = readZipDirectory(sink.tail(), sink.total());
  if (!entries) {
    return std::nullopt;
  }
  return JarFile(system, path, std::move(*entries));
}

JarFile::JarFile(Platform& system, std::string path, std::vector<ZipEntry> entries)
    : system_(&system), path_(std::move(path)), entries_(std::move(entries)) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    index_.emplace(entries_[i].name, i);  // the first of equal names, as the VM takes
  }
  // Only a jar with versioned entries is worth reading its manifest for.
  const bool versioned = std::any_of(entries_.begin(), entries_.end(), [](const ZipEntry& entry) {
    return entry.name.rfind(kVersions, 0) == 0;
  });
  const std::optional<std::string> manifest =
      versioned ? read("META-INF/MANIFEST.MF") : std::nullopt;
  if (!manifest || !isMultiRelease(*manifest)) {
    return;
  }
  for (const ZipEntry& entry : entries_) {
    const std::string_view name(entry.name);
    if (name.substr(0, kVersions.size()) == kVersions) {
      const std::string_view number =
          name.substr(kVersions.size(), name.find('/', kVersions.size()) - kVersions.size());
      if (!number.empty() && number.size() < 4 &&
          std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        versions_.push_back(std::stoi(std::string(number)));
      }
    }
  }
  std::sort(versions_.rbegin(), versions_.rend());
  versions_.erase(std::unique(versions_.begin(), versions_.end()), versions_.end());
}

std::optional<std::string> JarFile::read(std::string_view name) const {
  const auto found = index_.find(std::string(name));
  if (found == index_.end()) {
    return std::nullopt;
  }
  const ZipEntry& entry = entries_[found->second];
  RangeSink sink(entry.localOffset, entry.localOffset + zipEntrySpan(entry));
  if (entry.size > kMaxJavaFile || !readAll(*system_, path_, sink)) {
    return std::nullopt;
  }
  return readZipEntry(sink.kept(), entry, kMaxJavaFile);
}

std::optional<std::string> JarFile::entryFor(std::string_view file,
                                             std::optional<int> release) const {
  for (const int version : versions_) {
    const std::string name =
        std::string(kVersions) + std::to_string(version) + "/" + std::string(file);
    // Versions before 9 are never looked at.
    if (version >= 9 && (!release || version <= *release) && index_.count(name) != 0) {
      return name;
    }
  }
  if (index_.count(std::string(file)) != 0) {
    return std::string(file);
  }
  return std::nullopt;
}

}  // namespace veltrane::check
