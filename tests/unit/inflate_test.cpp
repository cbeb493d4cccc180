#include "check/inflate.h"

#include <gtest/gtest.h>

namespace veltrane::check {
namespace {

using std::string_literals::operator""s;

// 400 letters that zlib packs into one block with its own Huffman codes.
std::string dynamicText() {
  std::string text;
  for (int i = 0; i < 400; ++i) {
    text += static_cast<char>((i * i * 7 + i / 3) % 11 + 97);
  }
  return text;
}

TEST(Inflate, ReadsEachBlockTypeAndRefusesBrokenOrOversizedStreams) {
  const std::string dynamic =
      "\xed\xca\xb1\x11\x00\x30\x08\x02\xc0\x59\xf1\x50\x51\xf6\xef\xdd\x22\x55\xbe\x7e\xa8\x97"
      "\x88\xf4\x9a\x70\x28\x73\x18\x14\x59\x9e\x81\xaa\xf1\xc3\xcb\x70"s;
  const std::string fixed = "\x4b\x4c\x4a\x4e\x84\x21\x00"s;  // "abcabcabcabc"
  const struct {
    std::string stream;
    std::optional<std::string> expected;
    size_t maxSize = 1000;
  } rows[] = {
      {fixed, "abcabcabcabc"},
      {fixed, std::nullopt, 11},                                  // one byte over the limit
      {"\x63\x60\x18\x05\xc4\x02\x00"s, std::string(300, '\0')},  // a copy overlapping itself
      {dynamic, dynamicText()},
      {dynamic.substr(0, 20), std::nullopt},                // cut short
      {"\x01\x03\x00\xfc\xffxyz"s, "xyz"},                  // stored
      {"\x00\x01\x00\xfe\xffx\x01\x00\x00\xff\xff"s, "x"},  // stored, then an empty last block
      {"\x01\x03\x00\xfc\xfexyz"s, std::nullopt},           // the length's complement is wrong
      {"\x01\x03\x00\xfc\xffxy"s, std::nullopt},
      {"\x07"s, std::nullopt},          // block type 3
      {"\x03\x02\x00"s, std::nullopt},  // a distance before the first byte
      {""s, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(inflate(row.stream, row.maxSize), row.expected) << row.stream.size();
  }
}

}  // namespace
}  // namespace veltrane::check
