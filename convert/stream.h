// Byte streams for the converter: requests of an exact size, served from a
// fixed buffer so that a file costs one system call per buffer, not per field.
// The input also runs over memory (tests, fuzzing).
#ifndef WORDHEX_CONVERT_STREAM_H
#define WORDHEX_CONVERT_STREAM_H

#include <stddef.h>
#include <string.h>

enum { HEX_STREAM_BUFFER_SIZE = 65536 };
// Room in the output past a whole buffer for the record in progress (at most
// 523 characters), so that a whole buffer of finished records can be handed on.
enum { HEX_OUTPUT_SPARE = 1024 };

// Delivers up to `size` bytes into `buffer`. True with *delivered == 0 means
// the end of the input; false means the read failed.
typedef bool (*HexReadFn)(void *handle, unsigned char *buffer, size_t size, size_t *delivered);
// Writes all `size` bytes; false when it could not.
typedef bool (*HexWriteFn)(void *handle, const unsigned char *data, size_t size);
// Writes all `size` bytes at `offset` of what has been handed on, leaving
// where the next bytes go as it was; false when it could not.
typedef bool (*HexWriteAtFn)(void *handle, unsigned long long offset, const unsigned char *data, size_t size);

struct HexInput {
  const unsigned char *next;       // first unread byte of the window
  const unsigned char *end;        // end of the window
  const unsigned char *start;      // start of the window
  unsigned long long startOffset;  // stream offset of `start`
  HexReadFn read;                  // null: the window is the whole input
  void *handle;
  bool ended;                  // a request was served short: end of input or a failed read, alike
  size_t shortDelivered;       // bytes that the short request delivered
  unsigned char FieldText[4];  // raw characters of the last hexadecimal field
  // Where the conversion stopped (set by ConvertHexFile), 1-based.
  unsigned long long stopLine;
  unsigned long long stopColumn;
  unsigned long long line;        // line of the record being read, 1-based
  unsigned long long lineOffset;  // stream offset of that line's first byte
  unsigned char buffer[HEX_STREAM_BUFFER_SIZE];
};

struct HexOutput {
  unsigned char *next;       // where the next byte goes
  unsigned char *limit;      // end of the space
  unsigned char *start;      // start of the space
  unsigned char *committed;  // end of the last whole record; only bytes before it are handed on
  HexWriteFn write;
  HexWriteAtFn writeAt;  // null: a stream, written in order only
  void *handle;
  bool failed;                  // a write failed or was short; later bytes are dropped
  unsigned long long handedOn;  // bytes handed on so far
  unsigned char buffer[HEX_STREAM_BUFFER_SIZE + HEX_OUTPUT_SPARE];
};

void OpenInputStream(HexInput *input, HexReadFn read, void *handle);
void OpenMemoryInput(HexInput *input, const void *data, size_t size);
void OpenOutputStream(HexOutput *output, HexWriteFn write, void *handle);
// For an output that nobody reads before it is complete (a file put in place
// at the end): from now on committed bytes are handed on HEX_STREAM_BUFFER_SIZE
// at a time, cutting records anywhere, rather than up to the last whole record.
// Writes that fill whole pages at aligned offsets are what a file system's
// cache takes fastest; a stream keeps getting whole records only.
void HandOnWholeBuffers(HexOutput *output);

// Offset of the next unread byte.
inline unsigned long long InputOffset(const HexInput *input) {
  return input->startOffset + (unsigned long long)(input->next - input->start);
}

// Moves the window on to the next buffer of input; false at the end.
bool RefillInput(HexInput *input);
size_t ReadInputSlow(HexInput *input, unsigned char *destination, size_t size);

// Requests exactly `size` bytes; returns how many were delivered (fewer only
// at the end of the input or after a failed read). Every delivered byte is consumed.
inline size_t ReadInput(HexInput *input, unsigned char *destination, size_t size) {
  if ((size_t)(input->end - input->next) >= size) {
    memcpy(destination, input->next, size);
    input->next += size;
    return size;
  }
  return ReadInputSlow(input, destination, size);
}

void WriteOutputSlow(HexOutput *output, const void *data, size_t size);

inline void WriteOutput(HexOutput *output, const void *data, size_t size) {
  if ((size_t)(output->limit - output->next) >= size) {
    memcpy(output->next, data, size);
    output->next += size;
    return;
  }
  WriteOutputSlow(output, data, size);
}

// The offset in the whole output of the next byte written.
inline unsigned long long OutputOffset(const HexOutput *output) {
  return output->handedOn + (unsigned long long)(output->next - output->start);
}

// Room for `size` bytes (well under a buffer) at output->next, handing on
// what is committed when there is too little; the caller writes there and
// moves output->next past what it wrote.
unsigned char *ReserveOutputSlow(HexOutput *output);
inline unsigned char *ReserveOutput(HexOutput *output, size_t size) {
  return (size_t)(output->limit - output->next) >= size ? output->next : ReserveOutputSlow(output);
}

// Writes `size` bytes at `offset`, before the bytes written last, which
// must have been handed on: after FlushOutput.
void WriteOutputAt(HexOutput *output, unsigned long long offset, const void *data, size_t size);

// Marks everything written so far as whole records, fit to be handed on.
inline void CommitOutput(HexOutput *output) { output->committed = output->next; }
// Marks what was written up to `offset` (no further than output->next) as
// whole, when it lies past what is marked already (or handed on).
inline void CommitOutputTo(HexOutput *output, unsigned long long offset) {
  unsigned char *at = output->start + (offset > output->handedOn ? offset - output->handedOn : 0);
  if (at > output->committed) output->committed = at;
}

// Hands the committed bytes on and drops the rest (the part of a record that
// never completed); returns false when any write so far has failed.
bool FlushOutput(HexOutput *output);

#endif
