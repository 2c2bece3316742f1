// The AVX2 kernel: thirty-two characters at a time, digits told apart by
// table look-ups on each nibble; x86-64 CPUs that have it.
#include "convert/kernels/cpu.h"

#if WORDHEX_AVX2
#include <immintrin.h>

#include "convert/kernels/kernel.h"
#include "convert/kernels/kernels.h"
#include "convert/kernels/masks.h"

TARGET_AVX2 static inline __m256i LoadBlock32(const unsigned char *text) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text));
}

// The nibble values of the 32 characters in `x` (anything for a non-digit);
// bits of the characters that are not digits go to *invalid.
// By high nibble and by low nibble: 1 may be a digit, 2 may be a letter; a
// letter's value is its low nibble plus 9. Kept in memory, so that the loop
// takes them as operands rather than building them again after each call.
alignas(32) static const unsigned char BY_HIGH[32] = {0, 0, 0, 1, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0, 0, 0, 1, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
alignas(32) static const unsigned char BY_LOW[32] = {1, 3, 3, 3, 3, 3, 3, 1, 1, 1, 0, 0, 0, 0, 0, 0,
                                                     1, 3, 3, 3, 3, 3, 3, 1, 1, 1, 0, 0, 0, 0, 0, 0};
alignas(32) static const
    unsigned char LOW_NIBBLES[32] = {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                     15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15};
alignas(32) static const unsigned char TWOS[32] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
                                                   2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
alignas(32) static const unsigned char NINES[32] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                                    9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};

TARGET_AVX2 static inline __m256i Constant(const unsigned char *bytes) {
  return _mm256_load_si256(reinterpret_cast<const __m256i *>(bytes));
}

TARGET_AVX2 static inline __m256i NibblesAvx2(__m256i x, uint32_t *invalid) {
  __m256i low = _mm256_and_si256(x, Constant(LOW_NIBBLES));
  __m256i high = _mm256_and_si256(_mm256_srli_epi16(x, 4), Constant(LOW_NIBBLES));  // 8 and above for 0x80 and above
  __m256i kind =
      _mm256_and_si256(_mm256_shuffle_epi8(Constant(BY_HIGH), high), _mm256_shuffle_epi8(Constant(BY_LOW), low));
  *invalid = (uint32_t)_mm256_movemask_epi8(_mm256_cmpeq_epi8(kind, _mm256_setzero_si256()));
  __m256i letter = _mm256_cmpeq_epi8(kind, Constant(TWOS));
  return _mm256_add_epi8(low, _mm256_and_si256(letter, Constant(NINES)));
}

// Pairs of nibbles (first one high) to their byte values in 16-bit lanes.
TARGET_AVX2 static inline __m256i PairValuesAvx2(__m256i nibbles) {
  return _mm256_maddubs_epi16(nibbles, _mm256_set1_epi16(0x0110));
}

// The pair values of the first k characters at `text` (all 32 when k >= 32),
// lanes past k zero; bits of the characters that are not digits go to *bad.
TARGET_AVX2 static inline __m256i PairsAvx2(const unsigned char *text, size_t k, uint32_t *bad) {
  uint32_t invalid;
  __m256i values = NibblesAvx2(LoadBlock32(text), &invalid);
  if (k < 32) {
    invalid &= (1u << k) - 1;
    values = _mm256_and_si256(values, LoadBlock32(KEEP.bytes + 64 - k));
  }
  *bad |= invalid;
  return PairValuesAvx2(values);
}

// The low bytes of the 16-bit lanes of `sums`, added.
TARGET_AVX2 static inline unsigned AddLowBytes(__m256i sums) {
  __m128i half = _mm_add_epi16(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
  __m128i total = _mm_sad_epu8(_mm_and_si128(half, _mm_set1_epi16(0x00FF)), _mm_setzero_si128());
  return (unsigned)_mm_cvtsi128_si32(total) + (unsigned)_mm_cvtsi128_si32(_mm_srli_si128(total, 8));
}

// The first four lanes' values, the first in the top byte.
TARGET_AVX2 static inline uint32_t HeaderAvx2(__m256i pairs) {
  __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(pairs), _mm_setzero_si128());
  return __builtin_bswap32((uint32_t)_mm_cvtsi128_si32(bytes));
}

