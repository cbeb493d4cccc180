// Inflate (RFC 1951): the raw deflate streams that zip files, and so jars,
// hold their entries in.
#ifndef VELTRANE_CHECK_INFLATE_H_
#define VELTRANE_CHECK_INFLATE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltrane::check {

// The bytes the stream inflates to; empty when it is no complete deflate
// stream, or would inflate to more than maxSize bytes (so a small entry
// cannot make the checker allocate without bound). Bytes after the last
// block are ignored.
std::optional<std::string> inflate(std::string_view stream, size_t maxSize);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_INFLATE_H_
