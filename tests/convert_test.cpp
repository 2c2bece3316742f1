#include "convert/convert.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const ConversionStatus END = CONV_END_RECORD, MALFORMED = CONV_MALFORMED, CHECKSUM = CONV_BAD_CHECKSUM;

struct Result {
  ConversionStatus status;
  std::string output;
  unsigned long long line, column;
};

// A source that serves at most `chunk` bytes per read, to cross buffer
// boundaries at every position.
struct ChunkedSource {
  const std::string *data;
  size_t position, chunk;
};

bool ReadChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  ChunkedSource *source = static_cast<ChunkedSource *>(handle);
  size_t n = std::min({size, source->chunk, source->data->size() - source->position});
  memcpy(buffer, source->data->data() + source->position, n);
  source->position += n;
  *delivered = n;
  return true;
}

bool AppendToString(void *handle, const unsigned char *data, size_t size) {
  static_cast<std::string *>(handle)->append(reinterpret_cast<const char *>(data), size);
  return true;
}

// chunk 0: the input is served from memory in one piece.
Result Convert(const std::string &text, size_t chunk = 0) {
  static HexInput input;
  static HexOutput output;
  ChunkedSource source = {&text, 0, chunk};
  if (chunk == 0) {
    OpenMemoryInput(&input, text.data(), text.size());
  } else {
    OpenInputStream(&input, ReadChunk, &source);
  }
  Result result;
  OpenOutputStream(&output, AppendToString, &result.output);
  result.status = ConvertHexFile(&input, &output);
  EXPECT_TRUE(FlushOutput(&output));
  result.line = input.stopLine;
  result.column = input.stopColumn;
  return result;
}

struct Case {
  const char *name;
  std::string input;
  std::string output;
  ConversionStatus status;
  unsigned long long line, column;
};

const std::string EOF_IN = ":00000001FF\r\n";
const std::string EOF_OUT = ":00000001FF\r\n";