TARGET_AVX2 static inline bool ScanAvx2(const unsigned char *text, size_t length, uint32_t *header) {
  uint32_t bad = 0;
  __m256i total = PairsAvx2(text, length, &bad);
  *header = HeaderAvx2(total);
  for (size_t i = 32; i < length; i += 32) total = _mm256_add_epi16(total, PairsAvx2(text + i, length - i, &bad));
  return bad == 0 && AddLowBytes(total) % 256 == 0;
}

// The usual records, up to AVX2_QUICK_COUNT data bytes (a whole line with CR
// LF in 64 bytes), go a quicker way: two blocks, no loop. Anything else
// takes the general one.
TARGET_AVX2 static inline unsigned CheckAvx2(const unsigned char *text, const unsigned char *end, size_t room,
                                             size_t *length, uint32_t *header) {
  if ((size_t)(end - text) >= 66 && room >= 64) {
    if (text[0] != ':') return 0;
    uint32_t invalid0, invalid1;
    __m256i pairs0 = PairValuesAvx2(NibblesAvx2(LoadBlock32(text + 1), &invalid0));
    __m256i pairs1 = PairValuesAvx2(NibblesAvx2(LoadBlock32(text + 33), &invalid1));
    *header = HeaderAvx2(pairs0);
    size_t count = *header >> 24;
    if (count <= AVX2_QUICK_COUNT) {
      // Count to checksum: all digits, and the pairs (the lanes up to the
      // checksum's) summing to zero.
      size_t digits = 10 + 2 * count;
      uint64_t bad = ((uint64_t)invalid1 << 32 | invalid0) & ((1ull << digits) - 1);
      __m256i sum = _mm256_add_epi16(_mm256_and_si256(pairs0, LoadBlock32(KEEP.bytes + 64 - digits)),
                                     _mm256_and_si256(pairs1, LoadBlock32(KEEP.bytes + 96 - digits)));
      if (bad != 0 || AddLowBytes(sum) % 256 != 0) return 0;
      *length = digits + 1;
      return 2;
    }
  }
  *length = CandidateLength(text, end, room, 64);
  return *length != 0 && ScanAvx2(text + 1, *length - 1, header) ? 1 : 0;
}

// Two blocks whatever the length: both routes leave room for them.
TARGET_AVX2 static inline void CopyAvx2(unsigned char *out, const unsigned char *text, size_t length) {
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), LoadBlock32(text));
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 32), LoadBlock32(text + 32));
  for (size_t i = 64; i < length + 2; i += 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), LoadBlock32(text + i));
  }
}

// Words of 2, 4 and 8 bytes fill lanes: 32 characters at a time; others a
// lane's whole words at a time, each store overwriting what the last one
// wrote past its words.
TARGET_AVX2 static inline void SwapAvx2(unsigned char *out, const unsigned char *text, size_t count,
                                        unsigned wordBytes) {
  __m128i lane = _mm_load_si128(reinterpret_cast<const __m128i *>(SWAP.blocks[wordBytes]));
  size_t step = SWAP.step[wordBytes], length = 2 * count;
  if (step == 16) {
    __m256i lanes = _mm256_broadcastsi128_si256(lane);
    for (size_t i = 0; i < length; i += 32) {
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_shuffle_epi8(LoadBlock32(text + i), lanes));
    }
    return;
  }
  for (size_t i = 0; i < length; i += step) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_shuffle_epi8(x, lane));
  }
}

KERNEL TARGET_AVX2 void ConvertRecordsAvx2(HexInput *input, HexOutput *output, Converter *converter) {
  ConvertRecords<CheckAvx2, CopyAvx2, SwapAvx2>(input, output, converter);
}
#endif
