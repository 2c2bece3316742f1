#include "convert/convert.h"

#include "convert/converter.h"
#include "convert/defined.h"
#include "convert/outcome.h"
#include "convert/paths.h"
#include "convert/record.h"
#include "convert/words.h"

// Records are read whole and verified by ReadRecord before anything of them
// is written; a kernel takes over wherever it can, and hands back whatever
// it cannot convert as one output record from its input record.

// ---- The map: runs of data that follow each other, each as it ends.

struct MapState {
  MapRun run;
  bool active;
  DefinedBytes words;  // the words covered, to count each once
};

static void EndRun(Converter *c) {
  MapState *m = c->map;
  if (m->active) c->options.map->run(c->options.map->handle, &m->run);
  m->active = false;
}

// Adds the bytes from `firstByte` to `lastByte`, words `firstWord` to
// `lastWord`, to the run they continue, or begins a new one.
void MapBytes(Converter *c, unsigned long long firstByte, unsigned long long lastByte, unsigned long long firstWord,
              unsigned long long lastWord, bool misread) {
  MapState *m = c->map;
  if (m->active && firstByte == m->run.lastByte + 1) {
    m->run.lastByte = lastByte;
    m->run.lastWord = lastWord > m->run.lastWord ? lastWord : m->run.lastWord;
    m->run.misread |= misread;
  } else {
    EndRun(c);
    m->run = MapRun{firstByte, lastByte, firstWord, lastWord, misread};
    m->active = true;
  }
  DefineBytes(&m->words, firstWord, lastWord);
}

// Notes a start address: as a byte address and, `inWords`, as `word`.
static void MapStart(Converter *c, unsigned long long byte, bool inWords, unsigned long long word) {
  c->report->started = true;
  c->report->startByte = byte;
  c->report->startInWords = inWords;
  c->report->startWord = word;
}

// The base that a type 02 or 04 record sets, in the input's address units:
// a paragraph number (type 02) or an address's upper half (type 04).
static unsigned long long BaseValue(const HexRecord *record) {
  unsigned long long value = (unsigned long long)record->data[0] << 8 | record->data[1];
  return record->type == 2 ? value * 16 : value << 16;
}

// The start address of a type 03 (CS:IP) or 05 (linear) record, as linear.
static unsigned long long StartAddress(const HexRecord *record) {
  const unsigned char *data = record->data;
  unsigned long long value = (unsigned long long)data[0] << 8 | data[1],
                     second = (unsigned long long)data[2] << 8 | data[3];
  return record->type == 3 ? value * 16 + second : value << 16 | second;
}

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
// address wraps at 4 G. Converting to bytes, that is a word address of the
// memory, and the byte's own address is the word's times its size plus its
// place in the word, from the memory's base on; it may then lie beyond 4 GiB.
static unsigned long long ByteAddress(const Converter *c, unsigned field, unsigned index) {
  unsigned wordBytes = c->options.wordBytes;
  bool toBytes = c->options.direction == CONVERT_TO_BYTES;
  unsigned step = toBytes ? index / wordBytes : index;
  unsigned long long unit = c->segment ? c->base + ((field + step) & 0xFFFF) : (c->base + field + step) & 0xFFFFFFFF;
  return toBytes ? c->options.base + unit * wordBytes + index % wordBytes : unit;
}

// The word of the memory that the byte at `byte` lies in; `byte` lies no
// lower than the memory.
static unsigned long long WordOf(const Converter *c, unsigned long long byte) {
  return (byte - c->options.base) / c->options.wordBytes;
}

// The output's address of the byte at `byte`.
static unsigned long long OutputAddress(const Converter *c, unsigned long long byte) {
  return c->options.direction == CONVERT_TO_BYTES ? byte : WordOf(c, byte);
}

// A run of a data record: the bytes whose addresses follow each other,
// data bytes `first` to `end` - 1, the first at byte address `start`, and
// how many `fill` bytes complete its last word now.
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

