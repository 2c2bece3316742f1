#include "convert/address.h"

#include "convert/convert.h"

// Whole addresses: every record is read and verified in full before anything
// of it is written, because one input record may become several output
// records (a type 04 record ahead of it, a split where its addresses stop
// running on). Addresses are kept in 64 bits so that nothing wraps unseen.

enum { MAX_COUNT = 255 };

// The input record being converted, held until its checksum has verified.
struct HeldRecord {
  unsigned char count;
  unsigned short address;
  unsigned char type;
  unsigned char dataSum;  // modulo 256
  unsigned char countText[2];
  unsigned char text[2 * MAX_COUNT];  // the data characters as read
  unsigned char data[MAX_COUNT];
};

// Where data go, as the last type 02 or 04 record set it, and what the output
// told its reader last.
struct Placement {
  unsigned long long base;  // in the input's address units
  bool segment;             // a type 02 base: addresses wrap within its 64 K
  bool toBytes;             // word addresses in, byte addresses out
  unsigned upperWritten;    // value of the output's last type 04 record
};

// The count that each record type with a value must have; 0 for any.
static const unsigned char VALUE_COUNT[6] = {0, 0, 2, 4, 2, 4};

static void PutHexByte(unsigned char *text, unsigned value) {
  text[0] = "0123456789ABCDEF"[value >> 4 & 0x0F];
  text[1] = "0123456789ABCDEF"[value & 0x0F];
}

// Writes and commits a whole record: its count (as `countText` when given),
// address and type, the data characters `text` whose bytes add up to `sum`, a
// fresh checksum and CR LF.
static void WriteRecord(HexOutput *output, const unsigned char *countText, unsigned count, unsigned address,
                        unsigned type, const unsigned char *text, unsigned sum) {
  unsigned char head[9] = {':'};
  if (countText != nullptr) {
    memcpy(head + 1, countText, 2);
  } else {
    PutHexByte(head + 1, count);
  }
  PutHexByte(head + 3, address >> 8);
  PutHexByte(head + 5, address);
  PutHexByte(head + 7, type);
  WriteOutput(output, head, 9);
  WriteOutput(output, text, 2 * count);
  unsigned char tail[4] = {0, 0, '\r', '\n'};
  PutHexByte(tail, 0u - (count + (address >> 8) + (address & 0xFF) + type + sum));
  WriteOutput(output, tail, 4);
  CommitOutput(output);
}

// A type 04 or 05 record holding `value` in `count` bytes, most significant first.
static void WriteValueRecord(HexOutput *output, unsigned type, unsigned long long value, unsigned count) {
  unsigned char text[8];
  unsigned sum = 0;
  for (unsigned i = 0; i < count; i++) {
    unsigned byte = (unsigned)(value >> 8 * (count - 1 - i)) & 0xFF;
    PutHexByte(text + 2 * i, byte);
    sum += byte;
  }
  WriteRecord(output, nullptr, count, 0, type, text, sum);
}

// The output address of data byte `index` of a data record at `address`. The
// input's address is formed as the format forms it: under a type 02 base the
// offset wraps within the segment, under a type 04 base (or none) the whole
// address wraps at 4 G. Converting to bytes, that is a word address, and the
// byte's own address is twice it plus its place in the word; it may then lie
// beyond 4 GiB.
static unsigned long long ByteAddress(const Placement *at, unsigned address, unsigned index) {
  unsigned step = at->toBytes ? index / 2 : index;
  unsigned long long unit =
      at->segment ? at->base + ((address + step) & 0xFFFF) : (at->base + address + step) & 0xFFFFFFFF;
  return at->toBytes ? 2 * unit + index % 2 : unit;
}

// Writes a data record as one output record or more, a new one wherever the
// output's addresses do not run on (a wrap of the input's addresses) or reach
// a new 64 K of the output's address field, each behind a type 04 record when
// its upper half differs from the last one written. Returns 0, or the column
// of the field that cannot be placed, with its status added.
static unsigned PlaceData(HexOutput *output, const HeldRecord *record, Placement *at, ConversionStatus *status) {
  if (record->count == 0) return 0;  // places no byte: dropped
  if (!at->toBytes && record->address % 2 != 0) {
    *status |= CONV_MISALIGNED;
    return 4;
  }
  for (unsigned i = 0; i < record->count; i++) {
    if (ByteAddress(at, record->address, i) > 0xFFFFFFFF) {
      *status |= CONV_MALFORMED;
      return 4;
    }
  }
  unsigned shift = at->toBytes ? 0 : 1;  // byte address to output address
  unsigned first = 0, sum = 0;
  unsigned long long start = ByteAddress(at, record->address, 0), last = start;
  for (unsigned i = 1; i <= record->count; i++) {
    unsigned long long next = i < record->count ? ByteAddress(at, record->address, i) : 0;
    sum += record->data[i - 1];
    if (i < record->count && next == last + 1 && next >> (16 + shift) == last >> (16 + shift)) {
      last = next;
      continue;
    }
    unsigned upper = (unsigned)(start >> (16 + shift));
    if (upper != at->upperWritten) WriteValueRecord(output, 4, upper, 2);
    at->upperWritten = upper;
    bool whole = first == 0 && i == record->count;
    WriteRecord(output, whole ? record->countText : nullptr, i - first, (unsigned)(start >> shift) & 0xFFFF, 0,
                record->text + 2 * first, sum);
    first = i;
    sum = 0;
    start = last = next;
  }
  return 0;
}

