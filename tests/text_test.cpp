#include <gtest/gtest.h>

#include <string>

#include "frontend/messages.h"
#include "platform/cp1251.h"
#include "platform/platform.h"

namespace {

std::string Utf8(const char *cp1251, size_t size = 256) {
  char buffer[256];
  size_t n = Cp1251ToUtf8(cp1251, buffer, size);
  EXPECT_EQ(n, strlen(buffer));
  return buffer;
}

TEST(Cp1251, MessagesReadAsRussian) {
  EXPECT_EQ(Utf8(TEXT_CAPTION), "Ошибка!");
  EXPECT_EQ(Utf8(TEXT_NOT_FOUND), "Не найден файл ");
  EXPECT_EQ(Utf8(TEXT_BAD_CHECKSUM), "Ошибка контрольной суммы.");
  EXPECT_EQ(Utf8(TEXT_DAMAGED), "HEX файл повреждён.");
  EXPECT_EQ(Utf8(TEXT_CANNOT_CREATE), "Не удалось создать файл ");
  EXPECT_EQ(Utf8(TEXT_WRITE_FAILED), "Ошибка записи файла ");
  EXPECT_EQ(Utf8("\x80\x88\xB9\xA8\xFF"), "Ђ€№Ёя");
  // A character that does not fit whole is left out.
  EXPECT_EQ(Utf8("ab\xC0", 4), "ab");
  EXPECT_EQ(Utf8("ab\xC0", 5), "abА");
  char buffer[4];
  const char *rest = nullptr;
  const char *text = "ab\xC0";
  Cp1251ToUtf8(text, buffer, sizeof buffer, &rest);
  EXPECT_EQ(rest, text + 2);  // the rest goes in the next piece
}

#ifndef _WIN32
TEST(LeadByteRangesForCodeset, DoubleByteSetsOnly) {
  struct {
    const char *codeset;
    unsigned char ranges[4];
  } cases[] = {
      {"SHIFT_JIS", {0x81, 0x9F, 0xE0, 0xFC}},
      {"sjis", {0x81, 0x9F, 0xE0, 0xFC}},
      {"GBK", {0x81, 0xFE}},
      {"BIG5", {0x81, 0xFE}},
      {"EUC-KR", {0xA1, 0xFE}},
      {"UTF-8", {}},
      {"CP1251", {}},
      {"ANSI_X3.4-1968", {}},
      {nullptr, {}},
  };
  for (const auto &c : cases) {
    unsigned char ranges[PLATFORM_LEAD_BYTE_RANGES];
    memset(ranges, 0xAA, sizeof ranges);
    LeadByteRangesForCodeset(c.codeset, ranges);
    EXPECT_EQ(0, memcmp(ranges, c.ranges, 4)) << (c.codeset ? c.codeset : "null");
    EXPECT_EQ(ranges[4], 0);
    EXPECT_EQ(ranges[5], 0);
  }
}
#endif

}  // namespace
