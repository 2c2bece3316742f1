#include "convert/convert.h"

#include "convert/converter.h"
#include "convert/defined.h"
#include "convert/outcome.h"
#include "convert/paths.h"
#include "convert/record.h"

// Records are read whole and verified by ReadRecord before anything of them
// is written; a kernel takes over wherever it can, and hands back whatever
// it cannot convert as one output record from its input record.

// ---- Halving: each address field halved, everything else as read.

static void WriteHalved(HexOutput *output, const HexRecord *record, Converter *c, unsigned long long line) {
  unsigned address = record->address >> 1;
  unsigned char head[9] = {':', record->countText[0], record->countText[1]};
  FormatHexByte(address >> 8, head + 3);
  FormatHexByte(address, head + 5);
  memcpy(head + 7, record->typeText, 2);
  WriteOutput(output, head, 9);
  WriteOutput(output, record->text, 2 * record->count);
  unsigned char tail[4] = {0, 0, '\r', '\n'};
  FormatHexByte(RecordChecksum(record->count + record->type + record->dataSum, address), tail);
  WriteOutput(output, tail, 4);
  CommitOutput(output);
  bool nonzero = false;
  for (unsigned i = 0; i < record->count; i++) nonzero |= record->data[i] != 0;
  NoteMisread(c->report, record->type, record->count, record->address, nonzero, line);
  NoteHalvedWrap(c, record->type, record->count, record->address, line);
}

// ---- Whole addresses: one input record may become several output records
// (a type 04 record ahead of it, a split where its addresses stop running
// on). Addresses are kept in 64 bits so that nothing wraps unseen.

// The count that each record type with a value must have; 0 for any.
static const unsigned char VALUE_COUNT[6] = {0, 0, 2, 4, 2, 4};

// Writes and commits a whole record: its count (as `countText` when given),
// address and type, the data characters `text` whose bytes add up to `sum`, a
// fresh checksum and CR LF.
static void WriteRecord(HexOutput *output, const unsigned char *countText, unsigned count, unsigned address,
                        unsigned type, const unsigned char *text, unsigned sum) {
  unsigned char head[9] = {':'};
  if (countText != nullptr) {
    memcpy(head + 1, countText, 2);
  } else {
    FormatHexByte(count, head + 1);
  }
  FormatHexByte(address >> 8, head + 3);
  FormatHexByte(address, head + 5);
  FormatHexByte(type, head + 7);
  WriteOutput(output, head, 9);
  WriteOutput(output, text, 2 * count);
  unsigned char tail[4] = {0, 0, '\r', '\n'};
  FormatHexByte(RecordChecksum(count + type + sum, address), tail);
  WriteOutput(output, tail, 4);
  CommitOutput(output);
}

// A type 04 or 05 record holding `value` in `count` bytes, most significant first.
static void WriteValueRecord(HexOutput *output, unsigned type, unsigned long long value, unsigned count) {
  unsigned char text[8];
  unsigned sum = 0;
  for (unsigned i = 0; i < count; i++) {
    unsigned byte = (unsigned)(value >> 8 * (count - 1 - i)) & 0xFF;
    FormatHexByte(byte, text + 2 * i);
    sum += byte;
  }
  WriteRecord(output, nullptr, count, 0, type, text, sum);
}

// The byte address of data byte `index` of a data record at `field`. The
// input's address is formed as the format forms it: under a type 02 base the
// offset wraps within the segment, under a type 04 base (or none) the whole
// address wraps at 4 G. Converting to bytes, that is a word address, and the
// byte's own address is the word's times its size plus its place in the
// word; it may then lie beyond 4 GiB.
static unsigned long long ByteAddress(const Converter *c, unsigned field, unsigned index) {
  unsigned wordBytes = c->options.wordBytes;
  bool toBytes = c->options.direction == CONVERT_TO_BYTES;
  unsigned step = toBytes ? index / wordBytes : index;
  unsigned long long unit = c->segment ? c->base + ((field + step) & 0xFFFF) : (c->base + field + step) & 0xFFFFFFFF;
  return toBytes ? unit * wordBytes + index % wordBytes : unit;
}

// The output's address of the byte at `byte`.
static unsigned long long OutputAddress(const Converter *c, unsigned long long byte) {
  return c->options.direction == CONVERT_TO_BYTES ? byte : byte / c->options.wordBytes;
}

// A run of a data record: the bytes whose addresses follow each other,
// data bytes `first` to `end` - 1, the first at byte address `start`, and
// how many `fill` bytes complete its last word.
struct DataRun {
  unsigned first, end, fill;
  unsigned long long start;
};
// A record of at most 255 bytes wraps once at most: at a segment's end or at
// the top of 4 GiB.
enum { MAX_RUNS = 2 };

