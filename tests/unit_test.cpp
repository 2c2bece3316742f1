// The field reader, the converter, output naming and the code page 1251
// texts against the tables in tests/data, records made up here, and the
// system's reasons.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include "convert/convert.h"
#include "convert/defined.h"
#include "convert/texts.h"
#include "frontend/naming.h"
#include "frontend/quote.h"
#include "frontend/say.h"
#include "platform/cp1251.h"
#include "platform/platform.h"
#include "tests/harness.h"

namespace {

// Before anything forces a path: the fastest that this CPU runs is chosen.
TEST(ConvertPath, TheBestIsChosen) {
  unsigned chosen = ActiveConvertPath(), best = CONVERT_PATH_COUNT;  // no such path: refused
  while (!ForceConvertPath(best)) best--;
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
    EXPECT_EQ(std::to_string(ok) + std::to_string(status) + std::to_string(row[1] == "2" ? byte : word),
              std::to_string(row[2] != "fail") + (ok ? "0" : "1") + std::to_string(value))
        << row[0];
    EXPECT_TRUE(!ok || memcmp(input.FieldText, row[0].data(), row[0].size()) == 0) << row[0];
  }
}

// Every case also after 5000 records, so across buffer refills, in pieces
// of 1 (or 4093), 3, 7 and 64 bytes, under every path; in 7-byte pieces the
// output goes in whole buffers, so a buffer ends inside a record.
TEST(ConvertHexFile, Table) {
  const std::string records = Unescape("{5000*:0400100001020304E2\\r\\n}");
  const std::string converted = Unescape("{5000*:0400080001020304EA\\r\\n}");
  for (const auto &row : Table("convert.txt")) {
    std::string status = row[3];  // its lines, 5000 on
    for (size_t at = status.find('@'); at != std::string::npos; at = status.find('@', at + 1)) {
      size_t digits = status.find_first_not_of("0123456789", at + 1);
      status.replace(at + 1, digits - at - 1, std::to_string(5000 + stoi(status.substr(at + 1))));
    }
    std::string after = status + " | " + converted + row[2] + " | " + std::to_string(5000 + stoi(row[4]));
    after += row[4].substr(row[4].find(':'));
    std::string input = records + row[1];
    for (unsigned path = 0; path < CONVERT_PATH_COUNT && ForceConvertPath(path); path++) {
      for (size_t chunk : {0, 1, 3, 7, 64}) {
        Source pieces = {row[1], 0, chunk, SIZE_MAX, 0}, later = {input, 0, chunk == 1 ? 4093 : chunk, SIZE_MAX, 0};
        EXPECT_EQ(Convert(row[1], path, chunk ? &pieces : nullptr), row[3] + " | " + row[2] + " | " + row[4]) << row[0];
        EXPECT_EQ(Convert(input, path, chunk ? &later : nullptr, Options("halve"), chunk == 7), after)
            << row[0] << ", path " << path;
      }
    }
  }
}

// In whole buffers the first is handed on while the failing record after
// 3169 good ones is written: the committed bytes kept back still go out.
TEST(ConvertHexFile, WholeBuffers) {
  const std::string input = Unescape("{3169*:0400100001020304E2\\r\\n}:0400100001020304E3\\r\\n");
  for (unsigned path = 0; path < CONVERT_PATH_COUNT && ForceConvertPath(path); path++) {
    EXPECT_EQ(Convert(input, path, nullptr, Options("halve"), true), Convert(input, 0)) << "path " << path;
  }
}

// The modes that kernels convert records in: halving, each exact direction,
// every word width, swapped and filled.
const char *const MODES[] = {"halve",        "full",         "bytes",           "bytes swap",
                             "full 24 swap", "full 32 swap", "bytes 40 swap",   "full 48 swap fill=00",
                             "full 56 swap", "full 64 swap", "bytes 64 fill=EE"};

