// The part of every CPU kernel that is the same for all of them: the loop
// over a window's records, what each conversion direction makes of a record,
// and the patch that turns a copied record into the converted one. Each
// kernel file supplies how it checks and copies a record, and instantiates
// the loop inside its own function, so that all of it is compiled for that
// kernel's CPU.
#ifndef WORDHEX_CONVERT_KERNELS_KERNEL_H
#define WORDHEX_CONVERT_KERNELS_KERNEL_H

#include <stdint.h>

#include "convert/converter.h"
#include "convert/hex.h"
#include "convert/kernels/cpu.h"
#include "convert/words.h"

// A kernel's check of the record at `text`: 0 when it does not take it
// (not a whole record with the kernel's slack in the window and in `room`,
// a byte that is no digit, pairs that do not sum to zero modulo 256);
// otherwise the route it took (1 the general one, 2 the quick one), with the
// record's length from the mark to the end of its checksum in *length and its
// first four pairs (count, address, type) in *header, the count in the top
// byte. May load up to a block past the end of the record.
typedef unsigned (*CheckFn)(const unsigned char *text, const unsigned char *end, size_t room, size_t *length,
                            uint32_t *header);
// Copies a record of `length` characters and its line end in whole blocks,
// into room that the check has made sure of.
typedef void (*CopyFn)(unsigned char *out, const unsigned char *text, size_t length);
// Writes at `out` the digits of the `count` bytes at `text` with the bytes of
// each word reversed (`count` a multiple of `wordBytes`), the copy already
// there; may write up to a block past their end, before the checksum is.
typedef void (*SwapFn)(unsigned char *out, const unsigned char *text, size_t count, unsigned wordBytes);

// The swap for a kernel without one of its own: in place, after the copy.
static inline void SwapInPlace(unsigned char *out, const unsigned char *, size_t count, unsigned wordBytes) {
  SwapWordText(out, count, wordBytes);
}

// The record at `text` when a kernel may try it: its length from the mark
// to the end of its checksum, with a CR LF and `slack` bytes more to spare in
// the window and in the output, so that whole blocks can be loaded and
// stored. 0 otherwise.
static KERNEL_INLINE size_t CandidateLength(const unsigned char *text, const unsigned char *end, size_t room,
                                            size_t slack) {
  size_t available = (size_t)(end - text);
  if (available < 3 + slack || text[0] != ':') return 0;
  unsigned count = HexPairValue(text + 1);
  if (count > 0xFF) return 0;
  size_t length = 11 + 2 * (size_t)count;
  if (available < length + 2 + slack || room < length + 2 + slack) return 0;
  return length;
}

// Writes the digits of two bytes with one store.
static KERNEL_INLINE void StoreHexBytes(unsigned char *text, unsigned first, unsigned second) {
  uint16_t high, low;
  memcpy(&high, HEX_PAIRS.text + 2 * (first & 0xFF), 2);
  memcpy(&low, HEX_PAIRS.text + 2 * (second & 0xFF), 2);
#if WORDHEX_BIG_ENDIAN
  uint32_t digits = (uint32_t)high << 16 | low;
#else
  uint32_t digits = (uint32_t)low << 16 | high;
#endif
  memcpy(text, &digits, 4);
}

// Where the line after a record's checksum at `rest` ends, just past its LF;
// null when the LF is not in the window, or a ':' comes before it (a record
// there fails the conversion, field by field). rest[1] is in the window.
static KERNEL_INLINE const unsigned char *NextLine(const unsigned char *rest, const unsigned char *end) {
  if (rest[0] == '\r' && rest[1] == '\n') return rest + 2;
  if (rest[0] == '\n') return rest + 1;
  const unsigned char *lf = static_cast<const unsigned char *>(memchr(rest, '\n', (size_t)(end - rest)));
  return lf == nullptr || memchr(rest, ':', (size_t)(lf - rest)) != nullptr ? nullptr : lf + 1;
}

// The start of the line after the record of `length` characters at `text`,
// as NextLine. A line of the same length as the last (*step) is checked for
// CR LF where that one had it, so that where the next record starts comes
// from the last one rather than from this one's count: records then overlap
// in the CPU instead of each waiting for the one before.
static KERNEL_INLINE const unsigned char *NextLineAfter(const unsigned char *text, size_t length,
                                                        const unsigned char *end, size_t *step) {
  if (*step == length + 2 && text[length] == '\r' && text[length + 1] == '\n') return text + *step;
  const unsigned char *next = NextLine(text + length, end);
  if (next != nullptr) *step = (size_t)(next - text);
  return next;
}

