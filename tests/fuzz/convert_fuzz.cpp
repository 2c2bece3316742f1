// libFuzzer target: ConvertHexFile over memory. Beyond "no crash", every input
// is checked against what must hold for any input: the status, the stop
// location, the output record by record against its input line, a bound on
// the output size, and the same result when the input arrives in small
// pieces or is cut short by a failed read.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "convert/convert.h"

namespace {

#define CHECK(condition) ((condition) ? (void)0 : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char *what, int line) {
  fprintf(stderr, "convert_fuzz.cpp:%d: property violated: %s\n", line, what);
  abort();
}

struct Outcome {
  ConversionStatus status;
  std::string output;
  unsigned long long line, column;
};

HexInput Input;
HexOutput Output;
std::vector<unsigned char> Space;

// Memory in, memory out, with room for exactly the bound that the output
// must keep: more would fail the output stream.
Outcome ConvertInMemory(const uint8_t *data, size_t size, size_t room) {
  if (Space.size() < room) Space.resize(room);
  OpenMemoryInput(&Input, data, size);
  OpenMemoryOutput(&Output, Space.data(), room);
  Outcome o;
  o.status = ConvertHexFile(&Input, &Output);
  CHECK(FlushOutput(&Output));
  o.output.assign(reinterpret_cast<const char *>(Space.data()), OutputPending(&Output));
  o.line = Input.stopLine;
  o.column = Input.stopColumn;
  return o;
}

// Serves 1 to 17 bytes per read, as a generator seeded from the input says,
// and fails like EIO once `failAt` bytes have been served.
struct Pieces {
  const uint8_t *data;
  size_t size, position, failAt;
  uint32_t state;
};

bool ReadPiece(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  Pieces *p = static_cast<Pieces *>(handle);
  p->state = p->state * 1103515245u + 12345u;
  size_t n = 1 + (p->state >> 16) % 17;
  size_t limit = p->failAt < p->size ? p->failAt : p->size;
  if (n > size) n = size;
  if (n > limit - p->position) n = limit - p->position;
  memcpy(buffer, p->data + p->position, n);
  p->position += n;
  *delivered = n;
  return n > 0 || p->position == p->size;
}

bool Append(void *handle, const unsigned char *data, size_t size) {
  static_cast<std::string *>(handle)->append(reinterpret_cast<const char *>(data), size);
  return true;
}

Outcome ConvertInPieces(const uint8_t *data, size_t size, size_t failAt, uint32_t seed) {
  Pieces pieces = {data, size, 0, failAt, seed};
  OpenInputStream(&Input, ReadPiece, &pieces);
  Outcome o;
  OpenOutputStream(&Output, Append, &o.output);
  o.status = ConvertHexFile(&Input, &Output);
  CHECK(FlushOutput(&Output));
  o.line = Input.stopLine;
  o.column = Input.stopColumn;
  return o;
}

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Value of the hexadecimal field of `width` characters at `at`, -1 if there is none.
long Field(const std::string &text, size_t at, size_t width) {
  if (at + width > text.size()) return -1;
  long value = 0;
  for (size_t i = 0; i < width; i++) {
    int d = Digit(text[at + i]);
    if (d < 0) return -1;
    value = value << 4 | d;
  }
  return value;
}

std::string Hex(unsigned value, int digits) {
  std::string text;
  while (digits-- > 0) text += "0123456789ABCDEF"[(value >> (4 * digits)) & 0x0F];
  return text;
}

// The input line as the output starts it: the address halved when it parses.
std::string Transformed(const std::string &line) {
  long address = Field(line, 3, 4);
  if (address < 0) return line;
  return line.substr(0, 3) + Hex((unsigned)address >> 1, 4) + line.substr(7);
}

// The output line for a complete, valid input record, or "" when the line is none.
std::string ExpectedRecord(const std::string &line) {
  if (line.empty() || line[0] != ':') return "";
  long count = Field(line, 1, 2), address = Field(line, 3, 4), type = Field(line, 7, 2);
  if (count < 0 || address < 0 || type < 0 || type > 5) return "";
  unsigned half = (unsigned)address >> 1;
  unsigned inputSum = (unsigned)(count + type + (address >> 8) + (address & 0xFF));
  unsigned outputSum = (unsigned)(count + type + (half >> 8) + (half & 0xFF));
  if (type == 1) return line.substr(0, 3) + Hex(half, 4) + line.substr(7, 2) + Hex(-outputSum & 0xFF, 2);
  for (long i = 0; i <= count; i++) {  // the data, then the checksum
    long value = Field(line, 9 + 2 * (size_t)i, 2);
    if (value < 0) return "";
    inputSum += (unsigned)value;
    if (i < count) outputSum += (unsigned)value;
  }
  if ((inputSum & 0xFF) != 0) return "";
  return line.substr(0, 3) + Hex(half, 4) + line.substr(7, 2 + 2 * (size_t)count) + Hex(-outputSum & 0xFF, 2);
}

