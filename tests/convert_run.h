// One conversion as the tests see it, from memory or in pieces, shared by
// the unit tests and the fuzzer.
#ifndef WORDHEX_TESTS_CONVERT_RUN_H
#define WORDHEX_TESTS_CONVERT_RUN_H

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "convert/convert.h"

// Serves `chunk` bytes per read (1 to 17 as `seed` says when chunk is 0), and
// fails after `failAt` bytes, to cross buffer edges everywhere.
struct Source {
  const std::string &text;
  size_t at, chunk, failAt;
  unsigned seed;
};

inline bool ReadChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  Source *s = static_cast<Source *>(handle);
  size_t piece = s->chunk != 0 ? s->chunk : 1 + ((s->seed = s->seed * 1103515245u + 12345u) >> 16) % 17;
  s->at += *delivered = s->text.copy((char *)buffer, std::min({size, piece, s->failAt - s->at}), s->at);
  return *delivered > 0 || s->at == s->text.size();
}

inline bool Append(void *handle, const unsigned char *data, size_t size) {
  static_cast<std::string *>(handle)->append((const char *)data, size);
  return true;
}

inline unsigned long long InPlace;  // records the last conversion took in place

// Status, output and "line:column" where it stopped, under `path`; from
// memory when `source` is null.
inline std::string Convert(const std::string &text, int path, Source *source = nullptr) {
  static HexInput input;
  static HexOutput output;
  if (source == nullptr) OpenMemoryInput(&input, text.data(), text.size());
  if (source != nullptr) OpenInputStream(&input, ReadChunk, source);
  std::string out;
  OpenOutputStream(&output, Append, &out);
  memset(output.buffer, '?', 2048);  // what a path leaves unwritten shows
  if (!ForceConvertPath((ConvertPath)path)) abort();
  const char *status[] = {"0", "MALFORMED", "END", "", "CHECKSUM"};
  std::string result = status[ConvertHexFile(&input, &output)];
  if (!FlushOutput(&output)) abort();
  InPlace = input.inPlace;
  return result + " | " + out + " | " + std::to_string(input.stopLine) + ":" + std::to_string(input.stopColumn);
}

#endif
