// The portable kernel: eight characters at a time in a uint64_t, on any CPU
// and in either byte order.
#include "convert/kernels/kernel.h"
#include "convert/kernels/kernels.h"

// The first character goes to the lowest byte. A byte is in a range when
// adding a bias sets its top bit for the lower bound but not for the upper
// one; bytes of 0x80 and above are refused by their own top bit, and their
// carries only reach later bytes.
static const uint64_t ONES = 0x0101010101010101ull;
static const uint64_t EVEN_BYTES = 0x00FF00FF00FF00FFull;

static inline uint64_t LoadWord(const unsigned char *text) { return LoadLittle<uint64_t>(text); }

// Adds the 16-bit lanes of `word`, modulo 2^16.
static inline unsigned SumLanes(uint64_t word) { return (unsigned)((word * 0x0001000100010001ull) >> 48); }

// The nibble values of the eight characters in `x` (anything for a
// non-digit); clears the top bit in *valid of each byte that is not a digit.
static inline uint64_t ValuesPortable(uint64_t x, uint64_t *valid) {
  uint64_t digit = (x + ONES * (0x80 - '0')) & ~(x + ONES * (0x80 - '9' - 1));
  uint64_t lower = x | ONES * 0x20;
  uint64_t letter = (lower + ONES * (0x80 - 'a')) & ~(lower + ONES * (0x80 - 'f' - 1));
  *valid &= (digit | letter) & ~x;
  // A digit's value is its low nibble, a letter's (bit 6 set) that plus 9.
  return (x & ONES * 0x0F) + (x >> 6 & ONES) * 9;
}

// Checks the `length` characters at `text` (an even number, at least 10).
static inline bool ScanPortable(const unsigned char *text, size_t length, uint32_t *header) {
  uint64_t valid = ONES * 0x80;
  uint64_t nibbles = ValuesPortable(LoadWord(text), &valid);  // count, address, type
  uint64_t pairs = (nibbles & EVEN_BYTES) << 4 | (nibbles >> 8 & EVEN_BYTES);
  *header = (uint32_t)((pairs & 0xFF) << 24 | (pairs >> 16 & 0xFF) << 16 | (pairs >> 32 & 0xFF) << 8 | pairs >> 48);
  // Nibbles add up bytewise, sixteen words at a time (at most 15 each), and
  // then in 16-bit lanes, first digits and second digits apart.
  uint64_t firsts = 0, seconds = 0;
  size_t i = 8;
  for (;;) {
    size_t stop = length - i > 120 ? i + 120 : length;
    for (; i + 8 <= stop; i += 8) nibbles += ValuesPortable(LoadWord(text + i), &valid);
    if (i + 8 > length) break;
    firsts += nibbles & EVEN_BYTES;
    seconds += nibbles >> 8 & EVEN_BYTES;
    nibbles = 0;
  }
  if (i < length) {  // bytes past the end become '0's: valid, worth nothing
    uint64_t keep = ~0ull >> (64 - 8 * (length - i));
    nibbles += ValuesPortable((LoadWord(text + i) & keep) | (ONES * '0' & ~keep), &valid);
  }
  firsts += nibbles & EVEN_BYTES;
  seconds += nibbles >> 8 & EVEN_BYTES;
  return valid == ONES * 0x80 && ((SumLanes(firsts) << 4) + SumLanes(seconds)) % 256 == 0;
}

static inline unsigned CheckPortable(const unsigned char *text, const unsigned char *end, size_t room, size_t *length,
                                     uint32_t *header) {
  *length = CandidateLength(text, end, room, 16);
  return *length != 0 && ScanPortable(text + 1, *length - 1, header) ? 1 : 0;
}

static inline void CopyPortable(unsigned char *out, const unsigned char *text, size_t length) {
  for (size_t i = 0; i < length + 2; i += 16) memcpy(out + i, text + i, 16);
}

KERNEL void ConvertRecordsPortable(HexInput *input, HexOutput *output, Converter *converter) {
  ConvertRecords<CheckPortable, CopyPortable, SwapInPlace>(input, output, converter);
}
