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

#endif
