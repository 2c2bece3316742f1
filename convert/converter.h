// What a conversion keeps while it runs, shared by the field-by-field path
// and the CPU kernels, which take over runs of ordinary records.
#ifndef WORDHEX_CONVERT_CONVERTER_H
#define WORDHEX_CONVERT_CONVERTER_H

#include "convert/convert.h"
#include "convert/defined.h"

struct WordOutput;

struct Converter {
  ConvertOptions options;
  ConvertReport *report;
  // Where data go, as the last type 02 or 04 record set it (exact directions).
  unsigned long long base;  // in the input's address units
  bool segment;             // a type 02 base: addresses wrap within its 64 K (halving too)
  unsigned upperWritten;    // value of the output's last type 04 record
  // For the kernels: the base less the memory's, in whole words and the
  // bytes past them (to words); the reciprocal that divides by the word
  // size; the highest address field at which a record's last byte may stand
  // without wrapping; the byte addresses that the memory and the output's
  // type 04 value already written cover, empty when a base lies below the
  // memory.
  unsigned long long baseWords, baseRest;
  unsigned long long reciprocal;  // 2^32 / wordBytes, rounded up
  unsigned fieldLimit;
  unsigned long long low, high;
  DefinedBytes *defined;  // with a fill: the bytes defined so far; else null
  WordOutput *words;      // a format of words: where they go; else null
  struct MapState *map;   // with a map: the run so far; else null
};

// Counts a data record of `count` bytes in the map's totals.
inline void MapRecord(Converter *c, unsigned count) {
  if (c->map == nullptr) return;
  c->report->dataRecords++;
  c->report->dataBytes += count;
}

// Adds the bytes from `firstByte` to `lastByte`, words `firstWord` to
// `lastWord`, to the map's run they continue, or begins a new one.
void MapBytes(Converter *c, unsigned long long firstByte, unsigned long long lastByte, unsigned long long firstWord,
              unsigned long long lastWord, bool misread);

// The byte addresses that the kernels may place: in the memory, below 4 GiB,
// and in Intel HEX under the output's type 04 value written last.
inline void SetWindow(Converter *c) {
  const ConvertOptions *o = &c->options;
  bool toBytes = o->direction == CONVERT_TO_BYTES;
  unsigned long long span = 0x10000ull * (toBytes ? 1 : o->wordBytes);
  unsigned long long low = o->base, high = o->depth != 0 ? o->base + o->depth * o->wordBytes - 1 : ~0ull;
  if (c->words == nullptr) {
    unsigned long long first = c->upperWritten * span + (toBytes ? 0 : o->base);
    low = first > low ? first : low;
    high = first + span - 1 < high ? first + span - 1 : high;
  }
  c->low = !toBytes && c->base < o->base ? ~0ull : low;
  c->high = high < 0xFFFFFFFF ? high : 0xFFFFFFFF;
}

// Where the data of the records that follow go.
inline void SetBase(Converter *c, unsigned long long base, bool segment) {
  unsigned long long offset = base >= c->options.base ? base - c->options.base : 0;
  c->base = base;
  c->segment = segment;
  c->baseWords = offset / c->options.wordBytes;
  c->baseRest = offset % c->options.wordBytes;
  c->fieldLimit = segment ? 0xFFFF : ~0u;
  SetWindow(c);
}

// The output's type 04 value is now `upper`.
inline void SetUpper(Converter *c, unsigned upper) {
  c->upperWritten = upper;
  SetWindow(c);
}

// Notes, at its first line, each kind of record that halving leaves for the
// target to misread: data at an odd byte address, a type 02 base or type 04
// upper half other than 0 (`nonzero`: any of its data bytes), a start
// address (types 03 and 05).
inline void NoteMisread(ConvertReport *report, unsigned type, unsigned count, unsigned address, bool nonzero,
                        unsigned long long line) {
  unsigned long long *first = type == 0   ? &report->oddLine
                              : type == 2 ? &report->segmentLine
                              : type == 4 ? &report->linearLine
                                          : &report->startLine;
  bool misread = type == 0 ? address % 2 != 0 && count > 0 : type == 2 || type == 4 ? nonzero : true;
  if (misread && *first == 0) *first = line;
}

// Notes, at its first line, a data record that halving moves elsewhere than
// whole addresses do, when no base says so: under a type 02 base (0 among
// them) a record's addresses wrap at the segment's end, while halved they run
// on past it. Types 02 and 04 say which kind of base holds.
inline void NoteHalvedWrap(Converter *c, unsigned type, unsigned count, unsigned address, unsigned long long line) {
  if (type == 2 || type == 4) c->segment = type == 2;
  if (type == 0 && c->segment && address + count > 0x10000 && c->report->wrapLine == 0) c->report->wrapLine = line;
}

// Converts as many whole, valid, ordinary records as it can straight from
// the input window into the output, and stops before anything else (a record
// not all in the window with some slack, any error, the end-of-file record, a
// record that needs more than one output record) without consuming or
// writing any of it, for the field-by-field path to take from its start.
typedef void (*KernelFn)(HexInput *input, HexOutput *output, Converter *converter);

#endif
