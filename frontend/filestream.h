// Converter streams over platform files.
#ifndef WORDHEX_FRONTEND_FILESTREAM_H
#define WORDHEX_FRONTEND_FILESTREAM_H

#include "convert/convert.h"
#include "platform/platform.h"

// What failed beneath the conversion, with the system's reasons. A read that
// fails ends the input, so the conversion alone would call it damaged.
struct FileFaults {
  bool readFailed;
  bool writeFailed;
  PlatformError readError;
  PlatformError writeError;
};

// Converts with `options` from the open file `in` into the open output
// `out` (null: nowhere, a check) through the caller's streams, then closes
// the input; the output stays open for the caller to finish or abandon. A
// file output is written in whole buffers, a stream in whole records.
ConversionStatus ConvertFiles(PlatformFile in, const PlatformOutput *out, const ConvertOptions *options,
                              HexInput *input, HexOutput *output, ConvertReport *report, FileFaults *faults);

#endif
