#include "convert/stream.h"

void OpenInputStream(HexInput *input, HexReadFn read, void *handle) {
  memset(input, 0, offsetof(HexInput, buffer));
  input->start = input->next = input->end = input->buffer;
  input->read = read;
  input->handle = handle;
  input->line = 1;
}

void OpenMemoryInput(HexInput *input, const void *data, size_t size) {
  OpenInputStream(input, nullptr, nullptr);
  input->start = input->next = static_cast<const unsigned char *>(data);
  input->end = input->start + size;
}

bool RefillInput(HexInput *input) {
  input->startOffset += (unsigned long long)(input->end - input->start);
  input->start = input->next = input->end;
  if (input->read == nullptr || input->ended) {
    input->ended = true;
    return false;
  }
  // A failed read counts for what it delivered, like the end of the input.
  size_t delivered = 0;
  input->read(input->handle, input->buffer, sizeof input->buffer, &delivered);
  if (delivered > sizeof input->buffer) delivered = 0;  // a broken source is treated as ended
  input->start = input->next = input->buffer;
  input->end = input->buffer + delivered;
  if (delivered == 0) input->ended = true;
  return delivered > 0;
}

size_t ReadInputSlow(HexInput *input, unsigned char *destination, size_t size) {
  size_t got = 0;
  for (;;) {
    size_t available = (size_t)(input->end - input->next);
    size_t take = available < size - got ? available : size - got;
    memcpy(destination + got, input->next, take);
    input->next += take;
    got += take;
    if (got == size) return got;
    if (!RefillInput(input)) break;
  }
  input->shortDelivered = got;
  return got;
}

void OpenOutputStream(HexOutput *output, HexWriteFn write, void *handle) {
  output->start = output->next = output->committed = output->buffer;
  output->limit = output->buffer + HEX_STREAM_BUFFER_SIZE;
  output->write = write;
  output->writeAt = nullptr;
  output->handle = handle;
  output->failed = false;
  output->handedOn = 0;
}

// With the spare room in use a full buffer always holds a whole buffer of
// committed bytes; without it, never more.
void HandOnWholeBuffers(HexOutput *output) { output->limit = output->buffer + sizeof output->buffer; }

// Hands on the first `size` committed bytes and keeps the rest, the record in
// progress among them, which is shorter than a line and so far shorter than
// the buffer.
static void HandOn(HexOutput *output, size_t size) {
  if (size > 0 && !output->failed && !output->write(output->handle, output->start, size)) output->failed = true;
  output->handedOn += size;
  size_t rest = (size_t)(output->next - output->start) - size;
  memmove(output->start, output->start + size, rest);
  output->committed -= size;
  output->next = output->start + rest;
}

void WriteOutputSlow(HexOutput *output, const void *data, size_t size) {
  const unsigned char *bytes = static_cast<const unsigned char *>(data);
  while (size > 0) {
    if (output->next == output->limit) {
      size_t whole = (size_t)(output->committed - output->start);
      HandOn(output, whole < HEX_STREAM_BUFFER_SIZE ? whole : (size_t)HEX_STREAM_BUFFER_SIZE);
    }
    size_t room = (size_t)(output->limit - output->next);
    size_t take = room < size ? room : size;
    memcpy(output->next, bytes, take);
    output->next += take;
    bytes += take;
    size -= take;
  }
}

bool FlushOutput(HexOutput *output) {
  HandOn(output, (size_t)(output->committed - output->start));
  output->next = output->start;
  return !output->failed;
}

void WriteOutputAt(HexOutput *output, unsigned long long offset, const void *data, size_t size) {
  const unsigned char *bytes = static_cast<const unsigned char *>(data);
  // A stream has no place to write at: never asked of one, but a failure if it were.
  if (!output->failed && (output->writeAt == nullptr || !output->writeAt(output->handle, offset, bytes, size))) {
    output->failed = true;
  }
}

// Only when the room is too small: the inline ReserveOutput has looked.
unsigned char *ReserveOutputSlow(HexOutput *output) {
  size_t whole = (size_t)(output->committed - output->start);
  HandOn(output, whole < HEX_STREAM_BUFFER_SIZE ? whole : (size_t)HEX_STREAM_BUFFER_SIZE);
  return output->next;
}