// `record` twice, an end record and room to spare: every path must agree
// with field by field in the first `modes` MODES, and in halving a kernel take
// the first copy in place exactly when `inPlace`, by its quick route exactly
// when the count is within it.
void CheckPaths(const std::string &record, bool inPlace, size_t modes = sizeof MODES / sizeof MODES[0]) {
  std::string input = record + record + ":00000001FF\r\n" + std::string(600, '#');
  for (size_t mode = 0; mode < modes; mode++) {
    ConvertOptions options = Options(MODES[mode]);
    std::string expected = Convert(input, 0, nullptr, options);
    for (unsigned path = 1; path < CONVERT_PATH_COUNT; path++) {
      if (!ForceConvertPath(path)) continue;
      EXPECT_EQ(Convert(input, path, nullptr, options), expected) << record << ", path " << path << ", " << MODES[mode];
      if (options.direction != CONVERT_HALVE) continue;
      EXPECT_EQ(InPlace > 0, inPlace) << record << ", path " << path;
      EXPECT_EQ(Quick > 0, inPlace && std::stoi(record.substr(1, 2), nullptr, 16) <= CONVERT_PATHS[path].quickCount)
          << record;
    }
  }
}

TEST(ConvertHexFile, FastPathsOnTheRecordsTable) {
  for (const auto &row : Table("records.txt")) {
    CheckPaths(row[0], row[1] == "in place");
    CheckPaths(row[0] + "\n", row[1] == "in place");
  }
}

// A record of `count` data bytes that `seed` makes up (at address 0 when
// `atZero`, the start of a word of any size), its digits in mixed case; the
// character at `at` (none when 0) is `shown`, counted as if its value were `as`.
std::string MakeRecord(unsigned count, unsigned seed, bool atZero, size_t at = 0, char shown = 0, unsigned as = 0) {
  std::string text = ":";
  unsigned sum = 0;
  for (unsigned i = 0; i < 4 + count; i++) {
    seed = seed * 1103515245u + 12345u;
    unsigned byte = i == 0 ? count : i == 3 ? "\0\2\3\4\5"[seed % 5] : i < 3 && atZero ? 0 : seed >> 16 & 0xFF;
    unsigned nibbles[2] = {byte >> 4, byte & 15};
    for (int d = 0; d < 2; d++) {
      if (text.size() == at) nibbles[d] = as;
      text += text.size() == at ? shown : (seed >> (20 + d) & 1 ? "0123456789abcdef" : "0123456789ABCDEF")[nibbles[d]];
    }
    sum += nibbles[0] * 16 + nibbles[1];
  }
  return text + "0123456789ABCDEF"[(0 - sum) >> 4 & 15] + "0123456789ABCDEF"[(0 - sum) & 15];
}

// Every fast path takes whole valid records of every length whatever follows
// their checksum, and declines a record with a byte that is no digit, even
// one whose value, read as a digit's low nibble (or a letter's, plus 9),
// makes the sum right.
TEST(ConvertHexFile, FastPathsOnMadeUpRecords) {
  const char *ENDS[] = {"\r\n", "\n", "0\r\n", " ; note\n"};
  for (unsigned count = 0; count <= 60; count++) {
    for (unsigned seed = 0; seed < 16; seed++) CheckPaths(MakeRecord(count, seed, seed >= 8) + ENDS[seed % 4], true);
  }
  for (unsigned count : {0, 1, 2, 4, 7, 8, 16, 17, 18, 25, 26, 40}) {
    for (size_t at = 3; at < 9 + 2 * count; at++) {
      for (unsigned c = 0; c < 256; c++) {
        for (unsigned as : {c % 16, c % 16 + 9}) {
          if (HexDigitValue[c] == HEX_NOT_DIGIT)
            CheckPaths(MakeRecord(count, (unsigned)at, false, at, (char)c, as), false, 1);
        }
      }
    }
  }
}

// The conversion modes and the memories' files, each case from memory and
// in pieces of 1 to 17 bytes.
TEST(ConvertHex, Table) {
  auto rows = Table("modes.txt"), formats = Table("formats.txt");
  rows.insert(rows.end(), formats.begin(), formats.end());
  for (const auto &row : rows) {
    ConvertOptions mode = Options(row[1]);
    // What follows an end record is never read: room for every kernel.
    std::string roomy = row[2] + (row[4] == "END" ? std::string(600, '#') : ""), map;
    for (unsigned path = 0; path < CONVERT_PATH_COUNT && ForceConvertPath(path); path++) {
      for (unsigned seed = 0; seed < 4; seed++) {
        Source pieces = {roomy, 0, 0, SIZE_MAX, seed};
        Mapping = seed == 1;  // the map too, the same on every path
        EXPECT_EQ(Convert(roomy, path, seed ? &pieces : nullptr, mode), row[4] + " | " + row[3] + " | " + row[5])
            << row[0] << ", path " << path;
        if (Mapping && path == 0) map = MapText;
        EXPECT_TRUE(!Mapping || MapText == map) << row[0] << ", path " << path << ": " << MapText;
      }
    }
    Mapping = false;
  }
}

