// Converting an Intel HEX stream with byte addresses into one with word
// addresses, and back, record by record, without holding more than a record.
#ifndef WORDHEX_CONVERT_CONVERT_H
#define WORDHEX_CONVERT_CONVERT_H

#include "convert/field.h"
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

// A conversion's options, as one value for every mode.
struct ConvertOptions {
  unsigned char direction;  // a ConvertDirection
  unsigned char wordBytes;  // bytes in a word, 2 to 8; CONVERT_HALVE has 2
};

// Which options CONVERT_HALVE and a word of `wordBytes` make.
inline ConvertOptions ConvertOptionsFor(ConvertDirection direction, unsigned wordBytes) {
  return ConvertOptions{(unsigned char)direction, (unsigned char)wordBytes};
}

// What a conversion found besides its status.
struct ConvertReport {
  // The first line of a record that halving leaves as the target will misread
  // it, 0 for none: a type 02 or 04 record with a value other than 0.
  unsigned long long upperLine;
  // A checksum that did not verify: as read, and as it should be.
  unsigned char checksumRead, checksumWanted;
  unsigned long long inPlace;  // records that a fast path converted
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
