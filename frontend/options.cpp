#include "frontend/options.h"

#include <stdlib.h>
#include <string.h>

#include "convert/format.h"
#include "convert/hex.h"
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

// 0x and up to `hexDigits` hexadecimal digits, or up to `decimalDigits`
// decimal ones, no higher than `most`.
static bool ParseNumber(const char *text, unsigned hexDigits, unsigned decimalDigits, unsigned long long most,
                        unsigned long long *number) {
  bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char *digits = hex ? text + 2 : text;
  size_t length = strlen(digits);
  if (length == 0 || length > (hex ? hexDigits : decimalDigits)) return false;
  unsigned long long value = 0;
  for (size_t i = 0; i < length; i++) {
    unsigned digit = HexDigitValue[(unsigned char)digits[i]];
    if (digit > (hex ? 15u : 9u)) return false;
    value = value * (hex ? 16 : 10) + digit;
  }
  *number = value;
  return value <= most;
}

bool ParseFill(const char *text, short *fill) {
  unsigned long long value;
  if (!ParseNumber(text, 2, 3, 255, &value)) return false;
  *fill = (short)value;
  return true;
}

TextId FillProblem(const char *text) {
  size_t length = strlen(text), digits = 0;
  while (digits < length && HexDigitValue[(unsigned char)text[digits]] != HEX_NOT_DIGIT) digits++;
  return length > 0 && length <= 2 && digits == length ? TEXT_BAD_FILL_HEX : TEXT_BAD_FILL;
}

bool ParseFormat(const char *text, unsigned *format) {
  *format = FindOutputFormat(text);
  return *format < FORMAT_COUNT;
}

bool ParseAddress(const char *text, unsigned long long *address) {
  return ParseNumber(text, 8, 10, 0xFFFFFFFF, address);
}

bool ParseDepth(const char *text, unsigned long long *depth) {
  return ParseNumber(text, 9, 10, 0x100000000, depth) && *depth != 0;
}

bool ParseWordsPerRecord(const char *text, unsigned *words) {
  unsigned long long value;
  if (!ParseNumber(text, 0, 3, 255, &value) || value == 0) return false;
  *words = (unsigned)value;
  return true;
}

OptionProblem ChooseOptions(const OptionChoices *choices, ConvertOptions *options) {
  const OptionChoices *o = choices;
  unsigned needs = OUTPUT_FORMATS[o->format]->needs;
  bool exact = o->full || o->wordBytes != 2 || o->swap || o->fill >= 0 || o->baseGiven || o->depthGiven ||
               o->format != FORMAT_IHEX;
  if (o->full && o->toBytes) return PROBLEM_FULL_AND_BYTES;
  if (o->format != FORMAT_IHEX && o->toBytes) return PROBLEM_FORMAT_TO_BYTES;
  if (((needs & FORMAT_NEEDS_DEPTH) != 0 && !o->depthGiven) || ((needs & FORMAT_NEEDS_FILL) != 0 && o->fill < 0)) {
    return PROBLEM_FORMAT_NEEDS;
  }
  if (o->base % o->wordBytes != 0) return PROBLEM_BASE_NOT_WORD;
  if (o->wordsPerRecord != 0 && !exact && !o->toBytes) return PROBLEM_RECORDS_HALVED;
  if (o->wordsPerRecord != 0 && o->format != FORMAT_IHEX) return PROBLEM_RECORDS_FORMAT;
  if (o->wordsPerRecord * o->wordBytes > 255) return PROBLEM_RECORDS_TOO_MANY;
  *options = ConvertOptionsFor(o->toBytes ? CONVERT_TO_BYTES : exact ? CONVERT_TO_WORDS : CONVERT_HALVE, o->wordBytes);
  options->swap = o->swap;
  options->fill = o->fill;
  options->countAfterEnd = true;
  options->format = (unsigned char)o->format;
  options->wordsPerRecord = (unsigned char)o->wordsPerRecord;
  options->base = o->base;
  options->depth = o->depth;
  return OPTIONS_AGREE;
}

TextId DescribeOptionProblem(OptionProblem problem, const OptionChoices *choices, Argument arguments[4]) {
  static char bytes[24], most[24], base[24];
  FormatDecimal(bytes, choices->wordBytes);
  FormatDecimal(most, 255 / choices->wordBytes);
  strcpy(base, "0x");
  *PutHex(reinterpret_cast<unsigned char *>(base) + 2, choices->base, HexDigits(choices->base)) = '\0';
  const OutputFormat *format = OUTPUT_FORMATS[choices->format];
  // The texts take their arguments in this order, each the ones it needs.
  const TextId TEXTS[] = {
      TEXT_COUNT,           TEXT_FULL_AND_BYTES,
      TEXT_FORMAT_TO_BYTES, (format->needs & FORMAT_NEEDS_FILL) != 0 ? TEXT_FORMAT_NEEDS_BOTH : TEXT_FORMAT_NEEDS_DEPTH,
      TEXT_BASE_NOT_WORD,   TEXT_RECORDS_HALVED,
      TEXT_RECORDS_FORMAT,  TEXT_RECORDS_TOO_MANY};
  bool byWord = problem == PROBLEM_BASE_NOT_WORD || problem == PROBLEM_RECORDS_TOO_MANY;
  arguments[0] = Argument{byWord ? (problem == PROBLEM_BASE_NOT_WORD ? bytes : most) : format->name, PIECE_TEXT};
  arguments[1] = Argument{problem == PROBLEM_BASE_NOT_WORD ? base : bytes, PIECE_TEXT};
  arguments[2] = arguments[3] = Argument{"", PIECE_TEXT};
  return TEXTS[problem];
}

void OutputSuffix(const ConvertOptions *options, char suffix[16]) {
  strcpy(suffix, "_I");
  strcpy(FormatDecimal(suffix + 2, options->direction == CONVERT_TO_BYTES ? 8 : 8 * options->wordBytes),
         OUTPUT_FORMATS[options->format]->extension);
}
