#include "convert/convert.h"

#include <stdint.h>

// On x86 the SSE2 and AVX2 paths are compiled for those extensions alone
// (target attributes), so that the rest stays baseline and the CPU decides at
// run time which path runs. AVX2 on x86-64 only.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define WORDHEX_X86 1
#define TARGET_SSE2 __attribute__((target("sse2")))
#if defined(__x86_64__)
#define WORDHEX_AVX2 1
#define TARGET_AVX2 __attribute__((target("avx2")))
#endif
#endif

// "000102...FF": the two upper-case digits of every byte value.
struct HexPairText {
  char text[512];
};
static constexpr HexPairText MakeHexPairText() {
  HexPairText pairs = {};
  for (int value = 0; value < 256; value++) {
    pairs.text[2 * value] = "0123456789ABCDEF"[value >> 4];
    pairs.text[2 * value + 1] = "0123456789ABCDEF"[value & 0x0F];
  }
  return pairs;
}
static constexpr HexPairText HEX_PAIRS = MakeHexPairText();

static void FormatHexByte(unsigned value, unsigned char *text) { memcpy(text, HEX_PAIRS.text + 2 * (value & 0xFF), 2); }

void SkipRestOfLine(HexInput *input) {
  for (;;) {
    const void *lf = memchr(input->next, '\n', (size_t)(input->end - input->next));
    if (lf != nullptr) {
      input->next = static_cast<const unsigned char *>(lf) + 1;
      input->line++;
      input->lineOffset = InputOffset(input);
      return;
    }
    input->next = input->end;
    if (!RefillInput(input)) return;
  }
}

void NoteStop(HexInput *input, unsigned back) {
  unsigned long long offset = InputOffset(input);
  if (input->ended) {
    size_t delivered = input->shortDelivered;
    for (size_t i = 0; i < delivered; i++) {  // fewer than a field's width
      if (input->FieldText[i] == '\n') {
        input->line++;
        input->lineOffset = offset - delivered + i + 1;
      }
    }
  } else {
    offset -= back;
  }
  input->stopLine = input->line;
  input->stopColumn = offset - input->lineOffset + 1;
}

// The fast paths below convert whole, valid, ordinary records straight from
// the input window into the output buffer, as many in a row as they can.
// Each stops before anything else (a record not all in the window with some
// slack, any error, the end-of-file record) without consuming or writing any
// of it, and the field-by-field path takes that record from its start. They
// differ only in how they check and add up a record's digits.

static unsigned HexPairValue(const unsigned char *text) { return HexDigitValue[text[0]] << 4 | HexDigitValue[text[1]]; }

// The record at `text` when a fast path may try it: its length from the mark
// to the end of its checksum, with a CR LF and `slack` bytes more to spare in
// the window and in the output, so that whole blocks can be loaded and
// stored. 0 otherwise.
static inline size_t CandidateLength(const unsigned char *text, const unsigned char *end, size_t room, size_t slack) {
  size_t available = (size_t)(end - text);
  if (available < 3 + slack || text[0] != ':') return 0;
  unsigned count = HexPairValue(text + 1);
  if (count > 0xFF) return 0;
  size_t length = 11 + 2 * (size_t)count;
  if (available < length + 2 + slack || room < length + 2 + slack) return 0;
  return length;
}

// Writes the digits of two bytes with one store.
static inline void StoreHexBytes(unsigned char *text, unsigned first, unsigned second) {
  uint16_t high, low;
  memcpy(&high, HEX_PAIRS.text + 2 * (first & 0xFF), 2);
  memcpy(&low, HEX_PAIRS.text + 2 * (second & 0xFF), 2);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  uint32_t digits = (uint32_t)high << 16 | low;
#else
  uint32_t digits = (uint32_t)low << 16 | high;
#endif
  memcpy(text, &digits, 4);
}

// Where the line after a record's checksum at `rest` ends, just past its LF;
// null when the LF is not in the window. rest[1] is in the window.
static inline const unsigned char *NextLine(const unsigned char *rest, const unsigned char *end) {
  if (rest[0] == '\r' && rest[1] == '\n') return rest + 2;
  if (rest[0] == '\n') return rest + 1;
  const void *lf = memchr(rest, '\n', (size_t)(end - rest));
  return lf == nullptr ? nullptr : static_cast<const unsigned char *>(lf) + 1;
}

