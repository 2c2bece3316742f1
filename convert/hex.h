// Hexadecimal digits and record checksums: the one place that reads and
// writes them for every mode and path.
#ifndef WORDHEX_CONVERT_HEX_H
#define WORDHEX_CONVERT_HEX_H

#include <stdint.h>
#include <string.h>

// Value of each byte as a hexadecimal digit, HEX_NOT_DIGIT for every other
// byte. Plain ASCII, whatever the locale.
enum { HEX_NOT_DIGIT = 0xFF };
extern const unsigned char HexDigitValue[256];

// "000102...FF": the two upper-case digits of every byte value.
struct HexPairText {
  char text[512];
};
constexpr HexPairText MakeHexPairText() {
  HexPairText pairs = {};
  for (int value = 0; value < 256; value++) {
    pairs.text[2 * value] = "0123456789ABCDEF"[value >> 4];
    pairs.text[2 * value + 1] = "0123456789ABCDEF"[value & 0x0F];
  }
  return pairs;
}
constexpr HexPairText HEX_PAIRS = MakeHexPairText();

// Writes the two upper-case digits of the low byte of `value`.
inline void FormatHexByte(unsigned value, unsigned char *text) { memcpy(text, HEX_PAIRS.text + 2 * (value & 0xFF), 2); }

// The value of the two digits at `text`; above 0xFF when either is no digit.
inline unsigned HexPairValue(const unsigned char *text) { return HexDigitValue[text[0]] << 4 | HexDigitValue[text[1]]; }

// The checksum that makes a record's bytes add up to 0 modulo 256: `sum` is
// the byte sum of its count, type and data, to which the address's two bytes
// are added here.
inline unsigned char RecordChecksum(unsigned sum, unsigned address) {
  return (unsigned char)(0u - (sum + (address >> 8) + (address & 0xFF)));
}

// Reverses the order of the bytes within each word of the `count` bytes
// whose digits stand at `text` (two characters a byte), `count` a multiple of
// `wordBytes`. Words of 2, 4 and 8 bytes go eight characters at a time;
// the steps are the same in either byte order.
inline void SwapWordText(unsigned char *text, size_t count, unsigned wordBytes) {
  const uint64_t PAIRS = 0x0000FFFF0000FFFFull;
  size_t length = 2 * count, i = 0;
  if (wordBytes == 2 || wordBytes == 4) {
    for (; i + 8 <= length; i += 8) {
      uint64_t x;
      memcpy(&x, text + i, 8);
      if (wordBytes == 4) x = x << 32 | x >> 32;
      x = (x & PAIRS) << 16 | (x >> 16 & PAIRS);
      memcpy(text + i, &x, 8);
    }
    if (i < length) {  // one word of 2 bytes left
      uint32_t x;
      memcpy(&x, text + i, 4);
      x = x << 16 | x >> 16;
      memcpy(text + i, &x, 4);
    }
    return;
  }
  for (; i < length; i += 2 * wordBytes) {
    for (unsigned low = 0, high = 2 * wordBytes - 2; low < high; low += 2, high -= 2) {
      unsigned char pair[2];
      memcpy(pair, text + i + low, 2);
      memcpy(text + i + low, text + i + high, 2);
      memcpy(text + i + high, pair, 2);
    }
  }
}

#endif