// Writes over a record copied as read what changes: its address, now
// `address`, its checksum and CR LF. The other bytes sum to minus the old
// address bytes and the checksum, so the new checksum swaps the old address
// bytes for the new ones.
static KERNEL_INLINE void PatchRecord(unsigned char *out, size_t length, unsigned oldAddress, unsigned address,
                                      unsigned checksum) {
  StoreHexBytes(out + 3, address >> 8, address);
  FormatHexByte(checksum + (oldAddress >> 8) + (oldAddress & 0xFF) - (address >> 8) - (address & 0xFF),
                out + length - 2);
  memcpy(out + length, "\r\n", 2);
}

// x / wordBytes for x below 2^29, by the reciprocal that SetDirection keeps.
static KERNEL_INLINE unsigned long long WordsIn(const Converter *c, unsigned long long x) {
  return x * c->reciprocal >> 32;
}

// A record whose last word is partly filled, to swap or to fill: field by
// field, which refuses or fills it.
static KERNEL_INLINE bool PartWord(const Converter *c, unsigned count) {
  return (c->options.swap || c->options.fill >= 0) && count != WordsIn(c, count) * c->options.wordBytes;
}

// What a kernel does with a record that it has checked: leave it to the
// field-by-field path, skip it (nothing to write), copy it as an Intel HEX
// record, or hand its words to a format of words.
enum { PLAN_DECLINE, PLAN_SKIP, PLAN_WRITE, PLAN_WORDS };

// A type 02 or 04 record's value, its count checked to be 2.
static KERNEL_INLINE unsigned long long BaseOf(const unsigned char *text, unsigned type) {
  unsigned long long value = HexPairValue(text + 9) << 8 | HexPairValue(text + 11);
  return type == 2 ? value * 16 : value << 16;
}

// Notes what halving leaves for the target to misread (rare enough to look
// at a record's digits here).
static __attribute__((noinline)) void NoteHalving(ConvertReport *report, const unsigned char *text, uint32_t header,
                                                  unsigned long long line) {
  unsigned count = header >> 24;
  bool nonzero = false;
  for (size_t i = 0; i < 2 * count; i++) nonzero |= text[9 + i] != '0';
  NoteMisread(report, header & 0xFF, count, header >> 8 & 0xFFFF, nonzero, line);
}

// Halving: each address field halved, every record of types 0 and 2 to 5
// written.
static KERNEL_INLINE int PlanHalve(Converter *c, const unsigned char *text, uint32_t header, unsigned long long line,
                                   unsigned *address) {
  unsigned type = header & 0xFF, field = header >> 8 & 0xFFFF, count = header >> 24;
  if (type == 1 || type > 5) return PLAN_DECLINE;
  // A map takes the bases; its start addresses and wraps go field by field.
  bool wraps = c->segment ? field + count > 0x10000 : c->base + field + count > 0x100000000;
  if (c->map != nullptr && (type == 3 || type == 5 || (type != 0 && count != 2) || (type == 0 && wraps))) {
    return PLAN_DECLINE;
  }
  // Only the first of each kind is noted: data at odd addresses may be many.
  if (type != 0 || (field % 2 != 0 && c->report->oddLine == 0)) NoteHalving(c->report, text, header, line);
  NoteHalvedWrap(c, type, count, field, line);
  if (c->map != nullptr && type != 0) c->base = BaseOf(text, type);
  if (c->map != nullptr && type == 0) {
    MapRecord(c, count);
    unsigned long long first = c->segment ? c->base + field : (c->base + field) & 0xFFFFFFFF,
                       word = c->base + (field >> 1);
    if (count != 0) MapBytes(c, first, first + count - 1, word, word + (count - 1) / 2, c->base != 0 || field % 2 != 0);
  }
  *address = field >> 1;
  return PLAN_WRITE;
}