// The start of the line after the record of `length` characters at `text`,
// as NextLine. A line of the same length as the last (*step) is checked for
// CR LF where that one had it, so that where the next record starts comes
// from the last one rather than from this one's count: records then overlap
// in the CPU instead of each waiting for the one before.
static inline const unsigned char *NextLineAfter(const unsigned char *text, size_t length, const unsigned char *end,
                                                 size_t *step) {
  if (*step == length + 2 && text[length] == '\r' && text[length + 1] == '\n') return text + *step;
  const unsigned char *next = NextLine(text + length, end);
  if (next != nullptr) *step = (size_t)(next - text);
  return next;
}

// Writes over a record copied as read what changes: the halved address, its
// checksum and CR LF. The other bytes sum to minus the address bytes and the
// checksum, so the new checksum swaps the address bytes for the halved ones.
static inline void PatchRecord(unsigned char *out, size_t length, unsigned address, unsigned checksum) {
  unsigned half = address >> 1;
  StoreHexBytes(out + 3, half >> 8, half);
  FormatHexByte(checksum + (address >> 8) + (address & 0xFF) - (half >> 8) - (half & 0xFF), out + length - 2);
  memcpy(out + length, "\r\n", 2);
}

// A type 02 or 04 record taken in place whose value is not 0: the halved
// addresses no longer tell where its data go. Rare enough to look at here.
static inline void NoteUpperBits(HexInput *input, const unsigned char *text, size_t length) {
  for (size_t i = 9; i + 2 < length; i++) input->upperBits |= text[i] != '0';
}

static inline void EndRun(HexInput *input, HexOutput *output, const unsigned char *text, unsigned char *out,
                          unsigned long long lines) {
  if (lines == 0) return;
  output->next = output->committed = out;  // whole, verified records only
  input->next = text;
  input->line += lines;
  input->inPlace += lines;
  input->lineOffset = InputOffset(input);
}

// A fast path's check of one record: true when the `length` characters at
// `text` (an even number, at least 10) are all hexadecimal digits whose pairs
// sum to zero modulo 256. The first four pairs (count, address, type) go to
// *header as one number, the count in its top byte. May load up to a block
// past the end.
typedef bool (*ScanFn)(const unsigned char *text, size_t length, uint32_t *header);
// Copies a record of `length` characters and its line end in whole blocks.
typedef void (*CopyFn)(unsigned char *out, const unsigned char *text, size_t length);

// The loop around them, the same for every path: inlined into each path's
// own function, so that it is compiled for that path's CPU.
template <ScanFn Scan, CopyFn Copy, size_t BLOCK>
__attribute__((always_inline)) inline void ConvertRun(HexInput *input, HexOutput *output) {
  const unsigned char *text = input->next, *end = input->end;
  unsigned char *out = output->next, *limit = output->limit;
  unsigned long long lines = 0;
  size_t step = 0;  // the last line's length, most often the next one's too
  for (;;) {
    size_t length = CandidateLength(text, end, (size_t)(limit - out), BLOCK);
    uint32_t header;
    if (length == 0 || !Scan(text + 1, length - 1, &header)) break;
    unsigned type = header & 0xFF;
    if (type == 1 || type > 5) break;
    const unsigned char *next = NextLineAfter(text, length, end, &step);
    if (next == nullptr) break;
    if (type == 2 || type == 4) NoteUpperBits(input, text, length);
    Copy(out, text, length);
    PatchRecord(out, length, header >> 8 & 0xFFFF, HexPairValue(text + length - 2));
    out += length + 2;
    text = next;
    lines++;
  }
  EndRun(input, output, text, out, lines);
}

// ---- Portable: eight characters at a time in a uint64_t, the first in the
// lowest byte. A byte is in a range when adding a bias sets its top bit for
// the lower bound but not for the upper one; bytes of 0x80 and above are
// refused by their own top bit, and their carries only reach later bytes.
static const uint64_t ONES = 0x0101010101010101ull;
static const uint64_t EVEN_BYTES = 0x00FF00FF00FF00FFull;

static inline uint64_t LoadWord(const unsigned char *text) {
  uint64_t word;
  memcpy(&word, text, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

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

static inline void CopyPortable(unsigned char *out, const unsigned char *text, size_t length) {
  for (size_t i = 0; i < length + 2; i += 16) memcpy(out + i, text + i, 16);
}

static void ConvertRecordsPortable(HexInput *input, HexOutput *output) {
  ConvertRun<ScanPortable, CopyPortable, 16>(input, output);
}

#if WORDHEX_X86
// Masks for blocks loaded part way in: 0xFF over [from, to), 0 elsewhere.
struct ByteMask {
  unsigned char bytes[128];
};
static constexpr ByteMask MakeMask(int from, int to) {
  ByteMask mask = {};
  for (int i = from; i < to; i++) mask.bytes[i] = 0xFF;
  return mask;
}
// Loaded at KEEP + 64 - k, a block keeps its first k bytes (k up to 64).
static constexpr ByteMask KEEP = MakeMask(0, 64);
// Loaded at DROP + 48 - k + 16 * i, block i drops what lies past the first k characters.
static constexpr ByteMask DROP = MakeMask(48, 96);

// ---- SSE2: sixteen characters at a time.
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

TARGET_SSE2 static inline void CopySse2(unsigned char *out, const unsigned char *text, size_t length) {
  for (size_t i = 0; i < length + 2; i += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), LoadBlock16(text + i));
  }
}

