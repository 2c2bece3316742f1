// libFuzzer target: ConvertHexFile must reach the same status, output and
// stop location under every conversion path this CPU runs as field by field,
// from memory and in pieces of 1 to 17 bytes; a read that fails part way must
// end the input there. The output must stay within the input's size, plus
// CR LF per line and the tail.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "convert/convert.h"

namespace {

struct Outcome {
  ConversionStatus status;
  std::string output;
  unsigned long long line, column;
  bool operator==(const Outcome &o) const {
    return status == o.status && output == o.output && line == o.line && column == o.column;
  }
};

// Serves 1 to 17 bytes per read as `state` says; fails after `failAt` bytes.
struct Pieces {
  const uint8_t *data;
  size_t size, position, failAt;
  uint32_t state;
};

bool ReadPiece(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  Pieces *p = static_cast<Pieces *>(handle);
  p->state = p->state * 1103515245u + 12345u;
  *delivered = std::min({size, (size_t)(1 + (p->state >> 16) % 17), std::min(p->failAt, p->size) - p->position});
  memcpy(buffer, p->data + p->position, *delivered);
  p->position += *delivered;
  return *delivered > 0 || p->position == p->size;
}

bool Append(void *handle, const unsigned char *data, size_t size) {
  static_cast<std::string *>(handle)->append((const char *)data, size);
  return true;
}

// From memory when `pieces` is null.
Outcome Convert(const uint8_t *data, size_t size, Pieces *pieces) {
  static HexInput input;
  static HexOutput output;
  Outcome o;
  if (pieces == nullptr)
    OpenMemoryInput(&input, data, size);
  else
    OpenInputStream(&input, ReadPiece, pieces);
  OpenOutputStream(&output, Append, &o.output);
  o.status = ConvertHexFile(&input, &output);
  if (!FlushOutput(&output)) abort();
  o.line = input.stopLine, o.column = input.stopColumn;
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  uint32_t seed = 2166136261u;
  size_t lines = 1;
  for (size_t i = 0; i < size; i++) seed = (seed ^ data[i]) * 16777619u, lines += data[i] == '\n';
  size_t failAt = size == 0 ? 0 : seed % size;
  ForceConvertPath(CONVERT_PATH_FIELDS);
  const Outcome expected = Convert(data, size, nullptr), cut = Convert(data, failAt, nullptr);
  if (expected.output.size() > size + 2 * lines + 4) abort();
  for (int path = 0; path < CONVERT_PATH_COUNT; path++) {
    if (!ForceConvertPath((ConvertPath)path)) continue;
    Pieces whole = {data, size, 0, size, seed}, failing = {data, size, 0, failAt, ~seed};
    if (!(Convert(data, size, nullptr) == expected) || !(Convert(data, size, &whole) == expected) ||
        !(Convert(data, size, &failing) == cut)) {
      abort();
    }
  }
  return 0;
}
