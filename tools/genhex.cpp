// genhex: writes a valid Intel HEX image with byte addresses, for examples,
// benchmarks and tests. Data records of 16 bytes (--record N: of N), each at
// an address that is a multiple of its size, from a base address; an extended
// linear address record before the first record of every 64 KiB; a start
// linear address record and the end-of-file record, lines ended by CR LF.
//
//   genhex [--size BYTES | --data BYTES | --from FILE] [--record N] [--base ADDRESS] [--seed N] [--lf]
//
// --size: pseudo-random data until the file would pass BYTES; --data: exactly
// BYTES pseudo-random data bytes; --from: the bytes of a binary FILE. Records
// of a multiple of a word's size make an image that every conversion for that
// word takes. Output goes to standard output.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char DIGITS[] = "0123456789ABCDEF";
static char Line[600];
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
  unsigned long long size = 0, dataBytes = 4096, base = 0, seed = 1, record = 16;
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
    } else if (valued && strcmp(argv[i], "--record") == 0) {
      record = ParseNumber(argv[++i]);
      if (record < 1 || record > 255) record = 0;
    } else if (valued && strcmp(argv[i], "--base") == 0) {
      base = ParseNumber(argv[++i]);
    } else if (valued && strcmp(argv[i], "--seed") == 0) {
      seed = ParseNumber(argv[++i]);
    } else if (strcmp(argv[i], "--lf") == 0) {
      LineEnd = "\n";
    } else {
      record = 0;
    }
  }
  if (record == 0) {
    fprintf(stderr,
            "usage: genhex [--size BYTES | --data BYTES | --from FILE] [--record 1-255] [--base ADDRESS] [--seed N]"
            " [--lf]\n");
    return 2;
  }
  static char out[1 << 16];
  setvbuf(stdout, out, _IOFBF, sizeof out);

  unsigned long long lineEnd = strlen(LineEnd);
  unsigned long long tail = 2 * (15 + lineEnd) + (19 + lineEnd) + (11 + lineEnd);  // 04, 05 and 01 records
  unsigned long long written = 0, address = base & 0xFFFFFFFFull;
  unsigned long long state = seed * 0x9E3779B97F4A7C15ull + 1;
  unsigned char data[255];
  unsigned long long upper = ~0ull;  // of the last type 04 record written
  for (unsigned long long left = dataBytes;;) {
    unsigned count = (unsigned)(record - address % record);  // stay within one record's place
    if (bySize) {
      if (written + 11 + 2 * record + lineEnd + tail > size) break;
    } else {
      if (left == 0) break;
      if (count > left) count = (unsigned)left;
    }
    if (address >> 16 != upper) {
      unsigned char half[2] = {(unsigned char)(address >> 24), (unsigned char)(address >> 16)};
      Record(2, 0, 4, half);
      written += 15 + lineEnd;
      upper = address >> 16;
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
