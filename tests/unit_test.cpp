// The field reader, the converter, output naming and the code page 1251
// texts against the tables in tests/data.
#include <gtest/gtest.h>
#include <string.h>

#include "convert/convert.h"
#include "frontend/naming.h"
#include "platform/cp1251.h"
#include "tests/table.h"

namespace {

// Before anything forces a path: the fastest that this CPU runs is chosen.
TEST(ConvertPath, TheBestIsChosen) {
  ConvertPath chosen = ActiveConvertPath();
  int best = CONVERT_PATH_COUNT - 1;
  while (!ForceConvertPath((ConvertPath)best)) best--;
  EXPECT_EQ(chosen, best);
}

TEST(ReadHexField, Table) {
  for (const auto &row : Table("fields.txt")) {
    static HexInput input;
    OpenMemoryInput(&input, row[0].data(), row[0].size());
    ConversionStatus status = 0;
    unsigned short word = 0xBEEF;
    unsigned char byte = 0xEE;
    bool ok = row[1] == "2" ? ReadHexByte(&input, &byte, &status) : ReadHexWord(&input, &word, &status);
    unsigned long value = ok ? strtoul(row[2].c_str(), nullptr, 16) : row[1] == "2" ? 0xEE : 0xBEEF;
    EXPECT_EQ(ok, row[2] != "fail") << row[0];
    EXPECT_EQ(status, ok ? 0 : CONV_MALFORMED) << row[0];
    EXPECT_EQ(row[1] == "2" ? byte : word, value) << row[0];
    EXPECT_TRUE(!ok || memcmp(input.FieldText, row[0].data(), row[0].size()) == 0) << row[0];
  }
}

// Serves at most `chunk` bytes per read, to cross buffer edges everywhere.
struct Source {
  const std::string *data;
  size_t position, chunk;
};

bool ReadChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  Source *s = static_cast<Source *>(handle);
  *delivered = std::min({size, s->chunk, s->data->size() - s->position});
  memcpy(buffer, s->data->data() + s->position, *delivered);
  s->position += *delivered;
  return true;
}

bool Append(void *handle, const unsigned char *data, size_t size) {
  static_cast<std::string *>(handle)->append((const char *)data, size);
  return true;
}

unsigned long long InPlace;  // records the last conversion took in place

// Status, output and "line:column" where it stopped; chunk 0: from memory.
std::string Convert(const std::string &text, size_t chunk, ConvertPath path) {
  static HexInput input;
  static HexOutput output;
  Source source = {&text, 0, chunk};
  if (chunk == 0)
    OpenMemoryInput(&input, text.data(), text.size());
  else
    OpenInputStream(&input, ReadChunk, &source);
  std::string out;
  OpenOutputStream(&output, Append, &out);
  memset(output.buffer, '?', 2048);  // what a path leaves unwritten shows
  EXPECT_TRUE(ForceConvertPath(path));
  const char *status[] = {"0", "MALFORMED", "END", "", "CHECKSUM"};
  std::string result = status[ConvertHexFile(&input, &output)];
  EXPECT_TRUE(FlushOutput(&output));
  InPlace = input.inPlace;
  return result + " | " + out + " | " + std::to_string(input.stopLine) + ":" + std::to_string(input.stopColumn);
}

std::vector<ConvertPath> Paths() {
  std::vector<ConvertPath> paths;
  for (int p = 0; p < CONVERT_PATH_COUNT; p++) {
    if (ForceConvertPath((ConvertPath)p)) paths.push_back((ConvertPath)p);
  }
  return paths;
}

// Every case also after 5000 records, so across buffer refills, in pieces
// of 1 (or 4093), 3, 7 and 64 bytes, under every path.
TEST(ConvertHexFile, Table) {
  const std::string records = Unescape("{5000*:0400100001020304E2\\r\\n}");
  const std::string converted = Unescape("{5000*:0400080001020304EA\\r\\n}");
  for (const auto &row : Table("convert.txt")) {
    std::string expected = row[3] + " | " + row[2] + " | " + row[4];
    std::string later = row[3] + " | " + converted + row[2] + " | " + std::to_string(5000 + stoi(row[4]));
    later += row[4].substr(row[4].find(':'));
    for (ConvertPath path : Paths()) {
      for (size_t chunk : {0, 1, 3, 7, 64}) {
        EXPECT_EQ(Convert(row[1], chunk, path), expected) << row[0] << ", path " << path << ", chunk " << chunk;
        EXPECT_EQ(Convert(records + row[1], chunk == 1 ? 4093 : chunk, path), later) << row[0] << ", path " << path;
      }
    }
  }
}