// Maps a halved record: its bytes where the file places them, its words
// where the halved output holds them, under its type 02 and 04 records as
// written; start addresses as written.
static void MapHalved(const HexRecord *record, Converter *c) {
  if ((record->type == 2 || record->type == 4) && record->count == 2) {
    c->base = BaseValue(record);  // halving has NoteHalvedWrap keep the segment
  } else if ((record->type == 3 || record->type == 5) && record->count == 4) {
    unsigned long long start = StartAddress(record);
    MapStart(c, start, true, start);
  } else if (record->type == 0) {
    MapRecord(c, record->count);
    DataRun runs[MAX_RUNS];
    unsigned count = SplitRuns(record, c, runs);
    for (unsigned r = 0; r < count; r++) {
      unsigned field = record->address >> 1, first = runs[r].first, last = runs[r].end - 1;
      auto word = [&](unsigned i) {
        unsigned long long at = field + i / 2;
        return c->segment ? c->base + (at & 0xFFFF) : (c->base + at) & 0xFFFFFFFF;
      };
      bool misread = c->base != 0 || record->address % 2 != 0 || count > 1;
      MapBytes(c, runs[r].start, runs[r].start + (last - first), word(first), word(last), misread);
    }
  }
}

// Where a check stops a record: a column of its own line, or of the line of
// an earlier record (a word it left partial).
struct Refusal {
  unsigned long long line;  // 0: the record's own
  unsigned column;          // 0: none
};

static Refusal Refuse(ConversionStatus *status, ConversionStatus why, unsigned column) {
  *status |= why;
  return Refusal{0, column};
}

// How the word that a format of words has pending ends when the next data
// record does not continue it: completed by the fill, unless there is none,
// or it would land on data; then refused at the record that left it.
static Refusal CheckPending(Converter *c, ConversionStatus *status) {
  const WordOutput *w = c->words;
  unsigned long long wordEnd = w->pendingNext + (c->options.wordBytes - w->pendingBytes);
  bool over = c->options.fill >= 0 && AnyDefined(c->defined, w->pendingNext, wordEnd - 1);
  if (c->options.fill >= 0 && !over) return Refusal{0, 0};
  c->report->fillOverData = over;
  *status |= CONV_PARTIAL_WORD;
  return Refusal{w->pendingLine, 2};
}

// Writes the pending word, completed with the fill where it is partial.
static void WritePending(Converter *c) {
  WordOutput *w = c->words;
  for (unsigned i = w->pendingBytes; i < c->options.wordBytes; i++) {
    FormatHexByte((unsigned)c->options.fill, w->pendingText + 2 * i);
  }
  w->pending = false;
  WriteWords(w, w->pendingWord, w->pendingText, 1);
}