// The ranges a fill is checked against: joined where they touch or overlap,
// in any order; past their number, the two closest become one, so that a
// fill into their gap is refused, never one onto data unseen.
TEST(DefinedBytes, RangesJoinAndStayBounded) {
  static DefinedBytes defined;
  defined.count = 0;
  const unsigned long long RANGES[][2] = {{30, 39}, {10, 19}, {15, 35}, {0, 8}, {41, 41}};
  for (const auto &range : RANGES) DefineBytes(&defined, range[0], range[1]);
  EXPECT_EQ(defined.count, 3u);  // 0-8, 10-39, 41
  EXPECT_EQ(std::to_string(AnyDefined(&defined, 9, 9)) + std::to_string(AnyDefined(&defined, 20, 29)) +
                std::to_string(AnyDefined(&defined, 40, 40)) + std::to_string(AnyDefined(&defined, 41, 50)) +
                std::to_string(AnyDefined(&defined, 42, 1000)),
            "01010");
  defined.count = 0;
  for (unsigned long long i = 0; i < DEFINED_RANGES + 44; i++) DefineBytes(&defined, 100 + 10 * i, 104 + 10 * i);
  EXPECT_EQ(defined.count, (unsigned)DEFINED_RANGES);
  for (unsigned long long i = 0; i < DEFINED_RANGES + 44; i++) {
    EXPECT_TRUE(AnyDefined(&defined, 104 + 10 * i, 104 + 10 * i)) << i;
    EXPECT_EQ(AnyDefined(&defined, 105 + 10 * i, 109 + 10 * i), i < 44) << i;  // the first 45 became one
  }
  EXPECT_FALSE(AnyDefined(&defined, 0, 99));
}

// A message in UTF-8, as the page gathers one.
void PutUtf8(void *handle, const char *text, PieceKind kind) {
  char utf8[2048];
  if (kind == PIECE_TEXT) Cp1251ToUtf8(text, utf8, sizeof utf8);
  *static_cast<std::string *>(handle) += kind == PIECE_TEXT ? utf8 : text;
}

// Each kind of failure and warning in each language, from the catalogue the
// tag chooses: what it says, where and why.
TEST(Messages, Table) {
  for (const auto &row : Table("messages.txt")) {
    UseCatalogue(CatalogueFor(row[1].c_str()));
    static HexInput input;
    static HexOutput output;
    OpenMemoryInput(&input, row[3].data(), row[3].size());
    std::string out;
    OpenOutputStream(&output, Append, &out);
    ConvertOptions options = Options(row[2]);
    options.countAfterEnd = true;
    ConvertReport report;
    ConversionStatus status = ConvertHex(&input, &output, &options, &report);
    std::string said;
    const Sink sink = {PutUtf8, &said};
    Warning order[WARNING_COUNT];
    if (status == CONV_END_RECORD && OrderWarnings(&report, order) > 0) {
      SayWarning(&sink, "f.hex", &report, order[0], false);
    } else {
      SayStop(&sink, "f.hex", input.stopLine, input.stopColumn, OutcomeOf(status, &report, false, false, true),
              &report);
    }
    EXPECT_EQ(said, row[4]) << row[0] << ", " << row[1];
  }
  UseCatalogue(CATALOGUES[0]);
}

