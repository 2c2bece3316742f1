// libFuzzer target: ConvertHexFile must reach the same status, output and
// stop location under every conversion path this CPU runs as field by field,
// from memory and in pieces of 1 to 17 bytes; a read that fails part way
// must end the input there.
#include <stdint.h>

#include "tests/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text((const char *)data, size);
  unsigned seed = 2166136261u;
  for (size_t i = 0; i < size; i++) seed = (seed ^ data[i]) * 16777619u;
  size_t failAt = size == 0 ? 0 : seed % size;
  const std::string expected = Convert(text, 0), cut = Convert(text.substr(0, failAt), 0);  // field by field
  for (int path = 0; path < CONVERT_PATH_COUNT; path++) {
    Source pieces = {text, 0, 0, size, seed}, failing = {text, 0, 0, failAt, ~seed};
    if (ForceConvertPath((ConvertPath)path) &&
        (Convert(text, path) != expected || Convert(text, path, &pieces) != expected ||
         Convert(text, path, &failing) != cut)) {
      abort();
    }
  }
  return 0;
}
