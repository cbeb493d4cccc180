#include "check/inflate.h"

#include <array>
#include <cstdint>
#include <vector>

namespace veltrane::check {

namespace {

constexpr int kMaxBits = 15;
constexpr size_t kLiteralCodes = 288;
constexpr size_t kDistanceCodes = 30;

// Bits are taken from the least significant end of each byte first.
class BitReader {
 public:
  explicit BitReader(std::string_view bytes) : bytes_(bytes) {}

  // False when the stream ends first.
  bool take(int count, uint32_t& value) {
    while (held_ < count) {
      if (next_ == bytes_.size()) {
        return false;
      }
      buffer_ |= static_cast<uint32_t>(static_cast<unsigned char>(bytes_[next_++])) << held_;
      held_ += 8;
    }
    value = buffer_ & ((1U << count) - 1);
    buffer_ >>= count;
    held_ -= count;
    return true;
  }
  // A stored block starts at the next byte: the bits left in this one go.
  void skipToByte() {
    buffer_ = 0;
    held_ = 0;
  }
  std::string_view rest() const { return bytes_.substr(next_); }
  void skip(size_t count) { next_ += count; }

 private:
  std::string_view bytes_;
  size_t next_ = 0;
  uint32_t buffer_ = 0;
  int held_ = 0;
};

// A canonical Huffman code: how many codes have each length, and the
// symbols in code order.
struct Code {
  std::array<uint16_t, kMaxBits + 1> count{};
  std::vector<uint16_t> symbols;
};

// False for lengths that promise more codes than there are bit patterns.
bool build(const uint8_t* lengths, size_t n, Code& code) {
  code.count.fill(0);
  for (size_t s = 0; s < n; ++s) {
    ++code.count[lengths[s]];
  }
  int left = 1;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = left * 2 - code.count[length];
    if (left < 0) {
      return false;
    }
  }
  std::array<uint16_t, kMaxBits + 2> offset{};
  for (int length = 1; length <= kMaxBits; ++length) {
    offset[length + 1] = static_cast<uint16_t>(offset[length] + code.count[length]);
  }
  code.symbols.assign(n, 0);
  for (size_t s = 0; s < n; ++s) {
    if (lengths[s] != 0) {
      code.symbols[offset[lengths[s]]++] = static_cast<uint16_t>(s);
    }
  }
  return true;
}

// Codes are read one bit at a time, most significant first; a pattern no
// symbol has (an incomplete code) fails.
bool decode(BitReader& in, const Code& code, int& symbol) {
  int value = 0;
  int first = 0;
  int index = 0;
  for (int length = 1; length <= kMaxBits; ++length) {
    uint32_t bit = 0;
    if (!in.take(1, bit)) {
      return false;
    }
    value |= static_cast<int>(bit);
    const int count = code.count[length];
    if (value - first < count) {
      symbol = code.symbols[index + value - first];
      return true;
    }
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return false;
}

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
 public:
  Inflater(std::string_view stream, size_t maxSize) : in_(stream), maxSize_(maxSize) {}

  std::optional<std::string> run() {
    uint32_t last = 0;
    while (last == 0) {
      uint32_t type = 0;
      if (!in_.take(1, last) || !in_.take(2, type)) {
        return std::nullopt;
      }
      const bool done = type == 0 ? stored() : type == 1 ? fixed() : type == 2 ? dynamic() : false;
      if (!done) {
        return std::nullopt;
      }
    }
    return std::move(out_);
  }

 private:
  bool stored() {
    in_.skipToByte();
    const std::string_view rest = in_.rest();
    if (rest.size() < 4) {
      return false;
    }
    const auto byte = [&rest](size_t i) {
      return static_cast<uint32_t>(static_cast<unsigned char>(rest[i]));
    };
    const uint32_t length = byte(0) | byte(1) << 8;
    const uint32_t complement = byte(2) | byte(3) << 8;
    if ((length ^ 0xffffU) != complement || rest.size() - 4 < length ||
        out_.size() + length > maxSize_) {
      return false;
    }
    out_.append(rest.substr(4, length));
    in_.skip(4 + length);
    return true;
  }

  bool fixed() {
    std::array<uint8_t, kLiteralCodes> lengths{};
    for (size_t s = 0; s < kLiteralCodes; ++s) {
      lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    }
    std::array<uint8_t, kDistanceCodes> distances{};
    distances.fill(5);
    Code literal;
    Code distance;
    return build(lengths.data(), lengths.size(), literal) &&
           build(distances.data(), distances.size(), distance) && codes(literal, distance);
  }

  bool dynamic();
  bool readLengths(const Code& lengthCode, uint8_t* lengths, size_t n);
  bool codes(const Code& literal, const Code& distance);

  BitReader in_;
  size_t maxSize_;
  std::string out_;
};

bool Inflater::dynamic() {
  uint32_t literals = 0;
  uint32_t distances = 0;
  uint32_t lengthCodes = 0;
  if (!in_.take(5, literals) || !in_.take(5, distances) || !in_.take(4, lengthCodes)) {
    return false;
  }
  literals += 257;
  distances += 1;
  lengthCodes += 4;
  if (literals > 286 || distances > kDistanceCodes) {
    return false;
  }
  static constexpr std::array<uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
  std::array<uint8_t, 19> codeLengths{};
  for (uint32_t i = 0; i < lengthCodes; ++i) {
    uint32_t length = 0;
    if (!in_.take(3, length)) {
      return false;
    }
    codeLengths[kOrder[i]] = static_cast<uint8_t>(length);
  }
  Code lengthCode;
  std::array<uint8_t, 286 + kDistanceCodes> lengths{};
  if (!build(codeLengths.data(), codeLengths.size(), lengthCode) ||
      !readLengths(lengthCode, lengths.data(), literals + distances) || lengths[256] == 0) {
    return false;  // a block without an end code never ends
  }
  Code literal;
  Code distance;
  return build(lengths.data(), literals, literal) &&
         build(lengths.data() + literals, distances, distance) && codes(literal, distance);
}

// The code lengths of both codes, as one run-length coded sequence.
bool Inflater::readLengths(const Code& lengthCode, uint8_t* lengths, size_t n) {
  size_t index = 0;
  while (index < n) {
    int symbol = 0;
    if (!decode(in_, lengthCode, symbol)) {
      return false;
    }
    if (symbol < 16) {
      lengths[index++] = static_cast<uint8_t>(symbol);
      continue;
    }
    uint8_t repeated = 0;
    uint32_t times = 0;
    bool read = false;
    if (symbol == 16) {
      read = index > 0 && in_.take(2, times);
      repeated = read ? lengths[index - 1] : 0;
      times += 3;
    } else {
      read = in_.take(symbol == 17 ? 3 : 7, times);
      times += symbol == 17 ? 3 : 11;
    }
    if (!read || index + times > n) {
      return false;
    }
    for (uint32_t i = 0; i < times; ++i) {
      lengths[index++] = repeated;
    }
  }
  return true;
}

bool Inflater::codes(const Code& literal, const Code& distance) {
  while (true) {
    int symbol = 0;
    if (!decode(in_, literal, symbol)) {
      return false;
    }
    if (symbol < 256) {
      if (out_.size() == maxSize_) {
        return false;
      }
      out_ += static_cast<char>(symbol);
      continue;
    }
    if (symbol == 256) {
      return true;
    }
    symbol -= 257;
    uint32_t extra = 0;
    int distanceSymbol = 0;
    if (symbol >= static_cast<int>(kLengthBase.size()) || !in_.take(kLengthExtra[symbol], extra)) {
      return false;
    }
    const size_t length = kLengthBase[symbol] + extra;
    if (!decode(in_, distance, distanceSymbol) ||
        distanceSymbol >= static_cast<int>(kDistanceBase.size()) ||
        !in_.take(kDistanceExtra[distanceSymbol], extra)) {
      return false;
    }
    const size_t back = kDistanceBase[distanceSymbol] + extra;
    if (back > out_.size() || out_.size() + length > maxSize_) {
      return false;
    }
    // The copy may overlap what it writes: byte by byte.
    for (size_t i = 0; i < length; ++i) {
      out_ += out_[out_.size() - back];
    }
  }
}

}  // namespace

std::optional<std::string> inflate(std::string_view stream, size_t maxSize) {
  return Inflater(stream, maxSize).run();
}

}  // namespace veltrane::check