const Case CASES[] = {
    {"data record", ":0400100001020304E2\r\n" + EOF_IN, ":0400080001020304EA\r\n" + EOF_OUT, END, 2, 8},
    {"high address", ":024A3100ABCD0B\r\n" + EOF_IN, ":02251800ABCD49\r\n" + EOF_OUT, END, 2, 8},
    {"whole file", ":0400000002337A004D\r\n:020004001122C7\r\n" + EOF_IN,
     ":0400000002337A004D\r\n:020002001122C9\r\n" + EOF_OUT, END, 3, 8},
    {"lower case kept", ":010000000af5\n" + EOF_IN, ":010000000aF5\r\n" + EOF_OUT, END, 2, 8},
    {"odd address", ":01000100AA54\n" + EOF_IN, ":01000000AA55\r\n" + EOF_OUT, END, 2, 8},
    {"top address", ":01FFFF00AA57\n" + EOF_IN, ":017FFF00AAD7\r\n" + EOF_OUT, END, 2, 8},
    {"type 2", ":020000021000EC\n" + EOF_IN, ":020000021000EC\r\n" + EOF_OUT, END, 2, 8},
    {"type 3", ":0400000300003800C1\n" + EOF_IN, ":0400000300003800C1\r\n" + EOF_OUT, END, 2, 8},
    {"type 4 data not halved", ":020000040001F9\n" + EOF_IN, ":020000040001F9\r\n" + EOF_OUT, END, 2, 8},
    {"type 5", ":04000005000000CD2A\n" + EOF_IN, ":04000005000000CD2A\r\n" + EOF_OUT, END, 2, 8},
    {"count 0", ":00010000FF\n" + EOF_IN, ":0000800080\r\n" + EOF_OUT, END, 2, 8},
    {"sums wrap", ":02FFFE00FFFF03\n" + EOF_IN, ":027FFF00FFFF82\r\n" + EOF_OUT, END, 2, 8},
    {"text after checksum", ":0400100001020304E2 ; note :00000001FF\n" + EOF_IN, ":0400080001020304EA\r\n" + EOF_OUT,
     END, 2, 8},
    // The end-of-file record: nothing after its type is read; it gets its own checksum.
    {"end record with count", ":02000001ZZ", ":02000001FD\r\n", END, 1, 8},
    {"end record halved", ":00001001EF\r\n", ":00000801F7\r\n", END, 1, 8},
    {"end record, no line end", ":00000001", ":00000001FF\r\n", END, 1, 8},
    {"after end record", EOF_IN + "garbage\n", EOF_OUT, END, 1, 8},
    // Failures: the output keeps what was written, then "FF\r\n".
    {"type 6", ":00000006FA\r\n", ":00000006FF\r\n", MALFORMED, 1, 8},
    {"type FF", ":000000FF01\r\n", ":000000FFFF\r\n", MALFORMED, 1, 8},
    {"wrong checksum",
     ":00000000"
     "00\n:0400100001020304E3\r\n",
     ":0000000000\r\n:0400080001020304FF\r\n", CHECKSUM, 2, 18},
    {"short data", ":03000000010200\r\n" + EOF_IN, ":03000000010200FF\r\n", MALFORMED, 1, 16},
    {"bad data byte",
     ":02000000\xC0"
     "012D\n",
     ":02000000FF\r\n", MALFORMED, 1, 10},
    {"bad count", ":G0000000\n", ":FF\r\n", MALFORMED, 1, 2},
    {"bad count, long line", ":G40010000102030405060708090A0B\r\n", ":FF\r\n", MALFORMED, 1, 2},
    {"bad address", ":0000x000\n", ":00FF\r\n", MALFORMED, 1, 4},
    {"no end record", ":0400100001020304E2\r\n", ":0400080001020304EA\r\nFF\r\n", 0, 2, 1},
    {"no line end at all", ":0400100001020304E2", ":0400080001020304EA\r\nFF\r\n", 0, 1, 20},
    {"text, then no line end", ":0400100001020304E2 and no line end after it", ":0400080001020304EA\r\nFF\r\n", 0, 1,
     45},
    {"CR-only line ends", ":0400100001020304E2\r:00000001FF\r", ":0400080001020304EA\r\nFF\r\n", 0, 1, 33},
    {"empty line", ":0400100001020304E2\n\n" + EOF_IN, ":0400080001020304EA\r\nFF\r\n", 0, 2, 1},
    {"blank before mark", " " + EOF_IN, "FF\r\n", 0, 1, 1},
    {"empty input", "", "FF\r\n", 0, 1, 1},
    {"only a mark", ":", ":FF\r\n", MALFORMED, 1, 2},
    {"input ends in a field", ":0", ":FF\r\n", MALFORMED, 1, 3},
    {"line end in a short field", ":\n", ":FF\r\n", MALFORMED, 2, 1},
    {"NUL bytes", std::string("\0\0", 2), "FF\r\n", 0, 1, 1},
};

TEST(ConvertHexFile, TableOverMemoryAndChunkedFiles) {
  for (const Case &c : CASES) {
    for (size_t chunk : {0, 1, 3, 7, 64}) {
      SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
      Result r = Convert(c.input, chunk);
      EXPECT_EQ(r.status, c.status);
      EXPECT_EQ(r.output, c.output);
      EXPECT_EQ(r.line, c.line);
      EXPECT_EQ(r.column, c.column);
    }
  }
}

// Far more records than any buffer holds: the line count and the output
// stay exact across refills and flushes.
TEST(ConvertHexFile, LongInputStreamsThroughTheBuffers) {
  std::string input, expected;
  const int records = 20000;
  for (int i = 0; i < records; i++) {
    input += ":0400100001020304E2\n";
    expected += ":0400080001020304EA\r\n";
  }
  Result r = Convert(input + ":01000000ZZ\n", 4093);
  EXPECT_EQ(r.status, MALFORMED);
  EXPECT_EQ(r.output, expected + ":01000000FF\r\n");
  EXPECT_EQ(r.line, static_cast<unsigned long long>(records) + 1);
  EXPECT_EQ(r.column, 10u);
}

