// The WebAssembly SIMD kernel: sixteen characters at a time, digits told
// apart by table look-ups on each nibble (i8x16.swizzle); only in a build
// for simd128, which a browser either runs whole or refuses to load.
#include "convert/kernels/cpu.h"

#if WORDHEX_WASM_SIMD
#include <wasm_simd128.h>

#include "convert/kernels/kernel.h"
#include "convert/kernels/kernels.h"
#include "convert/kernels/masks.h"

static inline v128_t LoadBlock(const unsigned char *text) { return wasm_v128_load(text); }

// By high nibble and by low nibble: 1 may be a digit, 2 may be a letter; a
// letter's value is its low nibble plus 9. Bytes of 0x80 and above have a
// high nibble of 8 or more, which no digit has.
static inline v128_t NibblesSimd(v128_t x, v128_t *kind) {
  v128_t low = wasm_v128_and(x, wasm_u8x16_splat(0x0F));
  v128_t high = wasm_u8x16_shr(x, 4);
  *kind = wasm_v128_and(wasm_i8x16_swizzle(wasm_u8x16_make(0, 0, 0, 1, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0), high),
                        wasm_i8x16_swizzle(wasm_u8x16_make(1, 3, 3, 3, 3, 3, 3, 1, 1, 1, 0, 0, 0, 0, 0, 0), low));
  v128_t letter = wasm_i8x16_eq(*kind, wasm_u8x16_splat(2));
  return wasm_i8x16_add(low, wasm_v128_and(letter, wasm_u8x16_splat(9)));
}

// 0xFF for each byte of `kind` that is a digit's.
static inline v128_t DigitsOf(v128_t kind) { return wasm_i8x16_ne(kind, wasm_i8x16_splat(0)); }

// Pairs of nibbles, the first one high, to 16-bit lanes whose low bytes are
// the pairs' values modulo 256 (the rest a multiple of 256).
static inline v128_t PairValuesSimd(v128_t nibbles) {
  return wasm_i16x8_add(wasm_i16x8_shl(nibbles, 4), wasm_u16x8_shr(nibbles, 8));
}

// The pair values of the first k characters at `text` (all sixteen when k >=
// 16) as PairValuesSimd makes them, lanes past k zero; bits of the characters
// that are not digits go to *bad.
static inline v128_t PairsSimd(const unsigned char *text, size_t k, unsigned *bad) {
  v128_t kind;
  v128_t values = NibblesSimd(LoadBlock(text), &kind);
  unsigned invalid = (unsigned)wasm_i8x16_bitmask(DigitsOf(kind)) ^ 0xFFFF;
  if (k < 16) {
    invalid &= (1u << k) - 1;
    values = wasm_v128_and(values, LoadBlock(KEEP.bytes + 64 - k));
  }
  *bad |= invalid;
  return PairValuesSimd(values);
}

// The 16-bit lanes of `sums` added, modulo 256: the sum of their low bytes.
static inline unsigned AddLowBytes(v128_t sums) {
  v128_t total = wasm_i16x8_add(sums, wasm_i64x2_shuffle(sums, sums, 1, 1));
  total = wasm_i16x8_add(total, wasm_i32x4_shuffle(total, total, 1, 1, 1, 1));
  total = wasm_i16x8_add(total, wasm_i16x8_shuffle(total, total, 1, 1, 1, 1, 1, 1, 1, 1));
  return (unsigned)wasm_i32x4_extract_lane(total, 0) & 0xFF;
}

// The first four lanes' low bytes, the first in the top byte.
static inline uint32_t HeaderOf(v128_t pairs) {
  return (uint32_t)wasm_i32x4_extract_lane(
      wasm_i8x16_shuffle(pairs, pairs, 6, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
}

static inline bool ScanSimd(const unsigned char *text, size_t length, uint32_t *header) {
  unsigned bad = 0;
  v128_t total = PairsSimd(text, length, &bad);
  *header = HeaderOf(total);
  for (size_t i = 16; i < length; i += 16) total = wasm_i16x8_add(total, PairsSimd(text + i, length - i, &bad));
  return bad == 0 && AddLowBytes(total) == 0;
}

// The usual records, up to SIMD128_QUICK_COUNT data bytes (a whole line with
// CR LF in 48 bytes), go a quicker way: three blocks, no loop. Anything else
// takes the general one.
static inline unsigned CheckSimd(const unsigned char *text, const unsigned char *end, size_t room, size_t *length,
                                 uint32_t *header) {
  if ((size_t)(end - text) >= 50 && room >= 48) {
    if (text[0] != ':') return 0;
    v128_t kind0, kind1, kind2;
    v128_t values0 = NibblesSimd(LoadBlock(text + 1), &kind0);
    v128_t values1 = NibblesSimd(LoadBlock(text + 17), &kind1);
    v128_t values2 = NibblesSimd(LoadBlock(text + 33), &kind2);
    *header = HeaderOf(PairValuesSimd(values0));
    size_t count = *header >> 24;
    if (count <= SIMD128_QUICK_COUNT) {
      // Count to checksum: all digits, and the pairs summing to zero. The
      // three blocks' nibbles add up bytewise first (at most 45 each).
      size_t digits = 10 + 2 * count;
      const unsigned char *drop = DROP.bytes + 48 - digits;
      v128_t drop0 = LoadBlock(drop), drop1 = LoadBlock(drop + 16), drop2 = LoadBlock(drop + 32);
      v128_t valid =
          wasm_v128_and(wasm_v128_or(DigitsOf(kind0), drop0),
                        wasm_v128_and(wasm_v128_or(DigitsOf(kind1), drop1), wasm_v128_or(DigitsOf(kind2), drop2)));
      v128_t nibbles =
          wasm_i8x16_add(wasm_v128_andnot(values0, drop0),
                         wasm_i8x16_add(wasm_v128_andnot(values1, drop1), wasm_v128_andnot(values2, drop2)));
      if (!wasm_i8x16_all_true(valid) || AddLowBytes(PairValuesSimd(nibbles)) != 0) return 0;
      *length = digits + 1;
      return 2;
    }
  }
  *length = CandidateLength(text, end, room, 48);
  return *length != 0 && ScanSimd(text + 1, *length - 1, header) ? 1 : 0;
}

// Three blocks whatever the length: both routes leave room for them.
static inline void CopySimd(unsigned char *out, const unsigned char *text, size_t length) {
  wasm_v128_store(out, LoadBlock(text));
  wasm_v128_store(out + 16, LoadBlock(text + 16));
  wasm_v128_store(out + 32, LoadBlock(text + 32));
  for (size_t i = 48; i < length + 2; i += 16) wasm_v128_store(out + i, LoadBlock(text + i));
}

// A block's whole words at a time, each store overwriting what the last one
// wrote past its words.
static inline void SwapSimd(unsigned char *out, const unsigned char *text, size_t count, unsigned wordBytes) {
  v128_t swizzle = LoadBlock(SWAP.blocks[wordBytes]);
  size_t step = SWAP.step[wordBytes], length = 2 * count;
  for (size_t i = 0; i < length; i += step) wasm_v128_store(out + i, wasm_i8x16_swizzle(LoadBlock(text + i), swizzle));
}

KERNEL void ConvertRecordsSimd128(HexInput *input, HexOutput *output, Converter *converter) {
  ConvertRecords<CheckSimd, CopySimd, SwapSimd>(input, output, converter);
}
#endif
