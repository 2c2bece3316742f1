#include "platform/cp1251.h"

// 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order.
static const unsigned short HIGH_HALF[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

unsigned Cp1251CodePoint(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410u + (byte - 0xC0u);
  return HIGH_HALF[byte - 0x80];
}

size_t Cp1251ToUtf8(const char *text, char *target, size_t size, const char **rest) {
  size_t used = 0;
  for (; *text != '\0'; text++) {
    unsigned c = Cp1251CodePoint((unsigned char)*text);
    unsigned char bytes[3];
    size_t width;
    if (c < 0x80) {
      bytes[0] = (unsigned char)c;
      width = 1;
    } else if (c < 0x800) {
      bytes[0] = (unsigned char)(0xC0 | c >> 6);
      bytes[1] = (unsigned char)(0x80 | (c & 0x3F));
      width = 2;
    } else {
      bytes[0] = (unsigned char)(0xE0 | c >> 12);
      bytes[1] = (unsigned char)(0x80 | (c >> 6 & 0x3F));
      bytes[2] = (unsigned char)(0x80 | (c & 0x3F));
      width = 3;
    }
    if (used + width + 1 > size) break;
    for (size_t i = 0; i < width; i++) target[used++] = (char)bytes[i];
  }
  if (size > 0) target[used] = '\0';
  if (rest != nullptr) *rest = text;
  return used;
}
