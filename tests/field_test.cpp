#include "convert/field.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FieldCase {
  std::string text;
  bool ok;
  unsigned value;
};

class FieldTest : public ::testing::Test {
 protected:
  HexInput input;
  ConversionStatus status = 0;
};

TEST_F(FieldTest, TwoCharacterFields) {
  const FieldCase cases[] = {
      {"3A", true, 0x3A},
      {"3a", true, 0x3A},
      {"00", true, 0},
      {"fF", true, 255},
      {"0x", false, 0},
      {"+1", false, 0},
      {" 1", false, 0},
      {"3", false, 0},
      {"", false, 0},
      {"\xC0"
       "1",
       false, 0},
      {"1\xC0", false, 0},
      {"g0", false, 0},
      {std::string("\0"
                   "1",
                   2),
       false, 0},
  };
  for (const FieldCase &c : cases) {
    OpenMemoryInput(&input, c.text.data(), c.text.size());
    status = 0;
    unsigned char value = 0x5A;
    EXPECT_EQ(ReadHexByte(&input, &value, &status), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 0x5Au) << c.text;  // untouched on failure
    EXPECT_EQ(status, c.ok ? 0 : CONV_MALFORMED) << c.text;
    if (c.ok) {
      EXPECT_EQ(std::string(reinterpret_cast<char *>(input.FieldText), 2), c.text);  // case kept
    }
  }
}

TEST_F(FieldTest, FourCharacterFields) {
  const FieldCase cases[] = {
      {"FFFF", true, 65535}, {"0000", true, 0},  {"aBcD", true, 0xABCD}, {"12G4", false, 0},
      {"123", false, 0},     {"-123", false, 0}, {"12 4", false, 0},     {"123\x80", false, 0},
  };
  for (const FieldCase &c : cases) {
    OpenMemoryInput(&input, c.text.data(), c.text.size());
    status = 0;
    unsigned short value = 0x1234;
    EXPECT_EQ(ReadHexWord(&input, &value, &status), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 0x1234u) << c.text;
    EXPECT_EQ(status, c.ok ? 0 : CONV_MALFORMED) << c.text;
  }
}

TEST_F(FieldTest, OnlyTheSixteenDigitCharactersInEitherCaseAreDigits) {
  const std::string digits = "0123456789ABCDEFabcdef";
  for (unsigned b = 0; b < 256; b++) {
    char text[2] = {static_cast<char>(b), '0'};
    OpenMemoryInput(&input, text, 2);
    unsigned char value;
    bool isDigit = digits.find(static_cast<char>(b)) != std::string::npos;
    EXPECT_EQ(ReadHexByte(&input, &value, &status), isDigit) << b;
  }
}

TEST_F(FieldTest, FailedFieldStaysConsumedAndStatusAccumulates) {
  const char text[] = "0x12";
  OpenMemoryInput(&input, text, 4);
  status = CONV_MALFORMED;
  unsigned char value = 0;
  EXPECT_FALSE(ReadHexByte(&input, &value, &status));
  EXPECT_TRUE(ReadHexByte(&input, &value, &status));  // no push-back: the next field starts after "0x"
  EXPECT_EQ(value, 0x12);
  EXPECT_EQ(status, CONV_MALFORMED);
}

}  // namespace
