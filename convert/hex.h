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

// `x` as a little-endian machine holds it: its bytes reversed on a
// big-endian one. For arithmetic on text, whose lowest byte is then its
// first character, on either kind of machine.
template <typename T>
inline T AsLittle(T x) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return (T)(__builtin_bswap64(x) >> (64 - 8 * sizeof x));
#else
  return x;
#endif
}
template <typename T>
inline T LoadLittle(const void *from) {
  T x;
  memcpy(&x, from, sizeof x);
  return AsLittle(x);
}
inline void StoreLittle(void *to, uint64_t x) {
  x = AsLittle(x);
  memcpy(to, &x, sizeof x);
}

// The hexadecimal digits that `value` takes, 1 for 0.
inline unsigned HexDigits(unsigned long long value) {
  unsigned digits = 1;
  while (value >> 4 * digits != 0 && digits < 16) digits++;
  return digits;
}

// Writes `value`, below 2^32, as `digits` (1 to 8) upper-case hexadecimal
// digits at `out`; returns the end. May write up to 8 bytes from `out`.
inline unsigned char *PutHex(unsigned char *out, unsigned long long value, unsigned digits) {
  // Each nibble to a byte of its own, the most significant highest, then
  // every byte to its digit at once: a line's address costs a few
  // instructions, not a loop.
  uint64_t x = (value & 0xFFFF0000) << 16 | (value & 0xFFFF);
  x = (x & 0x0000FF000000FF00) << 8 | (x & 0x000000FF000000FF);
  x = (x & 0x00F000F000F000F0) << 4 | (x & 0x000F000F000F000F);
  uint64_t letters = ((x + 0x0606060606060606) >> 4) & 0x0101010101010101;  // 1 where above 9
  x = __builtin_bswap64(x + 0x3030303030303030 + letters * 7);
  StoreLittle(out, x >> 8 * (8 - digits));  // the last `digits` of them, first in memory
  return out + digits;
}

// Reverses the order of the bytes within each word of the `count` bytes
// whose digits stand at `text` (two characters a byte), `count` a multiple of
// `wordBytes`. Words of 2, 4 and 8 bytes go eight characters at a time; the
// steps are the same in either byte order.
inline uint64_t SwapPairsInHalves(uint64_t x) {
  const uint64_t PAIRS = 0x0000FFFF0000FFFFull;
  return (x & PAIRS) << 16 | (x >> 16 & PAIRS);
}
inline uint64_t ReversePairs(uint64_t x) { return SwapPairsInHalves(x << 32 | x >> 32); }

// Words of other sizes, a word at a time: its first and last four pairs
// (overlapping, for fewer than eight), each reversed, trade places; words of
// three bytes the same with two pairs.
template <unsigned BYTES>
inline void SwapWordsOf(unsigned char *text, size_t length) {
  for (size_t i = 0; i < length; i += 2 * BYTES) {
    if (BYTES == 3) {
      uint32_t x, y;
      memcpy(&x, text + i, 4);
      memcpy(&y, text + i + 2, 4);
      x = x << 16 | x >> 16, y = y << 16 | y >> 16;
      memcpy(text + i, &y, 4);
      memcpy(text + i + 2, &x, 4);
    } else {
      uint64_t x, y;
      memcpy(&x, text + i, 8);
      memcpy(&y, text + i + 2 * BYTES - 8, 8);
      x = ReversePairs(x), y = ReversePairs(y);
      memcpy(text + i, &y, 8);
      memcpy(text + i + 2 * BYTES - 8, &x, 8);
    }
  }
}

inline void SwapWordText(unsigned char *text, size_t count, unsigned wordBytes) {
  size_t length = 2 * count, i = 0;
  uint64_t x, y;
  if (wordBytes == 2 || wordBytes == 4 || wordBytes == 8) {
    for (; i + 16 <= length; i += 16) {
      memcpy(&x, text + i, 8);
      memcpy(&y, text + i + 8, 8);
      if (wordBytes == 8) {
        x = ReversePairs(x), y = ReversePairs(y);
        memcpy(text + i, &y, 8);
        memcpy(text + i + 8, &x, 8);
      } else {
        x = wordBytes == 4 ? ReversePairs(x) : SwapPairsInHalves(x);
        y = wordBytes == 4 ? ReversePairs(y) : SwapPairsInHalves(y);
        memcpy(text + i, &x, 8);
        memcpy(text + i + 8, &y, 8);
      }
    }
    if (i + 8 <= length) {  // one word of 4 bytes, or two of 2
      memcpy(&x, text + i, 8);
      x = wordBytes == 4 ? ReversePairs(x) : SwapPairsInHalves(x);
      memcpy(text + i, &x, 8);
      i += 8;
    }
    if (i < length) {  // one word of 2 bytes
      uint32_t z;
      memcpy(&z, text + i, 4);
      z = z << 16 | z >> 16;
      memcpy(text + i, &z, 4);
    }
    return;
  }
  switch (wordBytes) {
    case 3:
      return SwapWordsOf<3>(text, length);
    case 5:
      return SwapWordsOf<5>(text, length);
    case 6:
      return SwapWordsOf<6>(text, length);
    default:
      return SwapWordsOf<7>(text, length);
  }
}

#endif
