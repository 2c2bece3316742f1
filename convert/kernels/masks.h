// Masks for blocks loaded part way into a record, shared by the SIMD kernels.
#ifndef WORDHEX_CONVERT_KERNELS_MASKS_H
#define WORDHEX_CONVERT_KERNELS_MASKS_H

// 0xFF over [from, to), 0 elsewhere.
struct ByteMask {
  unsigned char bytes[128];
};
constexpr ByteMask MakeMask(int from, int to) {
  ByteMask mask = {};
  for (int i = from; i < to; i++) mask.bytes[i] = 0xFF;
  return mask;
}
// Loaded at KEEP + 64 - k, a block keeps its first k bytes (k up to 64).
constexpr ByteMask KEEP = MakeMask(0, 64);
// Loaded at DROP + 48 - k + 16 * i, block i drops what lies past the first k characters.
constexpr ByteMask DROP = MakeMask(48, 96);

// For each word size, the shuffle of 16 characters (an SSE or AVX2 lane, a
// WebAssembly swizzle) that reverses the 2-character pairs of as many whole
// words as fit in them, and how many characters those are. Aligned, so that
// a block loads as one.
struct PairSwaps {
  alignas(16) unsigned char blocks[9][16];
  unsigned char step[9];
};
constexpr PairSwaps MakePairSwaps() {
  PairSwaps swaps = {};
  for (int bytes = 2; bytes <= 8; bytes++) {
    int chars = 2 * bytes, words = 16 / chars;
    swaps.step[bytes] = (unsigned char)(words * chars);
    for (int i = 0; i < 16; i++) {
      int at = i % chars;
      swaps.blocks[bytes][i] = (unsigned char)(i / chars < words ? i - at + chars - 2 - at / 2 * 2 + at % 2 : i);
    }
  }
  return swaps;
}
constexpr PairSwaps SWAP = MakePairSwaps();

#endif
