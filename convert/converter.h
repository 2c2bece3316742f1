// What a conversion keeps while it runs, shared by the field-by-field path
// and the CPU kernels, which take over runs of ordinary records.
#ifndef WORDHEX_CONVERT_CONVERTER_H
#define WORDHEX_CONVERT_CONVERTER_H

#include "convert/convert.h"
#include "convert/defined.h"

struct Converter {
  ConvertOptions options;
  ConvertReport *report;
  // Where data go, as the last type 02 or 04 record set it (exact directions).
  unsigned long long base;  // in the input's address units
  bool segment;             // a type 02 base: addresses wrap within its 64 K (halving too)
  unsigned upperWritten;    // value of the output's last type 04 record
  // For the kernels: the base in whole words and the bytes past them (to
  // words); the reciprocal that divides by the word size; the highest
  // address field at which a record's last byte may stand without wrapping;
  // the bytes that the output's type 04 value already written covers.
  unsigned long long baseWords, baseRest;
  unsigned long long reciprocal;  // 2^32 / wordBytes, rounded up
  unsigned fieldLimit;
  unsigned long long low, high;
  DefinedBytes *defined;  // with a fill: the bytes defined so far; else null
};

// Where the data of the records that follow go.
inline void SetBase(Converter *c, unsigned long long base, bool segment) {
  c->base = base;
  c->segment = segment;
  c->baseWords = base / c->options.wordBytes;
  c->baseRest = base % c->options.wordBytes;
  c->fieldLimit = segment ? 0xFFFF : ~0u;
}

// The output's type 04 value is now `upper`: the bytes whose output
// addresses it covers, below 4 GiB.
inline void SetUpper(Converter *c, unsigned upper) {
  unsigned long long span = 0x10000ull * (c->options.direction == CONVERT_TO_BYTES ? 1 : c->options.wordBytes);
  c->upperWritten = upper;
  c->low = upper * span;
  c->high = c->low + span - 1 < 0xFFFFFFFF ? c->low + span - 1 : 0xFFFFFFFF;
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
