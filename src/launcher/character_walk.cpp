#include "launcher/character_walk.h"

namespace veltrane {

namespace {

bool isContinuation(unsigned char byte) {
  return byte >= 0x80 && byte <= 0xBF;
}

// The range the byte after a lead byte must fall in: narrower than a plain
// continuation for the leads whose short forms are overlong, surrogates or
// past U+10FFFF.
bool secondByteFits(unsigned char lead, unsigned char second) {
  switch (lead) {
    case 0xE0:
      return second >= 0xA0 && second <= 0xBF;
    case 0xED:
      return second >= 0x80 && second <= 0x9F;
    case 0xF0:
      return second >= 0x90 && second <= 0xBF;
    case 0xF4:
      return second >= 0x80 && second <= 0x8F;
    default:
      return isContinuation(second);
  }
}

size_t expectedLength(unsigned char lead) {
  if (lead < 0xC2) {
    return 1;  // ASCII, a stray continuation byte, or an overlong lead
  }
  if (lead < 0xE0) {
    return 2;
  }
  if (lead < 0xF0) {
    return 3;
  }
  return lead <= 0xF4 ? 4 : 1;
}

}  // namespace

size_t utf8SequenceLength(std::string_view text, size_t position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  const size_t length = expectedLength(lead);
  if (length == 1 || text.size() - position < length ||
      !secondByteFits(lead, static_cast<unsigned char>(text[position + 1]))) {
    return 1;
  }
  for (size_t i = 2; i < length; ++i) {
    if (!isContinuation(static_cast<unsigned char>(text[position + i]))) {
      return 1;
    }
  }
  return length;
}

CharacterWalk::CharacterWalk(Platform& platform)
    : platform_(platform), utf8_(platform.ansiCodePageIsUtf8()) {}

size_t CharacterWalk::length(std::string_view text, size_t position) const {
  if (utf8_) {
    return utf8SequenceLength(text, position);
  }
  return platform_.isLeadByte(static_cast<unsigned char>(text[position])) &&
                 position + 1 < text.size()
             ? 2
             : 1;
}

size_t CharacterWalk::count(std::string_view text) const {
  size_t characters = 0;
  for (size_t position = 0; position < text.size(); position += length(text, position)) {
    ++characters;
  }
  return characters;
}

}  // namespace veltrane
