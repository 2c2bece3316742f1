#include "convert/convert.h"

#include "convert/converter.h"
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

// Whether the byte after `last` in the output is `next`, in the same 64 K of
// the output's address field.
static bool RunsOn(const Converter *c, unsigned long long last, unsigned long long next) {
  return next == last + 1 && OutputAddress(c, next) >> 16 == OutputAddress(c, last) >> 16;
}

// A data record's data as they go out: completed to whole words with the
// fill byte and swapped, as the options say.
struct ShapedData {
  unsigned count;
  unsigned char text[2 * (MAX_COUNT + 7)];  // the data characters
};

// Shapes the record's data; returns 0, or the column of its count with
// CONV_PARTIAL_WORD added for a partial word to swap and nothing to fill it
// with.
static unsigned ShapeData(const HexRecord *record, const Converter *c, ShapedData *shaped, ConversionStatus *status) {
  unsigned wordBytes = c->options.wordBytes, count = record->count;
  memcpy(shaped->text, record->text, 2 * count);
  if (count % wordBytes != 0 && c->options.fill >= 0) {
    for (; count % wordBytes != 0; count++) FormatHexByte((unsigned)c->options.fill, shaped->text + 2 * count);
  } else if (count % wordBytes != 0 && c->options.swap) {
    *status |= CONV_PARTIAL_WORD;
    return 2;
  }
  if (c->options.swap) SwapWordText(shaped->text, count, wordBytes);
  shaped->count = count;
  return 0;
}

// Checks that every byte of the data has an output address: none beyond
// 4 GiB, and (to words) every run of them starting a word. Returns 0, or the
// column of the address field with the status added.
static unsigned CheckData(const HexRecord *record, unsigned count, const Converter *c, ConversionStatus *status) {
  unsigned long long last = 0;
  for (unsigned i = 0; i < count; i++) {
    unsigned long long byte = ByteAddress(c, record->address, i);
    if (byte > 0xFFFFFFFF) {
      *status |= CONV_OUT_OF_RANGE;
      return 4;
    }
    bool starts = i == 0 || byte != last + 1;
    if (starts && c->options.direction == CONVERT_TO_WORDS && byte % c->options.wordBytes != 0) {
      *status |= CONV_MISALIGNED;
      return 4;
    }
    last = byte;
  }
  return 0;
}

// Writes a data record as one output record or more, a new one wherever the
// bytes' addresses do not run on (a wrap of the input's addresses) or reach a
// new 64 K of the output's address field, or where filling took it past 255
// bytes, each behind a type 04 record when its upper half differs from the
// last one written. Returns 0, or the column of the field that cannot be
// placed, with its status added; nothing is written then.
static unsigned PlaceData(HexOutput *output, const HexRecord *record, Converter *c, ConversionStatus *status) {
  if (record->count == 0) return 0;  // places no byte: dropped
  ShapedData shaped;
  unsigned column = ShapeData(record, c, &shaped, status);
  if (column == 0) column = CheckData(record, shaped.count, c, status);
  if (column != 0) return column;
  unsigned count = shaped.count, wordBytes = c->options.wordBytes;
  unsigned most = MAX_COUNT - (count > MAX_COUNT ? MAX_COUNT % wordBytes : 0);  // whole words a record
  unsigned first = 0, sum = 0;
  unsigned long long start = ByteAddress(c, record->address, 0), last = start;
  for (unsigned i = 1; i <= count; i++) {
    unsigned long long next = i < count ? ByteAddress(c, record->address, i) : 0;
    sum += HexPairValue(shaped.text + 2 * (i - 1));
    if (i < count && RunsOn(c, last, next) && i - first < most) {
      last = next;
      continue;
    }
    unsigned long long address = OutputAddress(c, start);
    unsigned upper = (unsigned)(address >> 16);
    if (upper != c->upperWritten) WriteValueRecord(output, 4, upper, 2);
    SetUpper(c, upper);
    bool whole = first == 0 && i == record->count;
    WriteRecord(output, whole ? record->countText : nullptr, i - first, (unsigned)address & 0xFFFF, 0,
                shaped.text + 2 * first, sum);
    first = i;
    sum = 0;
    start = last = next;
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
      return PlaceData(output, record, c, status);
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
    if (options->countAfterEnd) CountRecordsAfterEnd(input, &report->afterEnd, &report->afterEndLine);
    bool warned =
        (report->segmentLine | report->linearLine | report->startLine | report->oddLine | report->afterEnd) != 0;
    if (!options->strict || !warned) CommitOutput(output);
  }
  return status;
}

ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output) {
  ConvertOptions options = ConvertOptionsFor(CONVERT_HALVE, 2);
  ConvertReport report;
  return ConvertHex(input, output, &options, &report);
}