void CheckOutcome(const std::string &input, const Outcome &o) {
  const ConversionStatus status = o.status;
  CHECK(status == 0 || status == CONV_MALFORMED || status == CONV_END_RECORD || status == CONV_BAD_CHECKSUM);

  // The input's lines, split at LF, and where each starts.
  std::vector<std::string> lines;
  std::vector<size_t> starts;
  for (size_t at = 0;;) {
    size_t lf = input.find('\n', at);
    starts.push_back(at);
    lines.push_back(input.substr(at, lf == std::string::npos ? std::string::npos : lf - at));
    if (lf == std::string::npos) break;
    at = lf + 1;
  }

  // The stop location is a position inside the input, or just past it.
  CHECK(o.line >= 1 && o.line <= lines.size() && o.column >= 1);
  const size_t lineStart = starts[o.line - 1];
  CHECK(o.column - 1 <= input.size() - lineStart);
  const size_t stop = lineStart + (size_t)(o.column - 1);

  // Each record adds at most CR LF over its input, and the run one tail.
  CHECK(o.output.size() <= input.size() + 2 * o.line + 4);

  // Every output line ends in CR LF; the lines before the last are the
  // records of input lines 1, 2, ... in order, converted.
  std::vector<std::string> out;
  for (size_t at = 0; at < o.output.size();) {
    size_t end = o.output.find("\r\n", at);
    CHECK(end != std::string::npos);
    out.push_back(o.output.substr(at, end - at));
    at = end + 2;
  }
  CHECK(!out.empty());
  size_t records = status == CONV_END_RECORD ? out.size() : out.size() - 1;
  CHECK(records <= lines.size());
  for (size_t i = 0; i < records; i++) {
    std::string expected = ExpectedRecord(lines[i]);
    CHECK(!expected.empty());
    CHECK(out[i] == expected);
    CHECK((Field(lines[i], 7, 2) == 1) == (status == CONV_END_RECORD && i + 1 == records));
  }

  if (status == CONV_END_RECORD) {
    // One output line per input record, up to the end-of-file record, whose
    // type field is where the conversion stopped.
    CHECK(records == o.line);
    CHECK(o.column == 8);
    return;
  }
  // Any other stop: what the failing record had written, then "FF". Only
  // when the input ran out may the stop lie beyond the failing record's line
  // (a short field can hold line ends).
  const std::string &last = out.back();
  CHECK(last.size() >= 2 && last.compare(last.size() - 2, 2, "FF") == 0);
  const std::string partial = last.substr(0, last.size() - 2);
  const bool ranOut = stop == input.size();
  CHECK(ranOut ? o.line >= records : o.line == records + 1);
  if (status == 0) {
    // The input ran out, or a line did not begin with ':'.
    CHECK(partial.empty());
    CHECK(ranOut || (o.column == 1 && input[stop] != ':'));
    return;
  }
  // A field failed: the output holds the record up to that field, as read
  // (address halved).
  CHECK(records < lines.size() && !partial.empty());
  const std::string &failing = lines[records];
  CHECK(Transformed(failing).compare(0, partial.size(), partial) == 0);
  if (status == CONV_BAD_CHECKSUM) {
    long count = Field(failing, 1, 2);
    CHECK(count >= 0 && partial.size() == 9 + 2 * (size_t)count && o.column == partial.size() + 1);
    CHECK(ExpectedRecord(failing).empty());
  } else if (Field(failing, 7, 2) > 5 && partial.size() == 9) {
    CHECK(o.column == 8);  // the type field itself
  } else {
    CHECK(ranOut || o.column == partial.size() + 1);  // the failing field
  }
}

bool Same(const Outcome &a, const Outcome &b) {
  return a.status == b.status && a.output == b.output && a.line == b.line && a.column == b.column;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  size_t lineEnds = 0;
  for (char c : input) lineEnds += c == '\n';
  const size_t room = size + 2 * (lineEnds + 1) + 4;

  Outcome memory = ConvertInMemory(data, size, room);
  CheckOutcome(input, memory);

  uint32_t seed = 2166136261u;
  for (size_t i = 0; i < size; i++) seed = (seed ^ data[i]) * 16777619u;
  CHECK(Same(ConvertInPieces(data, size, size, seed), memory));

  // A read that fails part way is the end of the input there.
  size_t failAt = size == 0 ? 0 : seed % size;
  Outcome cut = ConvertInPieces(data, size, failAt, seed ^ 0x5A5A5A5Au);
  CHECK(Same(cut, ConvertInMemory(data, failAt, room)));
  return 0;
}
