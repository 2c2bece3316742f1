// wordhex-cli against hostile inputs: more than 4 GiB on one line, a million
// lines, NUL bytes, bytes of 0x80 and above in every place, nothing but
// record marks. Each ends with the right status and location, and the child
// runs in a 64 MiB address space (except under AddressSanitizer, whose shadow
// memory needs far more): constant memory, shown by behaviour.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/cli_child.h"

namespace {

const std::string RECORD = ":0400100001020304E2\r\n", RECORD_OUT = ":0400080001020304EA\r\n";
const std::string END = ":00000001FF\r\n";
const std::string GOOD = RECORD + END;
const std::string DAMAGED = ": HEX файл повреждён.\n";
const rlim_t SMALL_ADDRESS_SPACE = WORDHEX_ASAN ? RLIM_INFINITY : 64 << 20;

// Standard input as pieces, each sent so many times.
struct Feed {
  std::vector<std::pair<std::string, unsigned long long>> pieces;
  size_t index = 0;
  unsigned long long sent = 0;
  const std::string &operator()() {
    static const std::string NOTHING;
    while (index < pieces.size() && sent == pieces[index].second) index++, sent = 0;
    if (index == pieces.size()) return NOTHING;
    sent++;
    return pieces[index].first;
  }
};

std::string Repeat(const std::string &text, size_t times) {
  std::string all;
  all.reserve(text.size() * times);
  for (size_t i = 0; i < times; i++) all += text;
  return all;
}

ChildResult ConvertStream(Feed feed, int seconds = 60) {
  ChildSpec setup;
  setup.args = {"-o", "-", "-"};
  setup.feed = std::ref(feed);
  setup.captureStdout = true;
  setup.addressSpaceLimit = SMALL_ADDRESS_SPACE;
  setup.seconds = seconds;
  return RunChild(setup);
}

std::string Where(unsigned long long line, unsigned long long column) {
  return "wordhex-cli: -:" + std::to_string(line) + ":" + std::to_string(column);
}

// A valid record, then 4.5 GiB without a line end: the record converts, the
// skip to its line end runs out, and the column counts past 2^32.
TEST(Hostile, MoreThanFourGiBOnOneLine) {
  std::string filler(1 << 20, '\0');
  for (size_t i = 0; i < filler.size(); i++) filler[i] = (char)(i % 255 == '\n' ? ':' : i % 255);
  const unsigned long long pieces = 4608;  // 4.5 GiB
  const unsigned long long length = 19 + pieces * filler.size();
  static_assert(19 + 4608ull * (1 << 20) > (1ull << 32), "past 32 bits");
  ChildResult r = ConvertStream(Feed{{{RECORD.substr(0, 19), 1}, {filler, pieces}}}, 600);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.err, Where(1, length + 1) + DAMAGED);
  EXPECT_EQ(r.out, RECORD_OUT + "FF\r\n");
}

TEST(Hostile, LinesAndMarksByTheMillion) {
  const size_t MILLION = 1000000;
  const std::string records = Repeat(RECORD, MILLION / 100);
  struct {
    const char *name;
    Feed feed;
    std::string message;  // empty: converts
    unsigned long long outBytes;
  } cases[] = {
      {"a million empty lines", Feed{{{std::string(MILLION, '\n'), 1}}}, Where(1, 1) + DAMAGED, 4},
      {"a record, then a million empty lines", Feed{{{RECORD, 1}, {std::string(MILLION, '\n'), 1}, {END, 1}}},
       Where(2, 1) + DAMAGED, RECORD_OUT.size() + 4},
      {"a million marks", Feed{{{std::string(MILLION, ':'), 1}}}, Where(1, 2) + DAMAGED, 5},
      {"one mark", Feed{{{":", 1}}}, Where(1, 2) + DAMAGED, 5},
      {"two marks", Feed{{{"::", 1}}}, Where(1, 3) + DAMAGED, 5},
      {"a mark and a line end", Feed{{{":\n", 1}}}, Where(2, 1) + DAMAGED, 5},
      {"a million records, then a bad checksum", Feed{{{records, 100}, {":0400100001020304E3\r\n", 1}}},
       Where(MILLION + 1, 18) + ": Ошибка контрольной суммы.\n", MILLION * RECORD_OUT.size() + 17 + 4},
      {"a million records", Feed{{{records, 100}, {END, 1}}}, "", MILLION * RECORD_OUT.size() + END.size()},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    ChildResult r = ConvertStream(std::move(c.feed));
    EXPECT_EQ(r.exitStatus, c.message.empty() ? 0 : 1);
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.outBytes, c.outBytes);
  }
}

// NUL bytes where fields, marks and the rest of a line stand.
TEST(Hostile, NulBytes) {
  const std::string NUL2("\0\0", 2);
  struct {
    std::string input;
    std::string message;
  } cases[] = {
      {std::string(4096, '\0'), Where(1, 1) + DAMAGED},
      {":" + NUL2 + "00100001020304E2\r\n" + END, Where(1, 2) + DAMAGED},
      {":0400" + NUL2 + "0001020304E2\r\n" + END, Where(1, 4) + DAMAGED},
      {":04001000" + NUL2 + "020304E2\r\n" + END, Where(1, 10) + DAMAGED},
      {":0400100001020304" + NUL2 + "\r\n" + END, Where(1, 18) + DAMAGED},
      {RECORD + NUL2 + END, Where(2, 1) + DAMAGED},
      {":0400100001020304E2" + NUL2 + " trailing\r\n" + END, ""},  // the rest of a line is never looked at
      {END + NUL2, ""},
  };
  for (const auto &c : cases) {
    ChildResult r = ConvertStream(Feed{{{c.input, 1}}});
    EXPECT_EQ(r.exitStatus, c.message.empty() ? 0 : 1) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
}

// A byte of 0x80 or above in each place of a valid file stops the
// conversion at the field it falls in; in the rest of a line, or after the
// end record's type, it is never looked at.
TEST(Hostile, HighBytesEverywhere) {
  ASSERT_EQ(GOOD.size(), 34u);
  for (size_t p = 0; p < GOOD.size(); p++) {
    std::string input = GOOD;
    input[p] = (char)(0x80 + p * 37 % 128);
    size_t line = p < 21 ? 1 : 2, q = p < 21 ? p : p - 21;
    size_t column = q == 0 ? 1 : q < 3 ? 2 : q < 7 ? 4 : q < 9 ? 8 : q < 17 ? 10 + (q - 9) / 2 * 2 : 18;
    std::string message = Where(line, column) + DAMAGED;
    if (p == 19 || p >= 30) message = "";          // a line end, or past the end record's type
    if (p == 20) message = Where(2, 1) + DAMAGED;  // no LF: the skip swallows the end record
    ChildResult r = ConvertStream(Feed{{{input, 1}}});
    EXPECT_EQ(r.exitStatus, message.empty() ? 0 : 1) << p;
    EXPECT_EQ(r.err, message) << p;
  }
  std::string high(1 << 20, '\0');
  for (size_t i = 0; i < high.size(); i++) high[i] = (char)(0x80 + i % 128);
  for (const auto &c : {std::make_pair(high, Where(1, 1)), std::make_pair(":" + high, Where(1, 2))}) {
    ChildResult r = ConvertStream(Feed{{{c.first, 1}}});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, c.second + DAMAGED);
  }
}

}  // namespace
