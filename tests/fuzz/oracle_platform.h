// The in-memory platform for the fuzz targets: a file system that is
// arbitrary but fixed for one input. Whether a path exists, is a folder, or
// why a query or a start fails follows from a hash of the path mixed with a
// seed, so every candidate the launcher may probe has an answer without the
// input having to spell out the paths.
#ifndef VELTRANE_TESTS_FUZZ_ORACLE_PLATFORM_H_
#define VELTRANE_TESTS_FUZZ_ORACLE_PLATFORM_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/fake_platform.h"

namespace veltrane {

class OraclePlatform : public FakePlatform {
 public:
  // About density/256 of all paths exist.
  OraclePlatform(std::uint16_t seed, std::uint8_t density) : seed_(seed), density_(density) {}

  // What reading any configuration file yields.
  std::string configBytes;
  SystemError configError = 0;  // 0: readable
  std::vector<std::string> configReads;
  // What any jar directory listing yields; none when listingWorks is false.
  std::vector<std::string> jarNames;
  bool listingWorks = true;
  std::uint32_t exitCode = 0;

  // What an attribute query for the path answers, without recording it.
  FileAttributes entry(std::string_view path) const;

  FileAttributes fileAttributes(const std::string& path) override;
  ProcessOutcome runProcess(const std::string& application, const std::string& commandLine,
                            const StartInformation& startup) override;
  bool readFile(const std::string& path, ByteSink& sink, SystemError* error) override;
  bool findFiles(const std::string& pattern, std::vector<DirectoryEntry>* entries) override;

 private:
  std::uint32_t hash(std::string_view path) const;

  std::uint16_t seed_;
  std::uint8_t density_;
};

// Reports a broken invariant and aborts, so that libFuzzer keeps the input.
void require(bool holds, const char* invariant);

// The input cut at its NUL bytes into at most count pieces; the last piece
// keeps any further NULs.
std::vector<std::string> splitAtNul(std::string_view input, size_t count);

// The shape every fuzz input shares: a byte of flags, the file system's
// density and seed, then the target's text fields separated by NULs.
struct FuzzInput {
  std::uint8_t flags = 0;
  std::uint8_t density = 0;
  std::uint16_t seed = 0;
  std::vector<std::string> fields;
};

// Decodes the input into fieldCount fields; false when it is too short to
// hold the header.
bool decodeFuzzInput(const std::uint8_t* data, size_t size, size_t fieldCount, FuzzInput* input);

}  // namespace veltrane

#endif  // VELTRANE_TESTS_FUZZ_ORACLE_PLATFORM_H_
