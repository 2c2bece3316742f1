#include "convert/outcome.h"

Outcome OutcomeOf(ConversionStatus status, const ConvertReport *report, bool readFailed, bool writeFailed,
                  bool placed) {
  if (status == CONV_END_RECORD)
    return writeFailed ? OUTCOME_WRITE_FAILED : placed ? OUTCOME_CONVERTED : OUTCOME_NOT_PLACED;
  // A read that fails ends the input: that, not a damaged file, is why.
  if (readFailed) return OUTCOME_READ_FAILED;
  switch (status) {
    case CONV_BAD_CHECKSUM:
      return OUTCOME_BAD_CHECKSUM;
    case CONV_MISALIGNED:
      return OUTCOME_MISALIGNED;
    case CONV_PARTIAL_WORD:
      return OUTCOME_PARTIAL_WORD;
    case CONV_BAD_LENGTH:
      return OUTCOME_BAD_LENGTH;
    case CONV_OUT_OF_RANGE:
      return report->outsideMemory ? OUTCOME_OUTSIDE_MEMORY : OUTCOME_OUT_OF_RANGE;
    case CONV_UNORDERED:
      return OUTCOME_UNORDERED;
  }
  return OUTCOME_DAMAGED;
}

TextId OutcomeText(Outcome outcome) {
  static const TextId TEXTS[] = {TEXT_COUNT,        TEXT_DAMAGED,     TEXT_BAD_CHECKSUM, TEXT_MISALIGNED,
                                 TEXT_PARTIAL_WORD, TEXT_BAD_LENGTH,  TEXT_OUT_OF_RANGE, TEXT_OUTSIDE_MEMORY,
                                 TEXT_UNORDERED,    TEXT_READ_FAILED, TEXT_WRITE_FAILED, TEXT_CANNOT_CREATE};
  return TEXTS[outcome];
}

unsigned long long WarningLine(const ConvertReport *report, Warning warning) {
  const unsigned long long LINES[WARNING_COUNT] = {report->segmentLine, report->wrapLine, report->linearLine,
                                                   report->startLine,   report->oddLine,  report->afterEndLine};
  return LINES[warning];
}

bool Warned(const ConvertReport *report) {
  int warning = 0;
  while (warning < WARNING_COUNT && WarningLine(report, (Warning)warning) == 0) warning++;
  return warning < WARNING_COUNT;
}

TextId WarningText(Warning warning) {
  static const TextId TEXTS[WARNING_COUNT] = {TEXT_WARN_SEGMENT, TEXT_WARN_WRAP, TEXT_WARN_LINEAR,
                                              TEXT_WARN_START,   TEXT_WARN_ODD,  TEXT_WARN_AFTER_END};
  return TEXTS[warning];
}

int OrderWarnings(const ConvertReport *report, Warning order[WARNING_COUNT]) {
  int count = 0;
  for (int warning = 0; warning < WARNING_COUNT; warning++) {
    unsigned long long line = WarningLine(report, (Warning)warning);
    if (line == 0) continue;
    // An insertion into the lines so far; one line's warnings keep their order.
    int at = count++;
    for (; at > 0 && WarningLine(report, order[at - 1]) > line; at--) order[at] = order[at - 1];
    order[at] = (Warning)warning;
  }
  return count;
}

char *FormatDecimal(char *text, unsigned long long value) {
  char digits[20];
  int count = 0;
  do digits[count++] = (char)('0' + value % 10);
  while ((value /= 10) != 0);
  while (count > 0) *text++ = digits[--count];
  *text = '\0';
  return text;
}