// The usual records, up to 17 data bytes (a whole line with CR LF in 48
// bytes), go a quicker way: three blocks, no loop. Anything else is left to
// the general loop.
TARGET_SSE2 static void ConvertRecordsSse2(HexInput *input, HexOutput *output) {
  static const size_t QUICK_COUNT = 17;
  const unsigned char *text = input->next, *end = input->end;
  unsigned char *out = output->next, *limit = output->limit;
  unsigned long long lines = 0;
  size_t step = 0;
  if ((size_t)(end - text) >= 50 && (size_t)(limit - out) >= 48) {
    // The last record that may start there, and the last place for one in the output.
    const unsigned char *last = end - 50;
    const unsigned char *lastOut = limit - 48;
    while (text <= last && out <= lastOut && text[0] == ':') {
      __m128i valid0, valid1, valid2;
      __m128i values0 = NibblesSse2(LoadBlock16(text + 1), &valid0);
      __m128i values1 = NibblesSse2(LoadBlock16(text + 17), &valid1);
      __m128i values2 = NibblesSse2(LoadBlock16(text + 33), &valid2);
      uint32_t header = HeaderOf(PairValuesSse2(values0));
      size_t count = header >> 24;
      if (count > QUICK_COUNT) break;
      // Count to checksum: all digits, and the pairs summing to zero. The
      // three blocks' nibbles add up bytewise first (at most 45 each).
      size_t digits = 10 + 2 * count;
      const unsigned char *drop = DROP.bytes + 48 - digits;
      __m128i drop0 = LoadBlock16(drop), drop1 = LoadBlock16(drop + 16), drop2 = LoadBlock16(drop + 32);
      __m128i valid = _mm_and_si128(_mm_or_si128(valid0, drop0),
                                    _mm_and_si128(_mm_or_si128(valid1, drop1), _mm_or_si128(valid2, drop2)));
      __m128i nibbles = _mm_add_epi8(_mm_andnot_si128(drop0, values0),
                                     _mm_add_epi8(_mm_andnot_si128(drop1, values1), _mm_andnot_si128(drop2, values2)));
      if (_mm_movemask_epi8(valid) != 0xFFFF || AddLowBytes(PairValuesSse2(nibbles)) % 256 != 0) break;
      unsigned type = header & 0xFF;
      if (type == 1 || type > 5) break;
      size_t length = digits + 1;
      const unsigned char *next = NextLineAfter(text, length, end, &step);
      if (next == nullptr) break;
      if (type == 2 || type == 4) NoteUpperBits(input, text, length);
      for (size_t i = 0; i < 48; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), LoadBlock16(text + i));
      PatchRecord(out, length, header >> 8 & 0xFFFF, HexPairValue(text + length - 2));
      out += length + 2;
      text = next;
      lines++;
    }
  }
  EndRun(input, output, text, out, lines);
  input->quick += lines;
  ConvertRun<ScanSse2, CopySse2, 16>(input, output);
}
#endif

#if WORDHEX_AVX2
// ---- AVX2: thirty-two characters at a time, digits told apart by table
// look-ups on each nibble.
TARGET_AVX2 static inline __m256i LoadBlock32(const unsigned char *text) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text));
}

// The nibble values of the 32 characters in `x` (anything for a non-digit);
// bits of the characters that are not digits go to *invalid.
TARGET_AVX2 static inline __m256i NibblesAvx2(__m256i x, uint32_t *invalid) {
  // By high nibble and by low nibble: 1 may be a digit, 2 may be a letter;
  // a letter's value is its low nibble plus 9.
  const __m256i byHigh = _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 0, 0, 1, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0));
  const __m256i byLow = _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 3, 3, 3, 3, 3, 3, 1, 1, 1, 0, 0, 0, 0, 0, 0));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i low = _mm256_and_si256(x, nibble);
  __m256i high = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);  // 8 and above for 0x80 and above
  __m256i kind = _mm256_and_si256(_mm256_shuffle_epi8(byHigh, high), _mm256_shuffle_epi8(byLow, low));
  *invalid = (uint32_t)_mm256_movemask_epi8(_mm256_cmpeq_epi8(kind, _mm256_setzero_si256()));
  __m256i letter = _mm256_cmpeq_epi8(kind, _mm256_set1_epi8(2));
  return _mm256_add_epi8(low, _mm256_and_si256(letter, _mm256_set1_epi8(9)));
}

