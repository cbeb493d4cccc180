// What UTF-8 allows after a lead byte, shared by the encoding check and the
// JSON writer so that both call the same bytes valid: no overlong form, no
// surrogate, nothing past U+10FFFF.
#ifndef VELTRANE_CHECK_UTF8_RULES_H_
#define VELTRANE_CHECK_UTF8_RULES_H_

namespace veltrane::check {

struct Utf8Lead {
  int continuations = 0;     // 0: the byte starts no sequence (ASCII, or invalid)
  unsigned char low = 0x80;  // the range of the first continuation byte
  unsigned char high = 0xBF;
};

// For a byte of 0x80 and above: how the sequence it starts goes on, or no
// continuation when it can start none (C0, C1, F5 to FF, continuation bytes).
inline Utf8Lead utf8Lead(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) {
    return {1, 0x80, 0xBF};
  }
  if (byte >= 0xE0 && byte <= 0xEF) {
    return {2, static_cast<unsigned char>(byte == 0xE0 ? 0xA0 : 0x80),
            static_cast<unsigned char>(byte == 0xED ? 0x9F : 0xBF)};
  }
  if (byte >= 0xF0 && byte <= 0xF4) {
    return {3, static_cast<unsigned char>(byte == 0xF0 ? 0x90 : 0x80),
            static_cast<unsigned char>(byte == 0xF4 ? 0x8F : 0xBF)};
  }
  return {};
}

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_UTF8_RULES_H_
