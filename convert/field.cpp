#include "convert/field.h"

#define X HEX_NOT_DIGIT
#define ROW16 X, X, X, X, X, X, X, X, X, X, X, X, X, X, X, X
// clang-format off
const unsigned char HexDigitValue[256] = {
  ROW16, ROW16, ROW16,
  0, 1, 2, 3, 4, 5, 6, 7, 8, 9, X, X, X, X, X, X,            // 0x30
  X, 10, 11, 12, 13, 14, 15, X, X, X, X, X, X, X, X, X,       // 0x40
  ROW16,                                                      // 0x50
  X, 10, 11, 12, 13, 14, 15, X, X, X, X, X, X, X, X, X,       // 0x60
  ROW16,                                                      // 0x70
  ROW16, ROW16, ROW16, ROW16, ROW16, ROW16, ROW16, ROW16,      // 0x80 and above
};
// clang-format on
#undef ROW16
#undef X