// Records with room after them take the in-place path; one byte at a time
// takes the field-by-field path. Both must agree on every kind of record.
TEST(ConvertHexFile, InPlacePathAgreesWithFieldByField) {
  const std::string records[] = {
      ":10010000214601360121470136007EFE09D2190140\r\n",   // 16 data bytes
      ":100110002146017E17C20001FF5F16002148011928\n",     // LF only
      ":0400100001020304e2 ; comment\n",                   // lower case, text after the checksum
      ":0400100001020304E2\r:020000021000EC\n",            // CR only: the second record is skipped
      ":FF000000" + std::string(2 * 255, '0') + "01\r\n",  // 255 data bytes; 0xFF + 0x01 sums to zero
      ":0400100001020304E3\r\n",                           // wrong checksum
      ":04001000010203\xC0"
      "04E2\r\n",                 // a byte above 0x7F
      ":0400100001020G04E2\r\n",  // a bad digit
      ":00000006FA\r\n",          // type 6
      ":00001001EF\r\n",          // end of file
      ":0000000000\r\n\r\n",      // then an empty line
  };
  const std::string filler = ":100000000102030405060708090A0B0C0D0E0F1068\r\n";
  for (const std::string &record : records) {
    std::string input;
    for (int i = 0; i < 3; i++) input += filler;
    input += record;
    for (int i = 0; i < 3; i++) input += filler;
    input += EOF_IN;
    SCOPED_TRACE(record);
    Result fast = Convert(input), slow = Convert(input, 1);
    EXPECT_EQ(fast.status, slow.status);
    EXPECT_EQ(fast.output, slow.output);
    EXPECT_EQ(fast.line, slow.line);
    EXPECT_EQ(fast.column, slow.column);
  }
}

// Ends once, then would deliver more, as a terminal or a growing file can.
bool EndThenMore(void *handle, unsigned char *buffer, size_t, size_t *delivered) {
  buffer[0] = ':';
  *delivered = (*static_cast<int *>(handle))++ == 0 ? 0 : 1;
  return true;
}

// Claims more than it was asked for.
bool Overdeliver(void *, unsigned char *, size_t size, size_t *delivered) {
  *delivered = size + 1;
  return true;
}

TEST(HexInput, TheEndIsFinalAndABrokenSourceEnds) {
  static HexInput input;
  int calls = 0;
  unsigned char byte;
  OpenInputStream(&input, EndThenMore, &calls);
  EXPECT_EQ(ReadInput(&input, &byte, 1), 0u);
  EXPECT_EQ(ReadInput(&input, &byte, 1), 0u);
  EXPECT_EQ(calls, 1);
  OpenInputStream(&input, Overdeliver, nullptr);
  EXPECT_EQ(ReadInput(&input, &byte, 1), 0u);
  EXPECT_TRUE(input.ended);
}

bool FailAfterFirstWrite(void *handle, const unsigned char *, size_t) { return (*static_cast<int *>(handle))++ == 0; }

TEST(HexOutput, FailedOrOverflowingWritesAreRemembered) {
  static HexOutput output;
  int calls = 0;
  OpenOutputStream(&output, FailAfterFirstWrite, &calls);
  EXPECT_TRUE(FlushOutput(&output));  // nothing pending: nothing handed on
  EXPECT_EQ(calls, 0);
  std::string big(3 * HEX_STREAM_BUFFER_SIZE, 'x');
  WriteOutput(&output, big.data(), big.size());
  EXPECT_FALSE(FlushOutput(&output));
  EXPECT_EQ(calls, 2);  // nothing more is handed on after the failure

  char space[8];
  OpenMemoryOutput(&output, space, sizeof space);
  WriteOutput(&output, "12345678", 8);
  EXPECT_TRUE(FlushOutput(&output));
  WriteOutput(&output, "9", 1);
  EXPECT_FALSE(FlushOutput(&output));
  EXPECT_EQ(OutputPending(&output), 8u);
}

}  // namespace
