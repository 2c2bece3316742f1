// The ways of turning an Intel HEX image with byte addresses into one with
// 16-bit word addresses, and back.
#ifndef WORDHEX_CONVERT_ADDRESS_H
#define WORDHEX_CONVERT_ADDRESS_H

#include "convert/field.h"
#include "convert/stream.h"

enum ConvertMode {
  // Each record's address field halved, everything else as read (ConvertHexFile).
  CONVERT_MODE_HALVE,
  // Every data byte's whole address, type 02 and 04 bases included, made a
  // word address: bases and start addresses become the output's own type 04
  // and 05 records. Data or a start address at an odd byte address is refused
  // with CONV_MISALIGNED.
  CONVERT_MODE_FULL_ADDRESS,
  // The inverse: the input's addresses, formed as the format forms them
  // (type 02 and 03 included), are word addresses; each is doubled.
  CONVERT_MODE_TO_BYTES,
};

// Converts from `input` to `output` in `mode`, with the contract of
// ConvertHexFile: the same statuses (and CONV_MISALIGNED), the stop location
// in input->stopLine/stopColumn, only whole verified records committed. A
// record that cannot be placed stops the conversion at the field holding its
// address after the record has verified: the address field of a data record,
// the data of a start address record. Data beyond 4 GiB in bytes (to bytes
// only) count as malformed. input->upperBits is set as ConvertHexFile sets it,
// in the halve mode only: the others place such data.
ConversionStatus ConvertHexFileInMode(HexInput *input, HexOutput *output, ConvertMode mode);

#endif
