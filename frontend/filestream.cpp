#include "frontend/filestream.h"

// The streams ask for at most a buffer at a time, well inside the unsigned
// long that platform requests take.
static_assert(sizeof(HexInput::buffer) < (1u << 30) && sizeof(HexOutput::buffer) < (1u << 30), "requests fit");

struct FileEnd {
  PlatformFile file;
  bool *failed;
  PlatformError *error;
};

static bool Failed(FileEnd *end) {
  *end->failed = true;
  *end->error = PlatformLastError();
  return false;
}

static bool ReadFileChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  FileEnd *end = static_cast<FileEnd *>(handle);
  unsigned long got;  // set by every read, failed or not
  bool ok = PlatformRead(end->file, buffer, (unsigned long)size, &got);
  *delivered = got;
  return ok || Failed(end);
}

// Writes all `size` bytes: where the next go, or (`at`) from `offset` on.
static bool WriteAll(FileEnd *end, bool at, unsigned long long offset, const unsigned char *data, size_t size) {
  while (size > 0) {
    unsigned long written;  // set by every write, failed or not
    unsigned long request = (unsigned long)size;
    bool ok = at ? PlatformWriteAt(end->file, offset, data, request, &written)
                 : PlatformWrite(end->file, data, request, &written);
    if (!ok) return Failed(end);
    if (written == 0 || written > request) {
      *end->failed = true;  // short, with no reason given
      return false;
    }
    data += written;
    offset += written;
    size -= written;
  }
  return true;
}

static bool WriteFileChunk(void *handle, const unsigned char *data, size_t size) {
  return WriteAll(static_cast<FileEnd *>(handle), false, 0, data, size);
}

static bool WriteFileChunkAt(void *handle, unsigned long long offset, const unsigned char *data, size_t size) {
  return WriteAll(static_cast<FileEnd *>(handle), true, offset, data, size);
}

static bool Discard(void *, const unsigned char *, size_t) { return true; }
static bool DiscardAt(void *, unsigned long long, const unsigned char *, size_t) { return true; }

ConversionStatus ConvertFiles(PlatformFile in, const PlatformOutput *out, const ConvertOptions *options,
                              HexInput *input, HexOutput *output, ConvertReport *report, FileFaults *faults) {
  *faults = FileFaults{false, false, 0, 0};
  FileEnd source = {in, &faults->readFailed, &faults->readError};
  FileEnd sink = {out != nullptr ? out->file : PLATFORM_NO_FILE, &faults->writeFailed, &faults->writeError};
  OpenInputStream(input, ReadFileChunk, &source);
  OpenOutputStream(output, out != nullptr ? WriteFileChunk : Discard, &sink);
  // The words of a format in order, which a file takes in any order; a check
  // verifies as the conversion into the file beside the input would.
  if (out != nullptr && out->kind == PLATFORM_OUTPUT_FILE) {
    HandOnWholeBuffers(output);
    output->writeAt = WriteFileChunkAt;
  } else if (out == nullptr) {
    output->writeAt = DiscardAt;
  }
  ConversionStatus status = ConvertHex(input, output, options, report);
  if (!FlushOutput(output)) faults->writeFailed = true;
  PlatformClose(in);
  return status;
}
