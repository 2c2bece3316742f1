// Converter streams over platform files.
#ifndef WORDHEX_FRONTEND_FILESTREAM_H
#define WORDHEX_FRONTEND_FILESTREAM_H

#include "convert/convert.h"
#include "platform/platform.h"

// Converts from the open file `in` into the open file `out` through the
// caller's streams, then closes the input and the output, in that order.
// *written is false when any write failed.
ConversionStatus ConvertFiles(PlatformFile in, PlatformFile out, HexInput *input, HexOutput *output, bool *written);

#endif
