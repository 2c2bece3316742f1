#include "convert/convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
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

// Reads up to and including the next LF. False when the input ran out first.
static bool SkipRestOfLine(HexInput *input) {
  for (;;) {
    const void *lf = memchr(input->next, '\n', (size_t)(input->end - input->next));
    if (lf != nullptr) {
      input->next = static_cast<const unsigned char *>(lf) + 1;
      input->line++;
      input->lineOffset = InputOffset(input);
      return true;
    }
    input->next = input->end;
    if (!RefillInput(input)) return false;
  }
}

// Records where the conversion stopped: `back` bytes before the read
// position (the start of the failing field), or just past the last byte when
// the input ran out, counting any LF that the short field delivered.
static void NoteStop(HexInput *input, unsigned back) {
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

// Slack that the in-place path wants past a record in both buffers, so that
// it can load and store whole 16-byte blocks.
static const size_t BLOCK = 16;

// The longest record from its count to its checksum, in characters, rounded
// up to whole blocks.
static const size_t MAX_FIELDS = (2 + 4 + 2 + 2 * 255 + 2 + BLOCK - 1) / BLOCK * BLOCK;

// Checks that the `length` characters at `text` (an even number) are all
// hexadecimal digits and adds the values of their pairs to *sum; the value
// of pair k goes to values[2 * k]. May load up to BLOCK - 1 bytes past the
// end.
static bool ScanHexPairs(const unsigned char *text, size_t length, unsigned *sum, unsigned char values[MAX_FIELDS]) {
#if defined(__SSE2__)
  const __m128i below0 = _mm_set1_epi8('0' - 1), above9 = _mm_set1_epi8('9' + 1);
  const __m128i belowA = _mm_set1_epi8('a' - 1), aboveF = _mm_set1_epi8('f' + 1);
  const __m128i caseBit = _mm_set1_epi8(0x20), lowNibble = _mm_set1_epi8(0x0F), nine = _mm_set1_epi8(9);
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  // 16 bytes all set, then 16 clear: a load at 16 - n keeps the first n bytes.
  static const unsigned char KEEP[2 * BLOCK] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  __m128i total = _mm_setzero_si128();
  int bad = 0;
  for (size_t i = 0; i < length; i += BLOCK) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
    // Bytes of 0x80 and above are negative here and fall outside both ranges.
    __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(x, below0), _mm_cmplt_epi8(x, above9));
    __m128i lower = _mm_or_si128(x, caseBit);
    __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, belowA), _mm_cmplt_epi8(lower, aboveF));
    __m128i nibbles = _mm_add_epi8(_mm_and_si128(x, lowNibble), _mm_and_si128(letter, nine));
    __m128i valid = _mm_or_si128(digit, letter);
    if (length - i < BLOCK) {  // the last, partial block: only its first bytes count
      __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(KEEP + BLOCK + i - length));
      valid = _mm_or_si128(valid, _mm_andnot_si128(keep, _mm_set1_epi8(-1)));
      nibbles = _mm_and_si128(nibbles, keep);
    }
    bad |= _mm_movemask_epi8(valid) ^ 0xFFFF;
    // Each 16-bit lane holds a pair: high digit in its low byte. Make the
    // byte value in the low byte, then add all bytes.
    __m128i pairs = _mm_and_si128(_mm_add_epi16(_mm_slli_epi16(nibbles, 4), _mm_srli_epi16(nibbles, 8)), lowByte);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(values + i), pairs);
    total = _mm_add_epi64(total, _mm_sad_epu8(pairs, _mm_setzero_si128()));
  }
  *sum += (unsigned)_mm_cvtsi128_si32(total) + (unsigned)_mm_cvtsi128_si32(_mm_srli_si128(total, 8));
  return bad == 0;
#else
  unsigned total = 0;
  unsigned bad = 0;
  for (size_t i = 0; i < length; i += 2) {
    unsigned high = HexDigitValue[text[i]], low = HexDigitValue[text[i + 1]];
    bad |= high | low;
    values[i] = (unsigned char)(high << 4 | low);
    total += values[i];
  }
  *sum += total;
  return bad <= 0x0F;
#endif
}

