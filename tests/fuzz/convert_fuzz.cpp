// libFuzzer target: halving and an exact conversion of a word width that
// the input chooses, swapped or filled, must reach the same status, output
// and stop location under every conversion path this CPU runs as field by
// field, from memory and in pieces of 1 to 17 bytes; a read that fails part
// way must end the input there. Whatever converts to word addresses must
// hold every byte of the input in its own word, at its own place there, and
// nothing else but the fill, in words that hold data, as every format of
// words that takes it must too; and convert back to the same bytes at the
// same addresses and the same start address, for every width and a memory's
// base. Half the inputs have their records' checksums made right first, so
// that records get past the checksum to the addresses, wraps and words.
#include <stdint.h>

#include <map>
#include <sstream>

#include "tests/harness.h"

typedef std::map<unsigned long long, unsigned long> ByteImage;

// The bytes and start address (~0 for none) of a HEX text that converted,
// addresses formed as Intel HEX defines them; the lowest address, a byte's
// or any start address's, into Lowest.
static unsigned long long Lowest;
static ByteImage Image(const std::string &text, unsigned long long *start) {
  ByteImage image;
  size_t size = text.size();
  unsigned long long base = 0, segment = 0;
  *start = Lowest = ~0ull;
  for (size_t at = 0;; at = text.find('\n', at) + 1) {
    auto byte = [&](size_t k) { return strtoul(text.substr(std::min(at + 1 + 2 * k, size), 2).c_str(), nullptr, 16); };
    unsigned long count = byte(0), address = byte(1) << 8 | byte(2), type = byte(3), value = byte(4) << 8 | byte(5);
    if (type == 1) {
      if (!image.empty()) Lowest = std::min(Lowest, image.begin()->first);
      return image;
    }
    if (type == 2 || type == 4) base = type == 2 ? value * 16 : value << 16, segment = type == 2;
    if (type == 3 || type == 5) *start = (type == 3 ? value * 16 : value << 16) + (byte(6) << 8 | byte(7));
    if (type == 3 || type == 5) Lowest = std::min(Lowest, *start);
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
    if (type == 1) {
      if (!image.empty()) Lowest = std::min(Lowest, image.begin()->first);
      return image;
    }
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

// The byte image of a memory's file in `format`: each word's bytes at its
// address times the word's size plus their places, the swap undone; the
// fill's range of a MIF file too.
static ByteImage MemoryImage(const std::string &text, unsigned format, const ConvertOptions &options) {
  ByteImage image;
  unsigned bytes = options.wordBytes;
  auto put = [&](unsigned long long word, const std::string &digits) {
    for (unsigned k = 0; k < bytes; k++) {
      image[word * bytes + (options.swap ? bytes - 1 - k : k)] = strtoul(digits.substr(2 * k, 2).c_str(), nullptr, 16);
    }
  };
  std::istringstream lines(text);
  std::string line;
  unsigned long long address = 0;
  bool content = false;
  for (int number = 0; std::getline(lines, line); number++) {
    if (format == FORMAT_COE && number >= 2) put(address++, line);
    if (format == FORMAT_VMEM && line[0] == '@') address = std::stoull(line.substr(1), nullptr, 16);
    if (format == FORMAT_VMEM && line[0] != '@') put(address++, line);
    if (format != FORMAT_MIF || !content || line == "END;") {
      content = line == "CONTENT BEGIN";
      continue;
    }
    std::istringstream words(line);
    std::string first, colon, word;
    words >> first >> colon;
    if (first[0] == '[') {  // [0..LAST] : FILL;
      for (address = 0; address < options.depth; address++) put(address, line.substr(line.rfind(' ') + 1));
      continue;
    }
    for (address = std::stoull(first, nullptr, 16); words >> word;) put(address++, word);
  }
  return image;
}

// Whether the memory's files of every format hold the same bytes as Intel
// HEX output of `words` (whole words, a word address each) from `text`, where
// each format takes it, with a depth that holds it; with a fill, the fill
// stands for every word that a sparse one lacks.
static bool FormatsAgree(const std::string &text, const std::string &words, ConvertOptions options) {
  ByteImage hex = WordImage(words, options);
  if (hex.empty() || hex.rbegin()->first >= 0x2000) return true;
  options.depth = hex.rbegin()->first / options.wordBytes + 1;
  auto whole = [&](ByteImage image) {
    for (unsigned long long byte = 0; options.fill >= 0 && byte < options.depth * options.wordBytes; byte++) {
      image.emplace(byte, options.fill);
    }
    return image;
  };
  for (unsigned format = FORMAT_VMEM; format < FORMAT_COUNT; format++) {
    if (format == FORMAT_COE && options.fill < 0) continue;
    options.format = (unsigned char)format;
    const std::string converted = Convert(text, 0, nullptr, options);
    if (converted.compare(0, 4, "END ") != 0) continue;  // where it does not take it
    const std::string file = converted.substr(converted.find(" | ") + 3);
    if (whole(MemoryImage(file.substr(0, file.rfind(" | ")), format, options)) != whole(hex)) return false;
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
  const ConvertOptions halve = Options("halve");
  // Halving, and one exact conversion that the input chooses: every path as
  // field by field, from memory, in pieces and with a read failing part way.
  ConvertOptions exact = ConvertOptionsFor(seed & 1 ? CONVERT_TO_BYTES : CONVERT_TO_WORDS, 2 + (seed >> 1) % 7);
  exact.swap = (seed >> 4 & 1) != 0;
  exact.fill = (seed >> 5 & 3) == 0 ? (short)(seed >> 8 & 0xFF) : (short)-1;
  // To words, a format the input chooses too, in a memory of 2 K words,
  // written to a file (in any order) or to a stream.
  exact.format = exact.direction == CONVERT_TO_WORDS ? (unsigned char)(seed >> 13 & 3) : FORMAT_IHEX;
  exact.depth = exact.format == FORMAT_IHEX ? 0 : 0x800;
  if (exact.format == FORMAT_COE && exact.fill < 0) exact.fill = 0xEE;
  FileOutput = (seed >> 15 & 1) != 0;
  if (exact.format == FORMAT_IHEX) exact.wordsPerRecord = (unsigned char)(seed >> 17 & 3);  // 0: as many as fit
  // Half the time with the map, which must be the same on every path too.
  Mapping = (seed >> 19 & 1) != 0;
  for (ConvertOptions options : {halve, exact}) {
    const std::string expected = Convert(text, 0, nullptr, options) + MapText;
    const std::string cut = Convert(text.substr(0, failAt), 0, nullptr, options) + MapText;
    for (unsigned path = 0; path < CONVERT_PATH_COUNT; path++) {
      Source pieces = {text, 0, 0, size, seed}, failing = {text, 0, 0, failAt, ~seed};
      if (!ForceConvertPath(path)) continue;
      if (Convert(text, path, nullptr, options) + MapText != expected) abort();
      if (Convert(text, path, &pieces, options) + MapText != expected) abort();
      if (Convert(text, path, &failing, options) + MapText != cut) abort();
    }
  }
  Mapping = false;
  // Whatever converts to words holds the input's bytes, each in its own word,
  // and every format holds the same.
  FileOutput = true;
  ConvertOptions hex = exact;
  hex.format = FORMAT_IHEX, hex.depth = 0, hex.wordsPerRecord = 0;
  const std::string converted = Convert(text, 0, nullptr, hex);
  if (hex.direction == CONVERT_TO_WORDS && converted.compare(0, 4, "END ") == 0 &&
      (!HoldsTheImage(text, converted.substr(converted.find(" | ") + 3), hex) ||
       !FormatsAgree(text, converted.substr(converted.find(" | ") + 3), hex))) {
    abort();
  }
  // Whatever converts to words of that width converts back to the same bytes
  // at the same addresses and the same start address, swapped or not.
  // With the memory's base at a word below the lowest byte, the base comes
  // back too.
  ConvertOptions words = hex, bytes = hex;
  words.direction = CONVERT_TO_WORDS, bytes.direction = CONVERT_TO_BYTES;
  words.fill = bytes.fill = -1;
  std::string inWords = Convert(text, 0, nullptr, words);
  if (inWords.compare(0, 4, "END ") != 0) return 0;
  unsigned long long start, startBack;
  ByteImage image = Image(text, &start);
  if (seed >> 16 & 1 && Lowest != ~0ull) {  // nothing lies below it: it converts as well
    words.base = bytes.base = Lowest - Lowest % words.wordBytes;
    inWords = Convert(text, 0, nullptr, words);
    if (inWords.compare(0, 4, "END ") != 0) abort();
  }
  const std::string back = Convert(inWords.substr(inWords.find(" | ") + 3), 0, nullptr, bytes);
  if (back.compare(0, 4, "END ") != 0 || image != Image(back.substr(back.find(" | ") + 3), &startBack) ||
      start != startBack) {
    abort();
  }
  return 0;
}