// Writes a verified record; returns 0, or the column of the field that holds
// an address that cannot be placed, with its status added.
static unsigned PlaceRecord(HexOutput *output, const HeldRecord *record, Placement *at, ConversionStatus *status) {
  const unsigned char *data = record->data;
  unsigned long long value = (unsigned long long)data[0] << 8 | data[1];
  switch (record->type) {
    case 0:
      return PlaceData(output, record, at, status);
    case 2:  // extended segment address: the paragraph number of a base
      at->base = value * 16;
      at->segment = true;
      return 0;
    case 4:  // extended linear address: the upper half of the address
      at->base = value << 16;
      at->segment = false;
      return 0;
  }
  // Start addresses: CS:IP (type 03) or linear (type 05), written as linear.
  unsigned long long second = (unsigned long long)data[2] << 8 | data[3];
  unsigned long long start = record->type == 3 ? value * 16 + second : value << 16 | second;
  if (at->toBytes) {
    start *= 2;
    if (start > 0xFFFFFFFF) {
      *status |= CONV_MALFORMED;
      return 10;
    }
  } else if (start % 2 != 0) {
    *status |= CONV_MISALIGNED;
    return 10;
  } else {
    start /= 2;
  }
  WriteValueRecord(output, 5, start, 4);
  return 0;
}

static ConversionStatus ConvertWholeAddresses(HexInput *input, HexOutput *output, bool toBytes) {
  ConversionStatus status = 0;
  Placement at = {0, false, toBytes, 0};
  HeldRecord record;
  unsigned back = 0;  // how far back the field that stopped it begins
  for (;;) {
    unsigned char mark;
    back = 1;
    if (ReadInput(input, &mark, 1) != 1 || mark != ':') break;
    back = 2;
    if (!ReadHexByte(input, &record.count, &status)) break;
    memcpy(record.countText, input->FieldText, 2);
    back = 4;
    if (!ReadHexWord(input, &record.address, &status)) break;
    back = 2;
    if (!ReadHexByte(input, &record.type, &status)) break;
    if (record.type == 1) {
      status |= CONV_END_RECORD;
      break;
    }
    if (record.type > 5 || (VALUE_COUNT[record.type] != 0 && record.count != VALUE_COUNT[record.type])) {
      status |= CONV_MALFORMED;
      if (record.type <= 5) back = 8;  // the count does not fit the type
      break;
    }
    record.dataSum = 0;
    for (unsigned i = 0; i < record.count; i++) {
      if (!ReadHexByte(input, &record.data[i], &status)) break;
      memcpy(record.text + 2 * i, input->FieldText, 2);
      record.dataSum = (unsigned char)(record.dataSum + record.data[i]);
    }
    if (status != 0) break;
    unsigned char checksum;
    if (!ReadHexByte(input, &checksum, &status)) break;
    unsigned sum = record.count + (record.address >> 8) + (record.address & 0xFF) + record.type + record.dataSum;
    if ((unsigned char)(sum + checksum) != 0) {
      status |= CONV_BAD_CHECKSUM;
      break;
    }
    unsigned column = PlaceRecord(output, &record, &at, &status);
    if (column != 0) {
      back = (unsigned)(InputOffset(input) - input->lineOffset) + 1 - column;
      break;
    }
    back = 0;
    SkipRestOfLine(input);
  }
  NoteStop(input, back);
  if (status == CONV_END_RECORD) {
    WriteOutput(output, ":00000001FF\r\n", 13);
    CommitOutput(output);
  }
  return status;
}

ConversionStatus ConvertHexFileInMode(HexInput *input, HexOutput *output, ConvertMode mode) {
  return mode == CONVERT_MODE_HALVE ? ConvertHexFile(input, output)
                                    : ConvertWholeAddresses(input, output, mode == CONVERT_MODE_TO_BYTES);
}
