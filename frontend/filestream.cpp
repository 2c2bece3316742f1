#include "frontend/filestream.h"

// Platform requests take an unsigned long; stay well inside it.
static const size_t MAX_REQUEST = 1u << 30;

static bool ReadFileChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  unsigned long got = 0;
  bool ok = PlatformRead(*static_cast<PlatformFile *>(handle), buffer,
                         (unsigned long)(size < MAX_REQUEST ? size : MAX_REQUEST), &got);
  *delivered = got;
  return ok;
}

static bool WriteFileChunk(void *handle, const unsigned char *data, size_t size) {
  PlatformFile file = *static_cast<PlatformFile *>(handle);
  while (size > 0) {
    unsigned long written = 0;
    unsigned long request = (unsigned long)(size < MAX_REQUEST ? size : MAX_REQUEST);
    if (!PlatformWrite(file, data, request, &written) || written == 0 || written > request) return false;
    data += written;
    size -= written;
  }
  return true;
}

ConversionStatus ConvertFiles(PlatformFile in, PlatformFile out, HexInput *input, HexOutput *output, bool *written) {
  OpenInputStream(input, ReadFileChunk, &in);
  OpenOutputStream(output, WriteFileChunk, &out);
  ConversionStatus status = ConvertHexFile(input, output);
  *written = FlushOutput(output);
  PlatformClose(in);
  PlatformClose(out);
  return status;
}