// Splits the record's data where their addresses wrap; returns how many runs.
static unsigned SplitRuns(const HexRecord *record, const Converter *c, DataRun runs[MAX_RUNS]) {
  unsigned count = 0;
  unsigned long long last = 0;
  for (unsigned i = 0; i < record->count; i++) {
    unsigned long long byte = ByteAddress(c, record->address, i);
    if (i == 0 || byte != last + 1) runs[count++] = DataRun{i, i, 0, byte};
    runs[count - 1].end = i + 1;
    last = byte;
  }
  return count;
}

// Checks that every byte of each run has an output address (none beyond
// 4 GiB; to words, each run starting a word), and decides how its last word
// ends: kept partial, completed by the fill at its own word, or refused, to
// swap without a fill or where the fill would land on bytes that a record
// before this one defines. Returns 0, or the column of the field at fault
// with the status added.
static unsigned CheckRuns(Converter *c, DataRun *runs, unsigned count, ConversionStatus *status) {
  unsigned wordBytes = c->options.wordBytes;
  for (unsigned i = 0; i < count; i++) {
    DataRun *run = &runs[i];
    unsigned long long end = run->start + (run->end - run->first);  // just past its last byte
    unsigned rest = (unsigned)(end % wordBytes);
    run->fill = rest != 0 && c->options.fill >= 0 ? wordBytes - rest : 0;
    // To words the fill past 4 GiB completes a word below it; to bytes no
    // byte past 4 GiB has an address.
    bool toWords = c->options.direction == CONVERT_TO_WORDS;
    if (toWords ? run->start % wordBytes != 0 : end + run->fill - 1 > 0xFFFFFFFF) {
      *status |= toWords ? CONV_MISALIGNED : CONV_OUT_OF_RANGE;
      return 4;
    }
    if (rest != 0 && run->fill == 0 && c->options.swap) {
      *status |= CONV_PARTIAL_WORD;
      return 2;
    }
    if (run->fill != 0 && AnyDefined(c->defined, end, end + run->fill - 1)) {
      c->report->fillOverData = true;
      *status |= CONV_PARTIAL_WORD;
      return 2;
    }
  }
  return 0;
}

// A run's data as they go out: completed to whole words with the fill byte
// and swapped, as the options say.
struct ShapedRun {
  unsigned count;
  unsigned char text[2 * (MAX_COUNT + 7)];  // the data characters
};

static void ShapeRun(const HexRecord *record, const Converter *c, const DataRun *run, ShapedRun *shaped) {
  unsigned count = run->end - run->first;
  memcpy(shaped->text, record->text + 2 * run->first, 2 * count);
  for (unsigned i = 0; i < run->fill; i++) FormatHexByte((unsigned)c->options.fill, shaped->text + 2 * count++);
  if (c->options.swap) SwapWordText(shaped->text, count, c->options.wordBytes);
  shaped->count = count;
}

// Writes a data record as one output record or more: one a run, split where
// the output's addresses reach a new 64 K or filling took a run past 255
// bytes, each behind a type 04 record when its upper half differs from the
// last one written. Returns 0, or the column of the field that cannot be
// placed, with its status added; nothing is written then.
static unsigned PlaceData(HexOutput *output, const HexRecord *record, Converter *c, ConversionStatus *status) {
  DataRun runs[MAX_RUNS];
  unsigned count = SplitRuns(record, c, runs);
  unsigned column = CheckRuns(c, runs, count, status);
  if (column != 0) return column;
  unsigned wordBytes = c->options.wordBytes;
  for (unsigned r = 0; r < count; r++) {
    const DataRun *run = &runs[r];
    if (c->defined != nullptr) DefineBytes(c->defined, run->start, run->start + (run->end - run->first) - 1);
    ShapedRun shaped;
    ShapeRun(record, c, run, &shaped);
    unsigned length = shaped.count;
    unsigned most = MAX_COUNT - (length > MAX_COUNT ? MAX_COUNT % wordBytes : 0);  // whole words a record
    for (unsigned first = 0, i = 1; i <= length; i++) {
      unsigned long long address = OutputAddress(c, run->start + first);
      bool split = i < length && OutputAddress(c, run->start + i) >> 16 != address >> 16;
      if (i < length && !split && i - first < most) continue;
      unsigned upper = (unsigned)(address >> 16), sum = 0;
      if (upper != c->upperWritten) WriteValueRecord(output, 4, upper, 2);
      SetUpper(c, upper);
      for (unsigned k = first; k < i; k++) sum += HexPairValue(shaped.text + 2 * k);
      bool whole = count == 1 && first == 0 && i == record->count;
      WriteRecord(output, whole ? record->countText : nullptr, i - first, (unsigned)address & 0xFFFF, 0,
                  shaped.text + 2 * first, sum);
      first = i;
    }
  }
  return 0;
}

