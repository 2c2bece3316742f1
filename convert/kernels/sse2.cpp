// The SSE2 kernel: sixteen characters at a time, on every x86 CPU.
#include "convert/kernels/cpu.h"

#if WORDHEX_X86
#include <immintrin.h>

#include "convert/kernels/kernel.h"
#include "convert/kernels/kernels.h"
#include "convert/kernels/masks.h"

TARGET_SSE2 static inline __m128i LoadBlock16(const unsigned char *text) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(text));
}

// The nibble values of the sixteen characters in `x` (anything for a
// non-digit); *valid gets 0xFF for each digit.
TARGET_SSE2 static inline __m128i NibblesSse2(__m128i x, __m128i *valid) {
  // Bytes of 0x80 and above are negative here and fall outside both ranges.
  __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('9' + 1)));
  __m128i lower = _mm_or_si128(x, _mm_set1_epi8(0x20));
  __m128i letter =
      _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
  *valid = _mm_or_si128(digit, letter);
  return _mm_add_epi8(_mm_and_si128(x, _mm_set1_epi8(0x0F)), _mm_and_si128(letter, _mm_set1_epi8(9)));
}

// Pairs of nibbles, the first one high, to 16-bit lanes whose low bytes are
// the pairs' values modulo 256 (the rest a multiple of 256).
TARGET_SSE2 static inline __m128i PairValuesSse2(__m128i nibbles) {
  return _mm_add_epi16(_mm_slli_epi16(nibbles, 4), _mm_srli_epi16(nibbles, 8));
}

// The pair values of the first k characters at `text` (all sixteen when k >=
// 16) as PairValuesSse2 makes them, lanes past k zero; bits of the characters
// that are not digits go to *bad.
TARGET_SSE2 static inline __m128i PairsSse2(const unsigned char *text, size_t k, unsigned *bad) {
  __m128i valid;
  __m128i values = NibblesSse2(LoadBlock16(text), &valid);
  unsigned invalid = (unsigned)_mm_movemask_epi8(valid) ^ 0xFFFF;
  if (k < 16) {
    invalid &= (1u << k) - 1;
    values = _mm_and_si128(values, LoadBlock16(KEEP.bytes + 64 - k));
  }
  *bad |= invalid;
  return PairValuesSse2(values);
}

// The low bytes of the 16-bit lanes of `sums`, added.
TARGET_SSE2 static inline unsigned AddLowBytes(__m128i sums) {
  __m128i total = _mm_sad_epu8(_mm_and_si128(sums, _mm_set1_epi16(0x00FF)), _mm_setzero_si128());
  return (unsigned)_mm_cvtsi128_si32(total) + (unsigned)_mm_cvtsi128_si32(_mm_srli_si128(total, 8));
}

// The first four lanes' low bytes, the first in the top byte.
TARGET_SSE2 static inline uint32_t HeaderOf(__m128i pairs) {
  __m128i bytes = _mm_packus_epi16(_mm_and_si128(pairs, _mm_set1_epi16(0x00FF)), _mm_setzero_si128());
  return __builtin_bswap32((uint32_t)_mm_cvtsi128_si32(bytes));
}

TARGET_SSE2 static inline bool ScanSse2(const unsigned char *text, size_t length, uint32_t *header) {
  unsigned bad = 0;
  __m128i total = PairsSse2(text, length, &bad);
  *header = HeaderOf(total);
  for (size_t i = 16; i < length; i += 16) total = _mm_add_epi16(total, PairsSse2(text + i, length - i, &bad));
  return bad == 0 && AddLowBytes(total) % 256 == 0;
}