// Every catalogue has every text, with the arguments that the English one
// takes; a tag chooses by its language's code, English for any other.
TEST(Messages, Catalogues) {
  for (unsigned c = 0; c < CATALOGUE_COUNT; c++) {
    for (int id = 0; id < TEXT_COUNT; id++) {
      std::string text = CATALOGUES[c]->texts[id], english = CATALOGUES[0]->texts[id];
      for (const char *argument : {"%1", "%2", "%3"}) {
        EXPECT_EQ(text.find(argument) != std::string::npos, english.find(argument) != std::string::npos)
            << CATALOGUES[c]->language << " " << id;
      }
    }
  }
  const char *const TAGS[][2] = {{"ru", "ru"},      {"ru_RU.CP1251", "ru"}, {"ru-RU", "ru"},
                                 {"russian", "ru"}, {"en_GB", "en"},        {"C", "en"},
                                 {"", "en"},        {"de:ru", "en"}};
  for (const auto &tag : TAGS) EXPECT_STREQ(CatalogueFor(tag[0])->language, tag[1]) << tag[0];
}

// A write that fails is remembered: no later byte is handed on, and the
// flush says so, whatever the writes after it would have done.
TEST(OutputStream, AFailedWriteIsKept) {
  static HexOutput output;
  static int calls;
  OpenOutputStream(
      &output, [](void *, const unsigned char *, size_t) { return ++calls > 1; }, nullptr);
  for (int i = 0; i < 10000; i++) WriteOutput(&output, "0123456789ABCDEF\r\n", 18), CommitOutput(&output);
  EXPECT_FALSE(FlushOutput(&output));
  EXPECT_EQ(calls, 1);
}

TEST(MakeOutputPath, Table) {
  for (auto row : Table("naming.txt")) {
    // A character set's name, or the ranges themselves as "LEAD:TRAIL"; "posix" before it: no drives.
    SetPathDrives(row[0].compare(0, 6, "posix ") != 0);
    if (row[0].compare(0, 6, "posix ") == 0) row[0].erase(0, 6);
    unsigned char lead[PLATFORM_LEAD_BYTE_RANGES] = {}, trail[PLATFORM_TRAIL_BYTE_RANGES] = {};
    size_t colon = row[0].find(':');
    ByteRangesForCodeset(row[0].c_str(), lead, trail);
    if (colon != std::string::npos)
      row[0].copy((char *)lead, colon), row[0].copy((char *)trail, sizeof trail, colon + 1);
    SetByteRanges(lead, trail);
    static char drive[DRIVE_SIZE], directory[PLATFORM_DIRECTORY_SIZE];
    static char base[PLATFORM_COMPONENT_SIZE], extension[PLATFORM_COMPONENT_SIZE], output[PLATFORM_PATH_SIZE];
    for (char *buffer : {drive, base, extension, output}) memset(buffer, 'x', DRIVE_SIZE);  // what is left unset shows
    bool made = MakeOutputPath(row[1].c_str(), drive, directory, base, extension, output);
    EXPECT_EQ(std::string(made ? output : "refused") + "|" + base + "|" + extension + "|" + output[0],
              row[2] + "|" + row[3] + "|" + row[4] + "|" + (made ? row[2][0] : '\0'))
        << row[0] << " " << row[1];
  }
  SetPathDrives(true);
}

TEST(QuoteName, Table) {
  for (const auto &row : Table("quote.txt")) {
    char out[80];
    memset(out, 'x', sizeof out - 1), out[sizeof out - 1] = '\0';  // a byte written past the size shows
    size_t size = std::stoul(row[1]);
    bool whole = QuoteName(row[0].c_str(), out, size);
    EXPECT_EQ(out + std::string(whole ? " | whole" : " | cut") + out[size], row[2] + " | " + row[3] + "x") << row[0];
  }
}

TEST(Cp1251ToUtf8, Table) {
  for (const auto &row : Table("cp1251.txt")) {
    char utf8[64];
    EXPECT_EQ(std::to_string(Cp1251ToUtf8(row[0].c_str(), utf8, std::stoul(row[1]))) + utf8,
              std::to_string(row[2].size()) + row[2]);
  }
}

// A reason is the system's text for its error, the lowest one included; none
// for no error; ours for a path longer than the platform takes.
TEST(PlatformErrorText, Reasons) {
  const PlatformError CASES[][2] = {
      {0, 0}, {EPERM, EPERM}, {EACCES, EACCES}, {PLATFORM_ERROR_NAME_TOO_LONG, ENAMETOOLONG}};
  for (const auto &row : CASES) {
    char text[128];
    PlatformErrorText(row[0], text, sizeof text);
    EXPECT_STREQ(text, row[1] == 0 ? "" : strerror((int)row[1])) << row[0];
  }
}

}  // namespace
