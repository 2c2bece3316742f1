// Converter streams over platform files.
#ifndef WORDHEX_FRONTEND_FILESTREAM_H
#define WORDHEX_FRONTEND_FILESTREAM_H

#include "convert/stream.h"
#include "platform/platform.h"

// `file` must outlive the stream.
void OpenFileInput(HexInput *input, PlatformFile *file);
void OpenFileOutput(HexOutput *output, PlatformFile *file);

#endif
