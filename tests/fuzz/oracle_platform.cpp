#include "fuzz/oracle_platform.h"

#include <cstdio>
#include <cstdlib>

namespace veltrane {

namespace {

// Failures of an attribute query for a path that does not exist; mostly
// "missing", so that searches go on.
constexpr SystemError kQueryErrors[] = {kErrorFileNotFound, kErrorPathNotFound, kErrorFileNotFound,
                                        kErrorPathNotFound, kErrorNotReady,     kErrorAccessDenied,
                                        123 /* bad name */, kErrorFileNotFound};
// Failures of starting a file that exists; 0 starts it.
constexpr SystemError kStartErrors[] = {0,  0, 0, 0, 0, kErrorBadExeFormat, kErrorAccessDenied,
                                        740 /* elevation required */};

}  // namespace

std::uint32_t OraclePlatform::hash(std::string_view path) const {
  std::uint32_t value = 2166136261u ^ seed_;  // FNV-1a
  for (unsigned char byte : path) {
    value = (value ^ byte) * 16777619u;
  }
  return value;
}

FileAttributes OraclePlatform::entry(std::string_view path) const {
  const std::uint32_t bits = hash(path);
  FileAttributes attributes;
  if ((bits & 0xFF) < density_) {
    attributes.found = true;
    attributes.bits = (bits & 0x100) != 0 ? kAttributeDirectory : 0x20;
  } else {
    attributes.error = kQueryErrors[(bits >> 9) & 7];
  }
  return attributes;
}

FileAttributes OraclePlatform::fileAttributes(const std::string& path) {
  attributeQueries.push_back(path);
  return entry(path);
}

ProcessOutcome OraclePlatform::runProcess(const std::string& application,
                                          const std::string& commandLine,
                                          const StartInformation& startup) {
  ProcessOutcome outcome;
  const FileAttributes attributes = entry(application);
  if (!attributes.found) {
    outcome.error = attributes.error;
  } else if ((attributes.bits & kAttributeDirectory) != 0) {
    outcome.error = kErrorAccessDenied;  // what Windows says for a folder
  } else {
    outcome.error = kStartErrors[(hash(application) >> 12) & 7];
  }
  if (outcome.error == 0) {
    starts.push_back({application, commandLine, environment("path"), startup});
    outcome.started = true;
    outcome.exitCode = exitCode;
  }
  return outcome;
}

bool OraclePlatform::readFile(const std::string& path, ByteSink& sink, SystemError* error) {
  configReads.push_back(path);
  if (configError != 0) {
    *error = configError;
    return false;
  }
  // Pieces of a size fixed by the seed, so lines span pieces in every way.
  const size_t pieceSize = 1 + seed_ % 61;
  for (size_t start = 0; start < configBytes.size(); start += pieceSize) {
    sink.consume(std::string_view(configBytes).substr(start, pieceSize));
  }
  *error = 0;
  return true;
}

bool OraclePlatform::findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) {
  const std::string folder = pattern.substr(0, pattern.rfind('\\') + 1);
  for (const std::string& name : jarNames) {
    entries->push_back({name, entry(folder + name).bits});
  }
  return listingWorks;
}

void require(bool holds, const char* invariant) {
  if (!holds) {
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
  }
}

std::vector<std::string> splitAtNul(std::string_view input, size_t count) {
  std::vector<std::string> pieces;
  while (pieces.size() + 1 < count) {
    const size_t nul = input.find('\0');
    if (nul == std::string_view::npos) {
      break;
    }
    pieces.emplace_back(input.substr(0, nul));
    input.remove_prefix(nul + 1);
  }
  pieces.emplace_back(input);
  pieces.resize(count);
  return pieces;
}

bool decodeFuzzInput(const std::uint8_t* data, size_t size, size_t fieldCount, FuzzInput* input) {
  constexpr size_t kHeaderSize = 4;
  if (size < kHeaderSize) {
    return false;
  }
  input->flags = data[0];
  input->density = data[1];
  input->seed = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
  input->fields = splitAtNul(
      std::string_view(reinterpret_cast<const char*>(data) + kHeaderSize, size - kHeaderSize),
      fieldCount);
  return true;
}

}  // namespace veltrane
