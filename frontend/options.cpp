#include "frontend/options.h"

#include <stdlib.h>
#include <string.h>

#include "convert/outcome.h"

bool ParseWordBits(const char *text, unsigned *wordBytes) {
  char *end;
  long bits = strtol(text, &end, 10);
  if (end == text || *end != '\0' || text[0] < '0' || text[0] > '9' || bits < 16 || bits > 64 || bits % 8 != 0) {
    return false;
  }
  *wordBytes = (unsigned)bits / 8;
  return true;
}

bool ParseFill(const char *text, short *fill) {
  bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char *digits = hex ? text + 2 : text;
  size_t length = strlen(digits);
  if (length == 0 || length > (hex ? 2u : 3u)) return false;
  unsigned value = 0;
  for (size_t i = 0; i < length; i++) {
    unsigned digit = HexDigitValue[(unsigned char)digits[i]];
    if (digit > (hex ? 15u : 9u)) return false;
    value = value * (hex ? 16 : 10) + digit;
  }
  *fill = (short)value;
  return value <= 255;
}

ConvertOptions ChooseOptions(bool full, bool toBytes, unsigned wordBytes, bool swap, short fill) {
  bool exact = full || wordBytes != 2 || swap || fill >= 0;
  ConvertOptions options = ConvertOptionsFor(toBytes ? CONVERT_TO_BYTES
                                             : exact ? CONVERT_TO_WORDS
                                                     : CONVERT_HALVE,
                                             wordBytes);
  options.swap = swap;
  options.fill = fill;
  options.countAfterEnd = true;
  return options;
}

void OutputSuffix(const ConvertOptions *options, char suffix[16]) {
  strcpy(suffix, "_I");
  strcpy(FormatDecimal(suffix + 2, options->direction == CONVERT_TO_BYTES ? 8 : 8 * options->wordBytes), ".hex");
}
