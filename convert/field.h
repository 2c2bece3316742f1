// Reading the fixed-width hexadecimal fields of an Intel HEX record.
#ifndef WORDHEX_CONVERT_FIELD_H
#define WORDHEX_CONVERT_FIELD_H

#include "convert/hex.h"
#include "convert/stream.h"

// Bits of a conversion's outcome; at most one is set when it ends.
typedef unsigned char ConversionStatus;
enum {
  CONV_MALFORMED = 0x01,     // a short or non-hexadecimal field, or a record type above 5
  CONV_END_RECORD = 0x02,    // the end-of-file record was reached: the only success
  CONV_BAD_CHECKSUM = 0x04,  // an input checksum did not verify
  CONV_MISALIGNED = 0x08,    // data or a start address not at the start of a word: no word address holds it
  CONV_PARTIAL_WORD = 0x10,  // a record to swap whose data end inside a word
  CONV_BAD_LENGTH = 0x20,    // an address record (types 02 to 05) whose count does not fit its type
  CONV_OUT_OF_RANGE = 0x40,  // data or a start address beyond 4 GiB, or outside the memory
  CONV_UNORDERED = 0x80,     // to a stream, a record below a word that a format in order has written
};

// Reads a two-character field into input->FieldText. On failure adds
// CONV_MALFORMED, leaves *value untouched; the delivered bytes stay consumed.
inline bool ReadHexByte(HexInput *input, unsigned char *value, ConversionStatus *status) {
  unsigned char *text = input->FieldText;
  if (ReadInput(input, text, 2) < 2) {
    *status |= CONV_MALFORMED;
    return false;
  }
  unsigned high = HexDigitValue[text[0]];
  unsigned low = HexDigitValue[text[1]];
  if ((high | low) > 0x0F) {
    *status |= CONV_MALFORMED;
    return false;
  }
  *value = (unsigned char)(high << 4 | low);
  return true;
}

// Reads a four-character field, most significant digit first; same contract.
inline bool ReadHexWord(HexInput *input, unsigned short *value, ConversionStatus *status) {
  unsigned char *text = input->FieldText;
  if (ReadInput(input, text, 4) < 4) {
    *status |= CONV_MALFORMED;
    return false;
  }
  unsigned d0 = HexDigitValue[text[0]], d1 = HexDigitValue[text[1]];
  unsigned d2 = HexDigitValue[text[2]], d3 = HexDigitValue[text[3]];
  if ((d0 | d1 | d2 | d3) > 0x0F) {
    *status |= CONV_MALFORMED;
    return false;
  }
  *value = (unsigned short)(d0 << 12 | d1 << 8 | d2 << 4 | d3);
  return true;
}

#endif
