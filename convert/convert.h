// Converting an Intel HEX stream with byte addresses into one with 16-bit
// word addresses, record by record, without holding more than one field.
#ifndef WORDHEX_CONVERT_CONVERT_H
#define WORDHEX_CONVERT_CONVERT_H

#include "convert/field.h"
#include "convert/stream.h"

// The record being converted; reset or overwritten per record.
struct RecordFields {
  unsigned char count;
  unsigned short inputAddress;
  unsigned short outputAddress;  // inputAddress >> 1
  unsigned char type;
  unsigned char dataSum;   // modulo 256
  unsigned char checksum;  // as read
};

// Converts from `input` to `output`, both at their start. Returns the status:
// exactly CONV_END_RECORD is success; 0 means the input ended, or a line did
// not begin with ':', before an end-of-file record. Afterwards
// input->stopLine/stopColumn tell where it stopped: the first character of the
// failing field or stray line, or the position just past the last byte when
// the input ended. Writes are not checked here: the owner of `output` flushes
// it and looks at output->failed.
// Sets input->upperBits when a type 02 or 04 record with a value other than 0
// was converted: its data belong above 64 KiB, where halving each record's
// own address does not place them.
ConversionStatus ConvertHexFile(HexInput *input, HexOutput *output);

// Shared with the other conversion modes.
// Reads up to and including the next LF, or to the end of the input.
void SkipRestOfLine(HexInput *input);
// Records where the conversion stopped: `back` bytes before the read
// position (the start of the failing field), or just past the last byte when
// the input ran out, counting any LF that the short field delivered.
void NoteStop(HexInput *input, unsigned back);

// Which in-place conversion runs. The best one this CPU can run is chosen at
// start-up; tests and benchmarks may force another.
enum ConvertPath {
  CONVERT_PATH_FIELDS,    // none: every record field by field
  CONVERT_PATH_PORTABLE,  // word-at-a-time, any CPU
  CONVERT_PATH_SSE2,
  CONVERT_PATH_AVX2,
  CONVERT_PATH_COUNT
};
// Forces `path`; false, changing nothing, when this build or CPU cannot run it.
bool ForceConvertPath(ConvertPath path);
// The path that runs: the one forced, or else the best this CPU can run.
ConvertPath ActiveConvertPath(void);

#endif
