#include "convert/convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static const char UPPER_DIGITS[] = "0123456789ABCDEF";

static void FormatHexByte(unsigned value, unsigned char *text) {
  text[0] = (unsigned char)UPPER_DIGITS[(value >> 4) & 0x0F];
  text[1] = (unsigned char)UPPER_DIGITS[value & 0x0F];
}

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
    for (size_t i = 0; i < delivered && i < sizeof input->FieldText; i++) {
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

// Checks that the `length` characters at `text` (an even number) are all
// hexadecimal digits and adds the values of their pairs to *sum. May load
// up to BLOCK - 1 bytes past the end.
static bool ScanHexPairs(const unsigned char *text, size_t length, unsigned *sum) {
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
    size_t left = length - i;
    __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i *>(KEEP + BLOCK - (left < BLOCK ? left : BLOCK)));
    bad |= _mm_movemask_epi8(_mm_andnot_si128(_mm_or_si128(digit, letter), keep));
    __m128i nibbles = _mm_and_si128(_mm_add_epi8(_mm_and_si128(x, lowNibble), _mm_and_si128(letter, nine)), keep);
    // Each 16-bit lane holds a pair: high digit in its low byte. Make the
    // byte value in the low byte, then add all bytes.
    __m128i values = _mm_and_si128(_mm_add_epi16(_mm_slli_epi16(nibbles, 4), _mm_srli_epi16(nibbles, 8)), lowByte);
    total = _mm_add_epi64(total, _mm_sad_epu8(values, _mm_setzero_si128()));
  }
  *sum += (unsigned)_mm_cvtsi128_si32(total) + (unsigned)_mm_cvtsi128_si32(_mm_srli_si128(total, 8));
  return bad == 0;
#else
  unsigned total = 0;
  unsigned bad = 0;
  for (size_t i = 0; i < length; i += 2) {
    unsigned high = HexDigitValue[text[i]], low = HexDigitValue[text[i + 1]];
    bad |= high | low;
    total += high << 4 | low;
  }
  *sum += total;
  return bad <= 0x0F;
#endif
}

static unsigned HexPairValue(const unsigned char *text) { return HexDigitValue[text[0]] << 4 | HexDigitValue[text[1]]; }

// Converts one whole, valid, ordinary record straight from the input window
// into the output buffer. Anything else (a record not all in the window with
// some slack, any error, the end-of-file record) is declined before anything
// is consumed or written, and the field-by-field path takes it from its start.
static bool ConvertRecordInPlace(HexInput *input, HexOutput *output) {
  const unsigned char *text = input->next;
  size_t available = (size_t)(input->end - text);
  if (available < 3 + BLOCK || text[0] != ':') return false;
  unsigned count = HexPairValue(text + 1);
  size_t length = 11 + 2 * (size_t)(count & 0xFF);  // up to the end of the checksum
  if (count > 0xFF || available < length + 2 + BLOCK || (size_t)(output->limit - output->next) < length + 2 + BLOCK) {
    return false;
  }
  // Count, address, type, data and checksum at once: every character a
  // digit, and the bytes summing to zero.
  unsigned sum = 0;
  if (!ScanHexPairs(text + 1, length - 1, &sum) || (sum & 0xFF) != 0) return false;
  unsigned type = HexPairValue(text + 7);
  if (type == 1 || type > 5) return false;
  const unsigned char *rest = text + length;
  if (rest[0] == '\r' && rest[1] == '\n') {
    rest += 2;
  } else if (rest[0] == '\n') {
    rest += 1;
  } else {
    const void *lf = memchr(rest, '\n', available - length);
    if (lf == nullptr) return false;
    rest = static_cast<const unsigned char *>(lf) + 1;
  }

  // The other bytes sum to minus the address bytes and the checksum: the new
  // checksum swaps the address bytes for the halved ones.
  unsigned address = HexPairValue(text + 3) << 8 | HexPairValue(text + 5);
  unsigned half = address >> 1;
  unsigned checksum = (address >> 8) + (address & 0xFF) + HexPairValue(text + length - 2) - (half >> 8) - (half & 0xFF);
  unsigned char *out = output->next;
  for (size_t i = 0; i < length; i += BLOCK) memcpy(out + i, text + i, BLOCK);  // count, type and data as read
  FormatHexByte(half >> 8, out + 3);
  FormatHexByte(half & 0xFF, out + 5);
  FormatHexByte(checksum & 0xFF, out + length - 2);
  out[length] = '\r';
  out[length + 1] = '\n';
  output->next = out + length + 2;
  input->next = rest;
  input->line++;
  input->lineOffset = InputOffset(input);
  return true;
}

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConversionStatus status = 0;
  RecordFields record = {};
  unsigned back = 0;  // width of the field being read, to locate a stop
  for (;;) {
    if (ConvertRecordInPlace(input, output)) continue;
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
