// Converting an Intel HEX stream with byte addresses into one with word
// addresses, and back, record by record, without holding more than a record.
#ifndef WORDHEX_CONVERT_CONVERT_H
#define WORDHEX_CONVERT_CONVERT_H

#include "convert/field.h"
#include "convert/record.h"
#include "convert/stream.h"

// Which way the addresses go.
enum ConvertDirection {
  // Each record's address field halved, everything else as read: the
  // interactive program's conversion (ConvertHexFile).
  CONVERT_HALVE,
  // Every data byte's whole address, type 02 and 04 bases included, made a
  // word address: bases and start addresses become the output's own type 04
  // and 05 records. Data or a start address that is not at the start of a
  // word is refused with CONV_MISALIGNED.
  CONVERT_TO_WORDS,
  // The inverse: the input's addresses, formed as the format forms them
  // (type 02 and 03 included), are word addresses, made byte addresses.
  CONVERT_TO_BYTES,
};

// The files that a conversion writes: Intel HEX, or a word image in the
// text a memory loads (convert/format.h).
enum OutputFormatId { FORMAT_IHEX, FORMAT_VMEM, FORMAT_MIF, FORMAT_COE, FORMAT_COUNT };

// A run of an image's map: the data of records that follow each other in
// the file without a gap, its byte addresses and the word addresses it
// becomes (to bytes, the words it came from); halved, the words that the
// output holds under its type 02 and 04 records as written, `misread` where
// a target would read them elsewhere than whole addresses place them.
struct MapRun {
  unsigned long long firstByte, lastByte, firstWord, lastWord;
  bool misread;
};
// Where a map's runs go, each as it ends.
struct MapHook {
  void (*run)(void *handle, const MapRun *run);
  void *handle;
};

// A conversion's options, as one value for every mode.
struct ConvertOptions {
  unsigned char direction;  // a ConvertDirection
  unsigned char wordBytes;  // bytes in a word, 2 to 8; CONVERT_HALVE has 2
  bool swap;                // the bytes of each word reversed (exact directions)
  short fill;               // the byte that completes a record's last word, or -1 (exact directions)
  bool countAfterEnd;       // read on past the end-of-file record, counting the records there
  // Commit the end-of-file record only when the report gives no cause for a
  // warning: a stream then never gets a whole image of a file that
  // wordhex-cli --strict fails.
  bool strict;
  unsigned char format;          // an OutputFormatId; other than Intel HEX only to words
  unsigned char wordsPerRecord;  // the most words an output data record holds (exact); 0: as many as fit
  // Where the memory is (exact directions): the byte address of its word 0,
  // a multiple of the word; its size in words, 0 for no limit.
  unsigned long long base, depth;
  const MapHook *map;  // the image's map, run by run; null for none
};

// The options of a conversion in `direction` with words of `wordBytes`,
// nothing more.
constexpr ConvertOptions ConvertOptionsFor(ConvertDirection direction, unsigned wordBytes) {
  return ConvertOptions{
      (unsigned char)direction, (unsigned char)wordBytes, false, -1, false, false, FORMAT_IHEX, 0, 0, 0, nullptr};
}

// What a conversion found besides its status.
struct ConvertReport {
  // The first line of each kind of record that halving leaves for the
  // target to misread, 0 for none: a type 02 base other than 0, a type 04
  // upper half other than 0, a start address (type 03 or 05), data at an odd
  // byte address.
  unsigned long long segmentLine, linearLine, startLine, oddLine;
  // The first data record that wraps at the end of a type 02 segment, which
  // halving runs on past.
  unsigned long long wrapLine;
  // Records after the end-of-file record (with countAfterEnd), and the
  // line of the first.
  unsigned long long afterEnd, afterEndLine;
  // A checksum that did not verify, as read and as it should be; why a file
  // is damaged.
  RecordFault fault;
  // CONV_PARTIAL_WORD because the fill would land on bytes that an earlier
  // record defines; CONV_OUT_OF_RANGE outside the memory, not beyond 4 GiB.
  bool fillOverData, outsideMemory;
  unsigned long long words;  // words written, in a format of words
  // With a map: data records and their bytes, the words of the memory that
  // the runs cover (each once), and the start address, if any, as a byte
  // address and, where it has one, a word address.
  unsigned long long dataRecords, dataBytes, mapWords;
  bool started, startInWords;
  unsigned long long startByte, startWord;
  unsigned long long records;  // records converted
  unsigned long long inPlace;  // of those, records that a kernel converted
  unsigned long long quick;    // of those, records that its quick route converted
};

// Converts from `input` to `output`, both at their start, with `options`.
// Returns the status: exactly CONV_END_RECORD is success; 0 means the input
// ended, or a line did not begin with ':', before an end-of-file record.
// Afterwards input->stopLine/stopColumn tell where it stopped: the first
// character of the failing field or stray line, or the position just past
// the last byte when the input ended; a record that cannot be placed stops it
// after the record has verified, at the field holding what cannot be placed.
// Only whole, verified records are committed to the output. Writes are not
// checked here: the owner of `output` flushes it and looks at output->failed.
ConversionStatus ConvertHex(HexInput *input, HexOutput *output, const ConvertOptions *options, ConvertReport *report);

// The interactive program's conversion: each address field halved.
ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output);

#endif
