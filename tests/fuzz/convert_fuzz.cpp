// libFuzzer target: ConvertHexFile must reach the same status, output and
// stop location under every conversion path this CPU runs as field by field,
// from memory and in pieces of 1 to 17 bytes; a read that fails part way
// must end the input there. The whole-address modes must agree in pieces
// too, and whatever converts to word addresses must convert back to the same
// bytes at the same addresses and the same start address.
#include <stdint.h>

#include <map>

#include "tests/harness.h"

typedef std::map<unsigned long long, unsigned long> ByteImage;

// The bytes and start address (~0 for none) of a HEX text that converted,
// addresses formed as Intel HEX defines them.
static ByteImage Image(const std::string &text, unsigned long long *start) {
  ByteImage image;
  size_t size = text.size();
  unsigned long long base = 0, segment = 0;
  *start = ~0ull;
  for (size_t at = 0;; at = text.find('\n', at) + 1) {
    auto byte = [&](size_t k) { return strtoul(text.substr(std::min(at + 1 + 2 * k, size), 2).c_str(), nullptr, 16); };
    unsigned long count = byte(0), address = byte(1) << 8 | byte(2), type = byte(3), value = byte(4) << 8 | byte(5);
    if (type == 1) return image;
    if (type == 2 || type == 4) base = type == 2 ? value * 16 : value << 16, segment = type == 2;
    if (type == 3 || type == 5) *start = (type == 3 ? value * 16 : value << 16) + (byte(6) << 8 | byte(7));
    for (unsigned long i = 0; type == 0 && i < count; i++) {
      image[segment ? base + ((address + i) & 0xFFFF) : (base + address + i) & 0xFFFFFFFF] = byte(4 + i);
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text((const char *)data, size);
  unsigned seed = 2166136261u;
  for (size_t i = 0; i < size; i++) seed = (seed ^ data[i]) * 16777619u;
  size_t failAt = size == 0 ? 0 : seed % size;
  const std::string expected = Convert(text, 0), cut = Convert(text.substr(0, failAt), 0);  // field by field
  for (unsigned path = 0; path < CONVERT_PATH_COUNT; path++) {
    Source pieces = {text, 0, 0, size, seed}, failing = {text, 0, 0, failAt, ~seed};
    if (ForceConvertPath(path) && (Convert(text, path) != expected || Convert(text, path, &pieces) != expected ||
                                   Convert(text, path, &failing) != cut)) {
      abort();
    }
  }
  for (ConvertOptions mode : {ConvertOptionsFor(CONVERT_TO_WORDS, 2), ConvertOptionsFor(CONVERT_TO_BYTES, 2)}) {
    Source pieces = {text, 0, 0, size, seed}, failing = {text, 0, 0, failAt, ~seed};
    if (Convert(text, 0, &pieces, mode) != Convert(text, 0, nullptr, mode) ||
        Convert(text, 0, &failing, mode) != Convert(text.substr(0, failAt), 0, nullptr, mode)) {
      abort();
    }
  }
  const std::string words = Convert(text, 0, nullptr, ConvertOptionsFor(CONVERT_TO_WORDS, 2));
  if (words.compare(0, 6, "END | ") != 0) return 0;
  const std::string bytes = Convert(words.substr(6), 0, nullptr, ConvertOptionsFor(CONVERT_TO_BYTES, 2));
  unsigned long long start, startBack;
  if (bytes.compare(0, 6, "END | ") != 0 || Image(text, &start) != Image(bytes.substr(6), &startBack) ||
      start != startBack) {
    abort();
  }
  return 0;
}
