// genhex: writes a valid Intel HEX image with byte addresses, for examples,
// benchmarks and tests. 16-byte data records from a base address, an extended
// linear address record at every 64 KiB boundary, a start linear address
// record and the end-of-file record, lines ended by CR LF.
//
//   genhex [--size BYTES | --data BYTES | --from FILE] [--base ADDRESS] [--seed N] [--lf]
//
// --size: pseudo-random data until the file would pass BYTES; --data: exactly
// BYTES pseudo-random data bytes; --from: the bytes of a binary FILE.
// Output goes to standard output.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char DIGITS[] = "0123456789ABCDEF";
static char Line[64];
static size_t LineLength;
static unsigned LineSum;
static const char *LineEnd = "\r\n";

static void Byte(unsigned value) {
  Line[LineLength++] = DIGITS[(value >> 4) & 0xF];
  Line[LineLength++] = DIGITS[value & 0xF];
  LineSum += value;
}

static void Record(unsigned count, unsigned address, unsigned type, const unsigned char *data) {
  LineLength = 0;
  LineSum = 0;
  Line[LineLength++] = ':';
  Byte(count);
  Byte(address >> 8 & 0xFF);
  Byte(address & 0xFF);
  Byte(type);
  for (unsigned i = 0; i < count; i++) Byte(data[i]);
  Byte((0u - LineSum) & 0xFF);
  fwrite(Line, 1, LineLength, stdout);
  fputs(LineEnd, stdout);
}

static unsigned long long ParseNumber(const char *text) { return strtoull(text, nullptr, 0); }

int main(int argc, char **argv) {
  unsigned long long size = 0, dataBytes = 4096, base = 0, seed = 1;
  bool bySize = false;
  FILE *from = nullptr;
  for (int i = 1; i < argc; i++) {
    bool valued = i + 1 < argc;
    if (valued && strcmp(argv[i], "--size") == 0) {
      size = ParseNumber(argv[++i]);
      bySize = true;
    } else if (valued && strcmp(argv[i], "--data") == 0) {
      dataBytes = ParseNumber(argv[++i]);
    } else if (valued && strcmp(argv[i], "--from") == 0) {
      from = fopen(argv[++i], "rb");
      if (from == nullptr) {
        perror(argv[i]);
        return 1;
      }
      dataBytes = ~0ull;
    } else if (valued && strcmp(argv[i], "--base") == 0) {
      base = ParseNumber(argv[++i]);
    } else if (valued && strcmp(argv[i], "--seed") == 0) {
      seed = ParseNumber(argv[++i]);
    } else if (strcmp(argv[i], "--lf") == 0) {
      LineEnd = "\n";
    } else {
      fprintf(stderr, "usage: genhex [--size BYTES | --data BYTES | --from FILE] [--base ADDRESS] [--seed N] [--lf]\n");
      return 2;
    }
  }
  static char out[1 << 16];
  setvbuf(stdout, out, _IOFBF, sizeof out);

  unsigned long long lineEnd = strlen(LineEnd);
  unsigned long long tail = 2 * (15 + lineEnd) + (19 + lineEnd) + (11 + lineEnd);  // 04, 05 and 01 records
  unsigned long long written = 0, address = base & 0xFFFFFFFFull;
  unsigned long long state = seed * 0x9E3779B97F4A7C15ull + 1;
  unsigned char data[16];
  bool first = true;
  for (unsigned long long left = dataBytes;;) {
    unsigned count = 16 - (unsigned)(address & 15);  // stay within one 16-byte line
    if (bySize) {
      if (written + 9 + 2 * 16 + 2 + lineEnd + tail > size) break;
    } else {
      if (left == 0) break;
      if (count > left) count = (unsigned)left;
    }
    if (first || (address & 0xFFFF) == 0) {
      unsigned char upper[2] = {(unsigned char)(address >> 24), (unsigned char)(address >> 16)};
      Record(2, 0, 4, upper);
      written += 15 + lineEnd;
      first = false;
    }
    if (from != nullptr) {
      count = (unsigned)fread(data, 1, count, from);
      if (count == 0) break;
    }
    for (unsigned i = 0; from == nullptr && i < count; i++) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      data[i] = (unsigned char)(state >> 32);
    }
    Record(count, (unsigned)(address & 0xFFFF), 0, data);
    written += 11 + 2 * count + lineEnd;
    address = (address + count) & 0xFFFFFFFFull;
    left -= bySize ? 0 : count;
  }
  unsigned char start[4] = {(unsigned char)(base >> 24), (unsigned char)(base >> 16), (unsigned char)(base >> 8),
                            (unsigned char)base};
  Record(4, 0, 5, start);
  Record(0, 0, 1, nullptr);
  return fflush(stdout) == 0 ? 0 : 1;
}
