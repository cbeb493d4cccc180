// A small writer of JSON text: objects, arrays, strings, numbers, booleans
// and null, with commas and escapes placed by the writer.
#ifndef VELTRANE_CHECK_JSON_WRITER_H_
#define VELTRANE_CHECK_JSON_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltrane::check {

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // The name of the next value in an object.
  void key(std::string_view name);
  // Bytes that are not UTF-8 are taken as Latin-1, so the output is always
  // valid UTF-8.
  void string(std::string_view text);
  void number(std::int64_t value);
  void boolean(bool value);
  void null();

  const std::string& text() const { return text_; }
  // The text written since the last take, for writing it out piece by
  // piece; the writer goes on where it stopped.
  std::string take() { return std::exchange(text_, std::string()); }

 private:
  void beforeValue();
  void appendString(std::string_view text);

  std::string text_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool afterKey_ = false;
};

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_JSON_WRITER_H_