// Pairs of nibbles (first one high) to their byte values in 16-bit lanes.
TARGET_AVX2 static inline __m256i PairValuesAvx2(__m256i nibbles) {
  return _mm256_maddubs_epi16(nibbles, _mm256_set1_epi16(0x0110));
}

// As PairsSse2, for 32 characters; the lanes hold exactly the pair values.
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

// The first four lanes' values, the first in the top byte.
TARGET_AVX2 static inline uint32_t HeaderAvx2(__m256i pairs) { return HeaderOf(_mm256_castsi256_si128(pairs)); }

TARGET_AVX2 static inline bool ScanAvx2(const unsigned char *text, size_t length, uint32_t *header) {
  uint32_t bad = 0;
  __m256i total = PairsAvx2(text, length, &bad);
  *header = HeaderAvx2(total);
  for (size_t i = 32; i < length; i += 32) total = _mm256_add_epi16(total, PairsAvx2(text + i, length - i, &bad));
  __m128i half = _mm_add_epi16(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
  return bad == 0 && AddLowBytes(half) % 256 == 0;
}

TARGET_AVX2 static inline void CopyAvx2(unsigned char *out, const unsigned char *text, size_t length) {
  for (size_t i = 0; i < length + 2; i += 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), LoadBlock32(text + i));
  }
}

// The usual records, up to 25 data bytes (a whole line with CR LF in 64
// bytes), go a quicker way: two blocks, no loop. Anything else is left to
// the general loop.
TARGET_AVX2 static void ConvertRecordsAvx2(HexInput *input, HexOutput *output) {
  static const size_t QUICK_COUNT = 25;
  const unsigned char *text = input->next, *end = input->end;
  unsigned char *out = output->next, *limit = output->limit;
  unsigned long long lines = 0;
  size_t step = 0;
  if ((size_t)(end - text) >= 66 && (size_t)(limit - out) >= 64) {
    // The last record that may start there, and the last place for one in the output.
    const unsigned char *last = end - 66;
    const unsigned char *lastOut = limit - 64;
    while (text <= last && out <= lastOut && text[0] == ':') {
      uint32_t invalid0, invalid1;
      __m256i pairs0 = PairValuesAvx2(NibblesAvx2(LoadBlock32(text + 1), &invalid0));
      __m256i pairs1 = PairValuesAvx2(NibblesAvx2(LoadBlock32(text + 33), &invalid1));
      uint32_t header = HeaderAvx2(pairs0);
      size_t count = header >> 24;
      if (count > QUICK_COUNT) break;
      // Count to checksum: all digits, and the pairs (the lanes up to the
      // checksum's) summing to zero.
      size_t digits = 10 + 2 * count;
      uint64_t bad = ((uint64_t)invalid1 << 32 | invalid0) & ((1ull << digits) - 1);
      __m256i sum = _mm256_add_epi16(_mm256_and_si256(pairs0, LoadBlock32(KEEP.bytes + 64 - digits)),
                                     _mm256_and_si256(pairs1, LoadBlock32(KEEP.bytes + 96 - digits)));
      if (bad != 0 ||
          AddLowBytes(_mm_add_epi16(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1))) % 256 != 0) {
        break;
      }
      unsigned type = header & 0xFF;
      if (type == 1 || type > 5) break;
      size_t length = digits + 1;
      const unsigned char *next = NextLineAfter(text, length, end, &step);
      if (next == nullptr) break;
      if (type == 2 || type == 4) NoteUpperBits(input, text, length);
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), LoadBlock32(text));
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 32), LoadBlock32(text + 32));
      PatchRecord(out, length, header >> 8 & 0xFFFF, HexPairValue(text + length - 2));
      out += length + 2;
      text = next;
      lines++;
    }
  }
  EndRun(input, output, text, out, lines);
  input->quick += lines;
  ConvertRun<ScanAvx2, CopyAvx2, 32>(input, output);
}
#endif

// ---- Choosing a path.
static void ConvertRecordsNone(HexInput *, HexOutput *) {}

typedef void (*InPlaceFn)(HexInput *input, HexOutput *output);
static InPlaceFn ConvertRecordsInPlace = nullptr;  // null until a path is chosen
static ConvertPath ActivePath = CONVERT_PATH_FIELDS;

