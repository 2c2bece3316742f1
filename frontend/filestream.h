// Converter streams over platform files.
#ifndef WORDHEX_FRONTEND_FILESTREAM_H
#define WORDHEX_FRONTEND_FILESTREAM_H

#include "convert/address.h"
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

// Converts in `mode` from the open file `in` into the open file `out`
// (PLATFORM_NO_FILE: nowhere, a check) through the caller's streams, then
// closes the input; the output stays open for the caller to finish or
// abandon. `outputIsFile`: `out` is a file output (PLATFORM_OUTPUT_FILE),
// written in whole buffers; a stream gets whole records. *upperBits as
// ConvertHexFileInMode sets it (may be null).
ConversionStatus ConvertFiles(PlatformFile in, PlatformFile out, bool outputIsFile, ConvertMode mode, HexInput *input,
                              HexOutput *output, FileFaults *faults, bool *upperBits);

#endif
