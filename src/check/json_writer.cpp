#include "check/json_writer.h"

#include <cstdio>

#include "check/utf8_rules.h"

namespace veltrane::check {

namespace {

// The length of the UTF-8 sequence that starts at the position, or 0 when
// the bytes there are no valid sequence.
size_t utf8Length(std::string_view text, size_t position) {
  const Utf8Lead lead = utf8Lead(static_cast<unsigned char>(text[position]));
  const size_t length = static_cast<size_t>(lead.continuations) + 1;
  if (lead.continuations == 0 || position + length > text.size()) {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[position + i]);
    if (byte < (i == 1 ? lead.low : 0x80) || byte > (i == 1 ? lead.high : 0xBF)) {
      return 0;
    }
  }
  return length;
}

void appendEscaped(std::string& out, unsigned char c) {
  char escaped[8];
  static_cast<void>(std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c)));
  out += escaped;
}

}  // namespace

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) {
      text_ += ',';
    }
    first_.back() = false;
  }
}

void JsonWriter::beginObject() {
  beforeValue();
  text_ += '{';
  first_.push_back(true);
}

void JsonWriter::endObject() {
  first_.pop_back();
  text_ += '}';
}

void JsonWriter::beginArray() {
  beforeValue();
  text_ += '[';
  first_.push_back(true);
}

void JsonWriter::endArray() {
  first_.pop_back();
  text_ += ']';
}

void JsonWriter::key(std::string_view name) {
  beforeValue();
  appendString(name);
  text_ += ':';
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  beforeValue();
  appendString(text);
}

void JsonWriter::appendString(std::string_view text) {
  text_ += '"';
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      text_ += '\\';
      text_ += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      text_ += static_cast<char>(c);
    } else if (const size_t length = c >= 0x80 ? utf8Length(text, i) : 0; length != 0) {
      text_.append(text.substr(i, length));
      i += length - 1;
    } else {
      appendEscaped(text_, c);
    }
  }
  text_ += '"';
}

void JsonWriter::number(std::int64_t value) {
  beforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  text_ += value ? "true" : "false";
}

void JsonWriter::null() {
  beforeValue();
  text_ += "null";
}

}  // namespace veltrane::check
