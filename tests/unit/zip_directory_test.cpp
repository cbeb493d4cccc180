#include "check/zip_directory.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/java_bytes.h"

namespace veltrane::check {
namespace {

// The contents of every entry, or "(unreadable)"; "(no directory)" for none.
std::vector<std::string> contents(const std::string& zip, size_t tail = kZipTail) {
  const std::string_view last =
      std::string_view(zip).substr(zip.size() - std::min(tail, zip.size()));
  const auto entries = readZipDirectory(last, zip.size());
  if (!entries) {
    return {"(no directory)"};
  }
  std::vector<std::string> all;
  for (const ZipEntry& entry : *entries) {
    const auto read = readZipEntry(std::string_view(zip).substr(entry.localOffset), entry, 100);
    all.push_back(entry.name + "=" + read.value_or("(unreadable)"));
  }
  return all;
}

TEST(ZipDirectory, ReadsStoredAndDeflatedEntriesAndRefusesBrokenArchives) {
  const std::string jar = jarBytes({{"a.txt", "stored"}, {"b/c.txt", "deflated", true}});
  const size_t end = jar.size() - 22;
  const size_t directory = jar.find("PK\x01\x02");
  const auto changed = [&jar](size_t at, const std::string& bytes) {
    std::string copy = jar;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  };
  const struct {
    std::string zip;
    std::vector<std::string> expected;
    size_t tail = kZipTail;
  } rows[] = {
      {jar, {"a.txt=stored", "b/c.txt=deflated"}},
      {jar.substr(0, jar.size() - 1), {"(no directory)"}},  // the end record cut
      {jar + "x", {"(no directory)"}},                      // bytes after it, no comment
      {changed(end + 20, "\x01") + "x", {"a.txt=stored", "b/c.txt=deflated"}},  // a comment
      {jar, {"(no directory)"}, 40},  // the directory lies before the bytes given
      {changed(end + 16, "\xff\xff\xff\xff"), {"(no directory)"}},  // zip64
      {changed(end + 10, "\x03"), {"(no directory)"}},  // more entries than the directory
      {changed(35, "x"), {"a.txt=(unreadable)", "b/c.txt=deflated"}},                 // CRC
      {changed(directory + 10, "\x0c"), {"a.txt=(unreadable)", "b/c.txt=deflated"}},  // bzip2
      {changed(0, "PK\x05\x05"), {"a.txt=(unreadable)", "b/c.txt=deflated"}},  // no local header
  };
  for (const auto& row : rows) {
    EXPECT_EQ(contents(row.zip, row.tail), row.expected) << row.zip.size();
  }
}

}  // namespace
}  // namespace veltrane::check