static unsigned HexPairValue(const unsigned char *text) { return HexDigitValue[text[0]] << 4 | HexDigitValue[text[1]]; }

// Converts whole, valid, ordinary records straight from the input window
// into the output buffer, as many in a row as it can. It stops before
// anything else (a record not all in the window with some slack, any error,
// the end-of-file record) without consuming or writing any of it, and the
// field-by-field path takes that record from its start.
static void ConvertRecordsInPlace(HexInput *input, HexOutput *output) {
  const unsigned char *text = input->next, *end = input->end;
  unsigned char *out = output->next, *limit = output->limit;
  unsigned long long lines = 0;
  for (;;) {
    size_t available = (size_t)(end - text);
    if (available < 3 + BLOCK || text[0] != ':') break;
    unsigned count = HexPairValue(text + 1);
    size_t length = 11 + 2 * (size_t)(count & 0xFF);  // up to the end of the checksum
    if (count > 0xFF || available < length + 2 + BLOCK || (size_t)(limit - out) < length + 2 + BLOCK) break;
    // Count, address, type, data and checksum at once: every character a
    // digit, and the bytes summing to zero.
    unsigned sum = 0;
    unsigned char values[MAX_FIELDS];
    if (!ScanHexPairs(text + 1, length - 1, &sum, values) || (sum & 0xFF) != 0) break;
    unsigned type = values[6];
    if (type == 1 || type > 5) break;
    const unsigned char *rest = text + length;
    if (rest[0] == '\r' && rest[1] == '\n') {
      rest += 2;
    } else if (rest[0] == '\n') {
      rest += 1;
    } else {
      const void *lf = memchr(rest, '\n', available - length);
      if (lf == nullptr) break;
      rest = static_cast<const unsigned char *>(lf) + 1;
    }

    // The other bytes sum to minus the address bytes and the checksum: the
    // new checksum swaps the address bytes for the halved ones.
    unsigned address = values[2] << 8 | values[4];
    unsigned half = address >> 1;
    unsigned checksum = values[2] + values[4] + values[length - 3] - (half >> 8) - (half & 0xFF);
    for (size_t i = 0; i < length; i += BLOCK) memcpy(out + i, text + i, BLOCK);  // count, type and data as read
    FormatHexByte(half >> 8, out + 3);
    FormatHexByte(half, out + 5);
    FormatHexByte(checksum, out + length - 2);
    out[length] = '\r';
    out[length + 1] = '\n';
    out += length + 2;
    text = rest;
    lines++;
  }
  if (lines > 0) {
    output->next = out;
    input->next = text;
    input->line += lines;
    input->lineOffset = InputOffset(input);
  }
}

#if defined(__SSE2__)
static const ConvertPath COMPILED_PATH = CONVERT_PATH_SSE2;
#else
static const ConvertPath COMPILED_PATH = CONVERT_PATH_PORTABLE;
#endif
static ConvertPath ActivePath = COMPILED_PATH;

bool ForceConvertPath(ConvertPath path) {
  if (path != CONVERT_PATH_FIELDS && path != COMPILED_PATH) return false;
  ActivePath = path;
  return true;
}

ConvertPath ActiveConvertPath(void) { return ActivePath; }

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConversionStatus status = 0;
  RecordFields record = {};
  unsigned back = 0;  // width of the field being read, to locate a stop
  for (;;) {
    if (ActivePath != CONVERT_PATH_FIELDS) ConvertRecordsInPlace(input, output);
    record.dataSum = 0;
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

    back = 0;
    if (!SkipRestOfLine(input)) break;
  }
  NoteStop(input, back);

  // The end-of-file record gets its own checksum, so that a halved non-zero
  // address still yields a record that checksum-verifying readers accept.
  // Every other stop leaves a tail on an output that is going to be deleted.
  unsigned char tail[4] = {'F', 'F', '\r', '\n'};
  if (status == CONV_END_RECORD) {
    unsigned sum = record.count + record.type + (record.outputAddress >> 8) + (record.outputAddress & 0xFF);
    FormatHexByte((0u - sum) & 0xFF, tail);
  }
  WriteOutput(output, tail, 4);
  return status;
}