// Checks that every byte of each run has an output address: in the memory,
// none beyond 4 GiB, to words each run starting a word (or continuing the
// word that a format of words has pending), and in a dense format written to
// a stream none below a word written already. Decides how each run's last
// word ends: kept partial (Intel HEX), left pending for the next record to
// continue (the last run, in a format of words), completed by the fill at
// its own word, or refused, to swap or in a format of words without a fill,
// or where the fill would land on bytes that a record before this one
// defines. Returns the refusal, with the status added.
static Refusal CheckRuns(Converter *c, DataRun *runs, unsigned count, ConversionStatus *status) {
  const ConvertOptions *o = &c->options;
  const WordOutput *w = c->words;
  unsigned wordBytes = o->wordBytes;
  bool toWords = o->direction == CONVERT_TO_WORDS;
  bool continues = w != nullptr && w->pending && runs[0].start == w->pendingNext;
  unsigned long long next = w != nullptr ? w->next : 0;  // as the words written in order will stand
  if (w != nullptr && w->pending && !continues) {
    Refusal refusal = CheckPending(c, status);
    if (refusal.column != 0) return refusal;
    next = w->pendingWord + 1 > next ? w->pendingWord + 1 : next;
  }
  for (unsigned i = 0; i < count; i++) {
    DataRun *run = &runs[i];
    unsigned long long end = run->start + (run->end - run->first);  // just past its last byte
    if (run->start < o->base || (o->depth != 0 && WordOf(c, end - 1) >= o->depth)) {
      c->report->outsideMemory = true;
      return Refuse(status, CONV_OUT_OF_RANGE, 4);
    }
    unsigned rest = (unsigned)((end - o->base) % wordBytes);
    bool pends = w != nullptr && i == count - 1 && rest != 0;
    run->fill = rest != 0 && o->fill >= 0 && !pends ? wordBytes - rest : 0;
    bool joins = i == 0 && continues;
    // To words the fill past 4 GiB completes a word below it; to bytes no
    // byte past 4 GiB has an address.
    if (toWords ? (run->start - o->base) % wordBytes != 0 && !joins : end + run->fill - 1 > 0xFFFFFFFF) {
      return Refuse(status, toWords ? CONV_MISALIGNED : CONV_OUT_OF_RANGE, 4);
    }
    unsigned long long first = joins ? w->pendingWord : WordOf(c, run->start);
    if (w != nullptr && w->dense && c->words->stream->writeAt == nullptr && first < next) {
      return Refuse(status, CONV_UNORDERED, 4);
    }
    next = WordOf(c, end - 1) + (rest == 0 || !pends ? 1 : 0);
    if (rest != 0 && run->fill == 0 && !pends && (o->swap || w != nullptr)) return Refuse(status, CONV_PARTIAL_WORD, 2);
    if (run->fill != 0 && AnyDefined(c->defined, end, end + run->fill - 1)) {
      c->report->fillOverData = true;
      return Refuse(status, CONV_PARTIAL_WORD, 2);
    }
  }
  return Refusal{0, 0};
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

// Writes a run as Intel HEX records: split where the output's addresses
// reach a new 64 K, or past the most a record holds (255 bytes, or the words
// a record asked for), each behind a type 04 record when its upper half
// differs from the last one written.
static void WriteRunRecords(HexOutput *output, const HexRecord *record, Converter *c, const DataRun *run, bool whole) {
  ShapedRun shaped;
  ShapeRun(record, c, run, &shaped);
  unsigned length = shaped.count, wordBytes = c->options.wordBytes;
  unsigned most = c->options.wordsPerRecord != 0 ? c->options.wordsPerRecord * wordBytes
                                                 : MAX_COUNT - (length > MAX_COUNT ? MAX_COUNT % wordBytes : 0);
  for (unsigned first = 0, i = 1; i <= length; i++) {
    unsigned long long address = OutputAddress(c, run->start + first);
    bool split = i < length && OutputAddress(c, run->start + i) >> 16 != address >> 16;
    if (i < length && !split && i - first < most) continue;
    unsigned upper = (unsigned)(address >> 16), sum = 0;
    if (upper != c->upperWritten) WriteValueRecord(output, 4, upper, 2);
    SetUpper(c, upper);
    for (unsigned k = first; k < i; k++) sum += HexPairValue(shaped.text + 2 * k);
    bool same = whole && first == 0 && i == record->count;  // the record as read: its count's case kept
    WriteRecord(output, same ? record->countText : nullptr, i - first, (unsigned)address & 0xFFFF, 0,
                shaped.text + 2 * first, sum);
    first = i;
  }
}

// Adds the bytes from data byte `at` on to the word pending, which they
// continue; writes it once it is whole. Returns the data byte after them.
static unsigned ContinuePending(const HexRecord *record, Converter *c, const DataRun *run, unsigned long long line) {
  WordOutput *w = c->words;
  unsigned at = run->first;
  for (; at < run->end && w->pendingBytes < c->options.wordBytes; at++) {
    memcpy(w->pendingText + 2 * w->pendingBytes++, record->text + 2 * at, 2);
  }
  w->pendingNext += at - run->first;
  w->pendingLine = line;  // should it stay partial, this record left it so
  if (w->pendingBytes == c->options.wordBytes) WritePending(c);
  return at;
}

// Writes a run's whole words from data byte `at` on, then what is left: the
// fill completes it, or, the last run's, it waits for the next record.
static void WriteRunWords(const HexRecord *record, Converter *c, const DataRun *run, unsigned at, bool last,
                          unsigned long long line) {
  WordOutput *w = c->words;
  unsigned wordBytes = c->options.wordBytes;
  unsigned long long byte = run->start + (at - run->first);
  unsigned whole = (run->end - at) / wordBytes;
  if (whole != 0) WriteWords(w, WordOf(c, byte), record->text + 2 * at, whole);
  at += whole * wordBytes;
  byte += whole * wordBytes;
  if (at == run->end) return;
  w->pending = true;
  w->pendingWord = WordOf(c, byte);
  w->pendingBytes = run->end - at;
  w->pendingNext = byte + w->pendingBytes;
  w->pendingLine = line;
  memcpy(w->pendingText, record->text + 2 * at, 2 * w->pendingBytes);
  if (!last) WritePending(c);
}

// Places a data record: as Intel HEX records, or as words. Returns the
// refusal, with the status added; nothing is written then. A record that
// leaves a word pending stays out of a stream until the next completes it
// (its words are handed on then), since a fill may be lacking.
static Refusal PlaceData(HexOutput *output, const HexRecord *record, Converter *c, ConversionStatus *status,
                         unsigned long long line) {
  DataRun runs[MAX_RUNS];
  unsigned count = SplitRuns(record, c, runs);
  Refusal refusal = CheckRuns(c, runs, count, status);
  if (refusal.column != 0) return refusal;
  WordOutput *w = c->words;
  unsigned at = runs[0].first;
  if (w != nullptr && w->pending) {
    // Continued, or else (CheckRuns has seen to it) completed by the fill.
    if (runs[0].start == w->pendingNext) {
      at = ContinuePending(record, c, &runs[0], line);
    } else {
      WritePending(c);
    }
  }
  unsigned long long before = OutputOffset(output);  // the end of what earlier records make
  for (unsigned r = 0; r < count; r++) {
    const DataRun *run = &runs[r];
    unsigned long long last = run->start + (run->end - run->first) - 1;
    if (c->defined != nullptr) DefineBytes(c->defined, run->start, last);
    if (c->map != nullptr) MapBytes(c, run->start, last, WordOf(c, run->start), WordOf(c, last), false);
    if (w == nullptr) {
      WriteRunRecords(output, record, c, run, count == 1);
    } else {
      WriteRunWords(record, c, run, r == 0 ? at : run->first, r == count - 1, line);
    }
  }
  if (w != nullptr && w->pending) {
    CommitOutputTo(output, before);
  } else {
    CommitOutput(output);
  }
  return Refusal{0, 0};
}

// Writes a verified record; returns the refusal of what cannot be placed,
// with the status added.
static Refusal PlaceRecord(HexOutput *output, const HexRecord *record, Converter *c, ConversionStatus *status,
                           unsigned long long line) {
  if (VALUE_COUNT[record->type] != 0 && record->count != VALUE_COUNT[record->type]) {
    return Refuse(status, CONV_BAD_LENGTH, 2);
  }
  switch (record->type) {
    case 0:
      MapRecord(c, record->count);
      return record->count != 0 ? PlaceData(output, record, c, status, line) : Refusal{0, 0};  // none: nothing to place
    case 2:
    case 4:
      SetBase(c, BaseValue(record), record->type == 2);
      return Refusal{0, 0};
  }
  // A memory's file holds no start address.
  unsigned long long start = StartAddress(record);
  const ConvertOptions *o = &c->options;
  if (c->map != nullptr && o->direction == CONVERT_TO_BYTES) {
    MapStart(c, o->base + start * o->wordBytes, true, start);
  } else if (c->map != nullptr) {
    bool inWords = start >= o->base && (start - o->base) % o->wordBytes == 0;
    MapStart(c, start, inWords, inWords ? (start - o->base) / o->wordBytes : 0);
  }
  if (c->words != nullptr) return Refusal{0, 0};
  if (o->direction == CONVERT_TO_BYTES) {
    start = o->base + start * o->wordBytes;
    if (start > 0xFFFFFFFF) return Refuse(status, CONV_OUT_OF_RANGE, 10);
  } else if (start < o->base) {
    c->report->outsideMemory = true;
    return Refuse(status, CONV_OUT_OF_RANGE, 10);
  } else if ((start - o->base) % o->wordBytes != 0) {
    return Refuse(status, CONV_MISALIGNED, 10);
  } else {
    start = (start - o->base) / o->wordBytes;
  }
  WriteValueRecord(output, 5, start, 4);
  return Refusal{0, 0};
}

// The end-of-file record. Halved, it keeps its address (halved) and type as
// read, and gets a count of 0, since none of its data is read, and a checksum
// of its own, so that checksum-verifying readers take it: :02000001AABB52
// becomes :00000001FF. In the exact directions it is the plain one; a format
// of words ends its image instead.
static void WriteEndRecord(HexOutput *output, const HexRecord *record, const Converter *c) {
  if (c->words != nullptr) {
    EndWords(c->words);
  } else if (c->options.direction != CONVERT_HALVE) {
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
  static MapState map;  // large; one conversion at a time
  if (options->map != nullptr) {
    map.active = false;
    map.words.count = 0;
    c.map = &map;
  }
  WordOutput words;
  if (options->format != FORMAT_IHEX) {
    c.words = &words;
    BeginWords(&words, OUTPUT_FORMATS[options->format], &c.options, output);
  }
  c.reciprocal = 0xFFFFFFFFu / options->wordBytes + 1;
  SetBase(&c, 0, false);
  SetUpper(&c, 0);
  KernelFn kernel = CONVERT_PATHS[ActiveConvertPath()].kernel;
  ConversionStatus status = 0;
  HexRecord record;
  for (;;) {
    if (kernel != nullptr) kernel(input, output, &c);
    if (!ReadRecord(input, &record, &status, &report->fault)) break;
    if (c.options.direction == CONVERT_HALVE) {
      WriteHalved(output, &record, &c, input->line);
      if (c.map != nullptr) MapHalved(&record, &c);
    } else {
      Refusal refusal = PlaceRecord(output, &record, &c, &status, input->line);
      if (refusal.column != 0) {
        input->stopLine = refusal.line != 0 ? refusal.line : input->line;
        input->stopColumn = refusal.column;
        break;
      }
    }
    report->records++;
    if (!SkipRestOfLine(input, &status, &report->fault)) break;
  }
  if (status == CONV_END_RECORD && c.words != nullptr && words.pending) {
    Refusal refusal = CheckPending(&c, &status);
    if (refusal.column != 0) {
      status &= (ConversionStatus)~CONV_END_RECORD;
      input->stopLine = refusal.line;
      input->stopColumn = refusal.column;
    } else {
      WritePending(&c);
    }
  }
  if (c.map != nullptr) EndRun(&c);  // the runs before a failure too, as far as they go
  if (status == CONV_END_RECORD && c.map != nullptr) {
    for (unsigned i = 0; i < map.words.count; i++) report->mapWords += map.words.last[i] - map.words.first[i] + 1;
  }
  if (status == CONV_END_RECORD) {
    WriteEndRecord(output, &record, &c);
    report->records++;
    report->words = c.words != nullptr ? words.words : 0;
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