// The usual records, up to SSE2_QUICK_COUNT data bytes (a whole line with CR
// LF in 48 bytes), go a quicker way: three blocks, no loop. Anything else
// takes the general one.
TARGET_SSE2 static inline unsigned CheckSse2(const unsigned char *text, const unsigned char *end, size_t room,
                                             size_t *length, uint32_t *header) {
  if ((size_t)(end - text) >= 50 && room >= 48) {
    if (text[0] != ':') return 0;
    __m128i valid0, valid1, valid2;
    __m128i values0 = NibblesSse2(LoadBlock16(text + 1), &valid0);
    __m128i values1 = NibblesSse2(LoadBlock16(text + 17), &valid1);
    __m128i values2 = NibblesSse2(LoadBlock16(text + 33), &valid2);
    *header = HeaderOf(PairValuesSse2(values0));
    size_t count = *header >> 24;
    if (count <= SSE2_QUICK_COUNT) {
      // Count to checksum: all digits, and the pairs summing to zero. The
      // three blocks' nibbles add up bytewise first (at most 45 each).
      size_t digits = 10 + 2 * count;
      const unsigned char *drop = DROP.bytes + 48 - digits;
      __m128i drop0 = LoadBlock16(drop), drop1 = LoadBlock16(drop + 16), drop2 = LoadBlock16(drop + 32);
      __m128i valid = _mm_and_si128(_mm_or_si128(valid0, drop0),
                                    _mm_and_si128(_mm_or_si128(valid1, drop1), _mm_or_si128(valid2, drop2)));
      __m128i nibbles = _mm_add_epi8(_mm_andnot_si128(drop0, values0),
                                     _mm_add_epi8(_mm_andnot_si128(drop1, values1), _mm_andnot_si128(drop2, values2)));
      if (_mm_movemask_epi8(valid) != 0xFFFF || AddLowBytes(PairValuesSse2(nibbles)) % 256 != 0) return 0;
      *length = digits + 1;
      return 2;
    }
  }
  *length = CandidateLength(text, end, room, 48);
  return *length != 0 && ScanSse2(text + 1, *length - 1, header) ? 1 : 0;
}

// Three blocks whatever the length: both routes leave room for them.
TARGET_SSE2 static inline void CopySse2(unsigned char *out, const unsigned char *text, size_t length) {
  for (size_t i = 0; i < 48; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), LoadBlock16(text + i));
  for (size_t i = 48; i < length + 2; i += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), LoadBlock16(text + i));
  }
}

// The eight 2-character pairs of `x` in reverse order.
TARGET_SSE2 static inline __m128i ReversePairs(__m128i x) {
  return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0x1B), 0x4E);
}

// Reverses the 2-character pairs of each word, sixteen characters at a time:
// words of 2 and 4 bytes within each half, the others from the whole
// reversed and shifted into place, as many whole words a step as fit; each
// store overwrites what the last one wrote past its words.
TARGET_SSE2 static inline void SwapSse2(unsigned char *out, const unsigned char *text, size_t count,
                                        unsigned wordBytes) {
  size_t length = 2 * count;
  for (size_t i = 0; i < length;) {
    __m128i x = LoadBlock16(text + i), reversed = ReversePairs(x);
    switch (wordBytes) {
      case 2:
        x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xB1), 0xB1);
        break;
      case 3:  // two words: pairs 2 1 0, then 5 4 3
        x = _mm_or_si128(_mm_and_si128(_mm_srli_si128(reversed, 10), _mm_set_epi32(0, 0, 0xFFFF, -1)),
                         _mm_and_si128(_mm_slli_si128(reversed, 2), _mm_set_epi32(0, -1, 0xFFFF0000, 0)));
        break;
      case 4:
        x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0x1B), 0x1B);
        break;
      case 5:
        x = _mm_srli_si128(reversed, 6);
        break;
      case 6:
        x = _mm_srli_si128(reversed, 4);
        break;
      case 7:
        x = _mm_srli_si128(reversed, 2);
        break;
      default:
        x = reversed;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), x);
    i += wordBytes == 3 ? 12 : wordBytes > 4 ? 2 * wordBytes : 16;
  }
}

KERNEL TARGET_SSE2 void ConvertRecordsSse2(HexInput *input, HexOutput *output, Converter *converter) {
  ConvertRecords<CheckSse2, CopySse2, SwapSse2>(input, output, converter);
}
#endif