// The exact directions: a data record that fits in one output record under
// the type 04 value already written (or, in a format of words, whose words
// are whole and follow what is written in order), in the memory, its data
// starting a word (to words); type 02 and 04 records set the base and write
// nothing. Anything else goes field by field.
template <unsigned DIRECTION>
static KERNEL_INLINE int PlanExact(Converter *c, const unsigned char *text, uint32_t header, unsigned *address,
                                   unsigned long long *word) {
  unsigned count = header >> 24, type = header & 0xFF, field = header >> 8 & 0xFFFF;
  if (type == 0 && count > 0) {
    unsigned wordBytes = c->options.wordBytes;
    unsigned long long first =
        DIRECTION == CONVERT_TO_WORDS ? c->base + field : c->options.base + (c->base + field) * wordBytes;
    if (field + count - 1 > c->fieldLimit || first < c->low || first + count - 1 > c->high) return PLAN_DECLINE;
    if (DIRECTION == CONVERT_TO_WORDS) {
      unsigned long long offset = c->baseRest + field, words = WordsIn(c, offset);
      if (offset != words * wordBytes) return PLAN_DECLINE;
      *word = c->baseWords + words;
      *address = *word & 0xFFFF;
    } else {
      *address = first & 0xFFFF;
    }
    const WordOutput *w = c->words;
    bool whole = count == WordsIn(c, count) * wordBytes;
    unsigned long long last = first + count - 1;
    if (w != nullptr
            ? w->pending || !whole || (w->dense && *word < w->next)
            : PartWord(c, count) || (c->options.wordsPerRecord != 0 && count > c->options.wordsPerRecord * wordBytes)) {
      return PLAN_DECLINE;
    }
    if (c->defined != nullptr) DefineBytes(c->defined, first, last);
    if (c->map != nullptr) {
      MapRecord(c, count);
      unsigned long long from = DIRECTION == CONVERT_TO_WORDS ? *word : c->base + field;
      MapBytes(c, first, last, from, from + WordsIn(c, count + wordBytes - 1) - 1, false);
    }
    return w != nullptr ? PLAN_WORDS : PLAN_WRITE;
  }
  if (type == 0) {
    MapRecord(c, 0);
    return PLAN_SKIP;  // no data: nothing to place
  }
  if ((type != 2 && type != 4) || count != 2) return PLAN_DECLINE;
  SetBase(c, BaseOf(text, type), type == 2);
  return PLAN_SKIP;
}

template <unsigned DIRECTION>
static KERNEL_INLINE int Plan(Converter *c, const unsigned char *text, uint32_t header, unsigned long long line,
                              unsigned *address, unsigned long long *word) {
  if (DIRECTION == CONVERT_HALVE) return PlanHalve(c, text, header, line, address);
  return PlanExact<DIRECTION>(c, text, header, address, word);
}

// The loop around a kernel's check and copy, the same for every kernel:
// inlined into each kernel's own function, so that it is compiled for that
// kernel's CPU.
template <CheckFn Check, CopyFn Copy, SwapFn Swap, unsigned DIRECTION>
KERNEL_INLINE void ConvertRun(HexInput *input, HexOutput *output, Converter *converter) {
  Converter local = *converter, *c = &local;  // in registers, not behind a pointer
  const unsigned char *text = input->next, *end = input->end;
  unsigned char *out = output->next, *limit = output->limit;
  unsigned long long lines = 0, quick = 0;
  size_t step = 0;  // the last line's length, most often the next one's too
  for (;;) {
    size_t length;
    uint32_t header;
    unsigned route = Check(text, end, (size_t)(limit - out), &length, &header);
    if (route == 0) break;
    const unsigned char *next = NextLineAfter(text, length, end, &step);
    if (next == nullptr) break;
    unsigned address;
    unsigned long long word = 0;
    int plan = Plan<DIRECTION>(c, text, header, input->line + lines, &address, &word);
    if (plan == PLAN_DECLINE) break;
    if (plan == PLAN_WRITE) {
      Copy(out, text, length);
      if (DIRECTION != CONVERT_HALVE && c->options.swap) Swap(out + 9, text + 9, header >> 24, c->options.wordBytes);
      PatchRecord(out, length, header >> 8 & 0xFFFF, address, HexPairValue(text + length - 2));
      out += length + 2;
    } else if (DIRECTION == CONVERT_TO_WORDS && plan == PLAN_WORDS) {
      // The format writes through the stream, which may hand on what the
      // records before this one made.
      output->next = output->committed = out;
      WriteWords(c->words, word, text + 9, (unsigned)WordsIn(c, header >> 24));
      out = output->next;
      output->committed = out;
    }
    text = next;
    lines++;
    quick += route >> 1;
  }
  if (lines == 0) return;
  *converter = local;
  // Whole, verified records only; what it did not write stays as it was: a
  // record before it that left a word pending waits for the next one.
  if (out != output->next) output->next = output->committed = out;
  input->next = text;
  input->line += lines;
  input->lineOffset = InputOffset(input);
  c->report->records += lines;
  c->report->inPlace += lines;
  c->report->quick += quick;
}

// Every direction's loop, chosen once per run: a kernel's own function calls
// this, so that all of it is compiled for the kernel's CPU.
template <CheckFn Check, CopyFn Copy, SwapFn Swap>
KERNEL_INLINE void ConvertRecords(HexInput *input, HexOutput *output, Converter *c) {
  if (c->options.direction == CONVERT_HALVE) {
    ConvertRun<Check, Copy, Swap, CONVERT_HALVE>(input, output, c);
  } else if (c->options.direction == CONVERT_TO_WORDS) {
    ConvertRun<Check, Copy, Swap, CONVERT_TO_WORDS>(input, output, c);
  } else {
    ConvertRun<Check, Copy, Swap, CONVERT_TO_BYTES>(input, output, c);
  }
}

#endif