// Writes a verified record; returns 0, or the column of the field that holds
// what cannot be placed, with its status added.
static unsigned PlaceRecord(HexOutput *output, const HexRecord *record, Converter *c, ConversionStatus *status) {
  if (VALUE_COUNT[record->type] != 0 && record->count != VALUE_COUNT[record->type]) {
    *status |= CONV_BAD_LENGTH;
    return 2;
  }
  const unsigned char *data = record->data;
  unsigned long long value = (unsigned long long)data[0] << 8 | data[1];
  switch (record->type) {
    case 0:
      return record->count != 0 ? PlaceData(output, record, c, status) : 0;  // none: nothing to place
    case 2:  // extended segment address: the paragraph number of a base
      SetBase(c, value * 16, true);
      return 0;
    case 4:  // extended linear address: the upper half of the address
      SetBase(c, value << 16, false);
      return 0;
  }
  // Start addresses: CS:IP (type 03) or linear (type 05), written as linear.
  unsigned long long second = (unsigned long long)data[2] << 8 | data[3];
  unsigned long long start = record->type == 3 ? value * 16 + second : value << 16 | second;
  unsigned wordBytes = c->options.wordBytes;
  if (c->options.direction == CONVERT_TO_BYTES) {
    start *= wordBytes;
    if (start > 0xFFFFFFFF) {
      *status |= CONV_OUT_OF_RANGE;
      return 10;
    }
  } else if (start % wordBytes != 0) {
    *status |= CONV_MISALIGNED;
    return 10;
  } else {
    start /= wordBytes;
  }
  WriteValueRecord(output, 5, start, 4);
  return 0;
}

// The end-of-file record. Halved, it keeps its address (halved) and type as
// read, and gets a count of 0, since none of its data is read, and a checksum
// of its own, so that checksum-verifying readers take it: :02000001AABB52
// becomes :00000001FF. In the exact directions it is the plain one.
static void WriteEndRecord(HexOutput *output, const HexRecord *record, const Converter *c) {
  if (c->options.direction != CONVERT_HALVE) {
    WriteOutput(output, ":00000001FF\r\n", 13);
  } else {
    unsigned address = record->address >> 1;
    unsigned char text[13] = {':', '0', '0', 0, 0, 0, 0, record->typeText[0], record->typeText[1], 0, 0, '\r', '\n'};
    FormatHexByte(address >> 8, text + 3);
    FormatHexByte(address, text + 5);
    FormatHexByte(RecordChecksum(record->type, address), text + 9);
    WriteOutput(output, text, 13);
  }
}

ConversionStatus ConvertHex(HexInput *input, HexOutput *output, const ConvertOptions *options, ConvertReport *report) {
  *report = ConvertReport{};
  Converter c = {};
  c.options = *options;
  c.report = report;
  DefinedBytes defined;  // for a fill: what the records so far define
  defined.count = 0;
  if (options->fill >= 0) c.defined = &defined;
  c.reciprocal = 0xFFFFFFFFu / options->wordBytes + 1;
  SetBase(&c, 0, false);
  SetUpper(&c, 0);
  KernelFn kernel = CONVERT_PATHS[ActiveConvertPath()].kernel;
  ConversionStatus status = 0;
  HexRecord record;
  for (;;) {
    if (kernel != nullptr) kernel(input, output, &c);
    if (!ReadRecord(input, &record, &status, &report->checksumRead, &report->checksumWanted)) break;
    if (c.options.direction == CONVERT_HALVE) {
      WriteHalved(output, &record, &c, input->line);
    } else {
      unsigned column = PlaceRecord(output, &record, &c, &status);
      if (column != 0) {
        NoteStopAt(input, column);
        break;
      }
    }
    report->records++;
    if (!SkipRestOfLine(input, &status)) break;
  }
  if (status == CONV_END_RECORD) {
    WriteEndRecord(output, &record, &c);
    report->records++;
    // The image is whole: a stream gets it now, before the input is read on
    // for what follows, which may stay open (a serial line, a co-process).
    // Under strict the records after the end decide whether it is whole.
    if (!options->strict) {
      CommitOutput(output);
      FlushOutput(output);
    }
    if (options->countAfterEnd) CountRecordsAfterEnd(input, &report->afterEnd, &report->afterEndLine);
    if (options->strict && !Warned(report)) CommitOutput(output);
  }
  return status;
}

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConvertOptions options = ConvertOptionsFor(CONVERT_HALVE, 2);
  ConvertReport report;
  return ConvertHex(input, output, &options, &report);
}