// A record of `count` data bytes that `seed` makes up, its digits in mixed
// case; the character at `at` (none when 0) is `shown`, counted as if its
// value were `as`.
std::string MakeRecord(unsigned count, unsigned seed, size_t at = 0, char shown = 0, unsigned as = 0) {
  std::string text = ":";
  unsigned sum = 0;
  for (unsigned i = 0; i < 4 + count; i++) {
    seed = seed * 1103515245u + 12345u;
    unsigned byte = i == 0 ? count : i == 3 ? "\0\2\3\4\5"[seed % 5] : seed >> 16 & 0xFF;
    unsigned nibbles[2] = {byte >> 4, byte & 15};
    for (int d = 0; d < 2; d++) {
      if (text.size() == at) nibbles[d] = as;
      text += text.size() == at ? shown : (seed >> (20 + d) & 1 ? "0123456789abcdef" : "0123456789ABCDEF")[nibbles[d]];
    }
    sum += nibbles[0] * 16 + nibbles[1];
  }
  return text + "0123456789ABCDEF"[(0 - sum) >> 4 & 15] + "0123456789ABCDEF"[(0 - sum) & 15];
}

// Every fast path takes whole valid records of every length, in mixed case,
// whatever follows their checksum, and converts them as field by field does;
// and declines a record with a byte that is no digit, even one whose value,
// read as a digit's low nibble (or a letter's, plus 9), makes the sum right.
TEST(ConvertHexFile, FastPathsTakeValidRecordsOnly) {
  const char *ENDS[] = {"\r\n", "\n", "0\r\n", " ; note\n"};
  for (unsigned count = 0; count <= 60; count++) {
    for (unsigned seed = 0; seed < 8; seed++) {
      std::string record = MakeRecord(count, seed) + ENDS[seed % 4];
      std::string input = record + record + ":00000001FF\r\n" + std::string(600, '#');
      std::string expected = Convert(input, 0, CONVERT_PATH_FIELDS);
      for (ConvertPath path : Paths()) {
        EXPECT_EQ(Convert(input, 0, path), expected) << record << " under path " << path;
        EXPECT_EQ(InPlace > 0, path != CONVERT_PATH_FIELDS) << record << " under path " << path;
      }
    }
  }
  for (unsigned count : {0, 1, 2, 4, 7, 8, 16, 17, 18, 25, 26, 40}) {
    for (size_t at = 3; at < 9 + 2 * count; at++) {
      for (unsigned c = 0; c < 256; c++) {
        for (unsigned as : {c & 15, (c & 15) + 9}) {
          if (HexDigitValue[c] != HEX_NOT_DIGIT) continue;
          std::string record = MakeRecord(count, (unsigned)at, at, (char)c, as) + "\r\n";
          std::string input = record + record + ":00000001FF\r\n" + std::string(600, '#');
          for (ConvertPath path : Paths()) {
            Convert(input, 0, path);
            EXPECT_EQ(InPlace, 0u) << record << " under path " << path;
          }
        }
      }
    }
  }
}

// The fast paths convert only what the field-by-field path would, take
// every whole valid ordinary record with room after it, and leave everything
// else to the field-by-field path.
TEST(ConvertHexFile, EveryPathAgrees) {
  for (const auto &row : Table("records.txt")) {
    for (const char *between : {"", "\n"}) {
      std::string input = row[0] + row[0] + between + ":00000001FF\r\n" + std::string(600, '#');
      for (ConvertPath path : Paths()) {
        std::string result = Convert(input, 0, path);
        EXPECT_EQ(InPlace > 0, path != CONVERT_PATH_FIELDS && row[1] == "in place") << row[0] << ", path " << path;
        EXPECT_EQ(result, Convert(input, 0, CONVERT_PATH_FIELDS)) << row[0] << ", path " << path;
      }
    }
  }
}

TEST(MakeOutputPath, Table) {
  for (const auto &row : Table("naming.txt")) {
    unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES];
    LeadByteRangesForCodeset(row[0].c_str(), ranges);
    SetLeadByteRanges(ranges);
    static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
    static char base[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE], output[PLATFORM_PATH_SIZE];
    for (char *buffer : {drive, base, extension, output}) memset(buffer, 'x', 4);  // what is left unset shows
    bool made = MakeOutputPath(row[1].c_str(), drive, directory, base, extension, output);
    EXPECT_EQ(std::string(made ? output : "refused") + "|" + base + "|" + extension + "|" + output[0],
              row[2] + "|" + row[3] + "|" + row[4] + "|" + (made ? row[2][0] : '\0'))
        << row[0] << " " << row[1];
  }
}

TEST(Cp1251ToUtf8, Table) {
  for (const auto &row : Table("cp1251.txt")) {
    char utf8[64];
    EXPECT_EQ(Cp1251ToUtf8(row[0].c_str(), utf8, std::stoul(row[1])), row[2].size());
    EXPECT_EQ(utf8, row[2]);
  }
}

}  // namespace
