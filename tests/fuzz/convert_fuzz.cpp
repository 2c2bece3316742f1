// libFuzzer target: halving and an exact conversion of a word width that
// the input chooses, swapped or filled, must reach the same status, output
// and stop location under every conversion path this CPU runs as field by
// field, from memory and in pieces of 1 to 17 bytes; a read that fails part
// way must end the input there. Whatever converts to word addresses must
// hold every byte of the input in its own word, at its own place there, and
// nothing else but the fill, in words that hold data; and convert back to the
// same bytes at the same addresses and the same start address, for every
// width. Half the inputs have their records' checksums made right first, so
// that records get past the checksum to the addresses, wraps and words.
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

// The word image of a converted HEX text, as byte addresses: each data
// byte's word times the word's size plus its place in the word, the swap
// undone.
static ByteImage WordImage(const std::string &text, const ConvertOptions &options) {
  ByteImage image;
  unsigned long long upper = 0;
  unsigned bytes = options.wordBytes;
  for (size_t at = 0;; at = text.find('\n', at) + 1) {  // whole records, up to the end record
    auto byte = [&](size_t k) { return strtoul(text.substr(at + 1 + 2 * k, 2).c_str(), nullptr, 16); };
    unsigned long count = byte(0), address = byte(1) << 8 | byte(2), type = byte(3);
    if (type == 1) return image;
    if (type == 4) upper = byte(4) << 8 | byte(5);
    for (unsigned long i = 0; type == 0 && i < count; i++) {
      unsigned long long word = (upper << 16) + address + i / bytes, place = i % bytes;
      image[word * bytes + (options.swap ? bytes - 1 - place : place)] = byte(4 + i);
    }
  }
}

// Whether `words`, converted from `text` with `options`, holds every byte of
// the input at its own address, and besides them only fill bytes in words
// that hold data.
static bool HoldsTheImage(const std::string &text, const std::string &words, const ConvertOptions &options) {
  unsigned long long start;
  ByteImage in = Image(text, &start), out = WordImage(words, options);
  for (const auto &byte : in) {
    if (out.count(byte.first) == 0 || out[byte.first] != byte.second) return false;
  }
  unsigned bytes = options.wordBytes;
  for (const auto &byte : out) {
    if (in.count(byte.first) != 0) continue;
    if (options.fill < 0 || byte.second != (unsigned long)options.fill) return false;
    unsigned long long word = byte.first - byte.first % bytes;
    bool data = false;
    for (unsigned k = 0; k < bytes; k++) data = data || in.count(word + k) != 0;
    if (!data) return false;
  }
  return true;
}

// `text` with the checksum of every line that begins as a record made right.
static std::string WithChecksumsMade(std::string text) {
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    unsigned count = at + 3 <= end ? HexPairValue((const unsigned char *)text.data() + at + 1) : 0x100, sum = 0;
    size_t checksum = at + 9 + 2 * count;
    if (text[at] != ':' || count > 0xFF || checksum + 2 > end) {
      if (end == text.size()) break;
      continue;
    }
    bool digits = true;
    for (size_t i = at + 1; i < checksum; i += 2) {
      unsigned value = HexPairValue((const unsigned char *)text.data() + i);
      digits = digits && value <= 0xFF;
      sum += value;
    }
    if (digits) FormatHexByte(0u - sum, (unsigned char *)&text[checksum]);
    if (end == text.size()) break;
  }
  return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  unsigned seed = 2166136261u;
  for (size_t i = 0; i < size; i++) seed = (seed ^ data[i]) * 16777619u;
  const std::string raw((const char *)data, size);
  const std::string text = seed >> 12 & 1 ? WithChecksumsMade(raw) : raw;
  size_t failAt = size == 0 ? 0 : seed % size;
  // Halving, and one exact conversion that the input chooses: every path as
  // field by field, from memory, in pieces and with a read failing part way.
  ConvertOptions exact = ConvertOptionsFor(seed & 1 ? CONVERT_TO_BYTES : CONVERT_TO_WORDS, 2 + (seed >> 1) % 7);
  exact.swap = (seed >> 4 & 1) != 0;
  exact.fill = (seed >> 5 & 3) == 0 ? (short)(seed >> 8 & 0xFF) : (short)-1;
  for (ConvertOptions options : {Options("halve"), exact}) {
    const std::string expected = Convert(text, 0, nullptr, options);
    const std::string cut = Convert(text.substr(0, failAt), 0, nullptr, options);
    for (unsigned path = 0; path < CONVERT_PATH_COUNT; path++) {
      Source pieces = {text, 0, 0, size, seed}, failing = {text, 0, 0, failAt, ~seed};
      if (ForceConvertPath(path) &&
          (Convert(text, path, nullptr, options) != expected || Convert(text, path, &pieces, options) != expected ||
           Convert(text, path, &failing, options) != cut)) {
        abort();
      }
    }
  }
  // Whatever converts to words holds the input's bytes, each in its own word.
  if (exact.direction == CONVERT_TO_WORDS) {
    const std::string converted = Convert(text, 0, nullptr, exact);
    if (converted.compare(0, 4, "END ") == 0 &&
        !HoldsTheImage(text, converted.substr(converted.find(" | ") + 3), exact))
      abort();
  }
  // Whatever converts to words of that width converts back to the same bytes
  // at the same addresses and the same start address, swapped or not.
  ConvertOptions words = exact, bytes = exact;
  words.direction = CONVERT_TO_WORDS, bytes.direction = CONVERT_TO_BYTES;
  words.fill = bytes.fill = -1;
  const std::string converted = Convert(text, 0, nullptr, words);
  if (converted.compare(0, 4, "END ") != 0) return 0;
  const std::string back = Convert(converted.substr(converted.find(" | ") + 3), 0, nullptr, bytes);
  unsigned long long start, startBack;
  if (back.compare(0, 4, "END ") != 0 || Image(text, &start) != Image(back.substr(back.find(" | ") + 3), &startBack) ||
      start != startBack) {
    abort();
  }
  return 0;
}