// Whether the CPU can run a path compiled in; only the ones for an
// extension beyond the build's baseline need asking.
static bool PathRuns(ConvertPath path) {
#if WORDHEX_AVX2
  if (path == CONVERT_PATH_AVX2) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }
#endif
#if WORDHEX_X86 && !defined(__SSE2__)
  if (path == CONVERT_PATH_SSE2) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
  }
#endif
  (void)path;  // the others run wherever they are compiled in
  return true;
}

bool ForceConvertPath(ConvertPath path) {
  static const InPlaceFn PATHS[CONVERT_PATH_COUNT] = {
    ConvertRecordsNone,
    ConvertRecordsPortable,
#if WORDHEX_X86
    ConvertRecordsSse2,
#else
    nullptr,
#endif
#if WORDHEX_AVX2
    ConvertRecordsAvx2,
#else
    nullptr,
#endif
  };
  if ((unsigned)path >= CONVERT_PATH_COUNT || PATHS[path] == nullptr || !PathRuns(path)) return false;
  ConvertRecordsInPlace = PATHS[path];
  ActivePath = path;
  return true;
}

ConvertPath ActiveConvertPath(void) {
  if (ConvertRecordsInPlace == nullptr) {
    int best = CONVERT_PATH_COUNT - 1;
    while (!ForceConvertPath((ConvertPath)best)) best--;
  }
  return ActivePath;
}

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConversionStatus status = 0;
  RecordFields record = {};
  unsigned back = 0;  // width of the field being read, to locate a stop
  if (ConvertRecordsInPlace == nullptr) ActiveConvertPath();
  for (;;) {
    ConvertRecordsInPlace(input, output);
    record.dataSum = 0;
    unsigned char dataBits = 0;  // any bit of the record's data set
    unsigned char mark;
    back = 1;
    if (ReadInput(input, &mark, 1) != 1 || mark != ':') break;
    WriteOutput(output, ":", 1);

    back = 2;
    if (!ReadHexByte(input, &record.count, &status)) break;
    WriteOutput(output, input->FieldText, 2);

    back = 4;
    if (!ReadHexWord(input, &record.inputAddress, &status)) break;
    record.outputAddress = (unsigned short)(record.inputAddress >> 1);
    unsigned char address[4];
    FormatHexByte(record.outputAddress >> 8, address);
    FormatHexByte(record.outputAddress & 0xFF, address + 2);
    WriteOutput(output, address, 4);

    back = 2;
    if (!ReadHexByte(input, &record.type, &status)) break;
    WriteOutput(output, input->FieldText, 2);

    if (record.type == 1) {
      status |= CONV_END_RECORD;
    } else if (record.type > 5) {
      status |= CONV_MALFORMED;
    } else {
      for (unsigned i = 0; i < record.count; i++) {
        unsigned char data;
        if (!ReadHexByte(input, &data, &status)) break;
        WriteOutput(output, input->FieldText, 2);
        record.dataSum = (unsigned char)(record.dataSum + data);
        dataBits |= data;
      }
    }
    if (status != 0) break;

    if (!ReadHexByte(input, &record.checksum, &status)) break;
    unsigned header = record.count + record.type + record.dataSum;
    unsigned inputSum = header + (record.inputAddress >> 8) + (record.inputAddress & 0xFF);
    if ((unsigned char)(inputSum + record.checksum) != 0) {
      status |= CONV_BAD_CHECKSUM;
      break;
    }
    unsigned outputSum = header + (record.outputAddress >> 8) + (record.outputAddress & 0xFF);
    unsigned char tail[4] = {0, 0, '\r', '\n'};
    FormatHexByte((0u - outputSum) & 0xFF, tail);
    WriteOutput(output, tail, 4);
    CommitOutput(output);
    if ((record.type == 2 || record.type == 4) && dataBits != 0) input->upperBits = true;

    back = 0;
    SkipRestOfLine(input);  // the next record's mark, if any, is read at the top
  }
  NoteStop(input, back);

  // The end-of-file record gets its own checksum, so that a halved non-zero
  // address still yields a record that checksum-verifying readers accept.
  // Every other stop leaves a tail that is never committed: a stream gets
  // only the whole records before the failure.
  unsigned char tail[4] = {'F', 'F', '\r', '\n'};
  if (status == CONV_END_RECORD) {
    unsigned sum = record.count + record.type + (record.outputAddress >> 8) + (record.outputAddress & 0xFF);
    FormatHexByte((0u - sum) & 0xFF, tail);
  }
  WriteOutput(output, tail, 4);
  if (status == CONV_END_RECORD) CommitOutput(output);
  return status;
}
