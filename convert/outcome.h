// What a conversion's outcome tells the user: the one mapping from outcome to
// the catalogue's texts, for the interactive programs, wordhex-cli and the
// page alike.
#ifndef WORDHEX_CONVERT_OUTCOME_H
#define WORDHEX_CONVERT_OUTCOME_H

#include <stddef.h>

#include "convert/convert.h"
#include "convert/texts.h"

enum Outcome {
  OUTCOME_CONVERTED,
  // Where the conversion stopped, then the text: FILE:LINE:COLUMN: TEXT.
  OUTCOME_DAMAGED,       // and why
  OUTCOME_BAD_CHECKSUM,  // and the checksum as read and as it should be
  OUTCOME_MISALIGNED,
  OUTCOME_PARTIAL_WORD,  // and why, for a fill that would land on data
  OUTCOME_BAD_LENGTH,
  OUTCOME_OUT_OF_RANGE,
  OUTCOME_OUTSIDE_MEMORY,
  OUTCOME_UNORDERED,
  // The text, then a file's name: TEXT NAME!
  OUTCOME_READ_FAILED,   // the input's
  OUTCOME_WRITE_FAILED,  // the output's
  OUTCOME_NOT_PLACED,    // the output's: converted whole, but it could not take its name
};

// The outcome of a conversion that ended with `status`, its input read and
// its output written without failing or not; `placed`: the output took its
// name (or needed none).
Outcome OutcomeOf(ConversionStatus status, const ConvertReport *report, bool readFailed, bool writeFailed, bool placed);
// Its text; TEXT_COUNT for OUTCOME_CONVERTED.
TextId OutcomeText(Outcome outcome);

// What wordhex-cli and the page warn of, each at the line of its first
// record, and what --strict fails a file for.
enum Warning { WARN_SEGMENT, WARN_WRAP, WARN_LINEAR, WARN_START, WARN_ODD, WARN_AFTER_END, WARNING_COUNT };
// Whether `report` gives cause for any warning.
bool Warned(const ConvertReport *report);
// The line of the record that gives cause for `warning`, 0 for none.
unsigned long long WarningLine(const ConvertReport *report, Warning warning);
// Its text, whose %1 is the records not converted for WARN_AFTER_END.
TextId WarningText(Warning warning);
// The warnings that `report` gives cause for into `order`, in the order of
// their lines, as a compiler gives them; returns how many.
int OrderWarnings(const ConvertReport *report, Warning order[WARNING_COUNT]);

// Writes `value` in decimal at `text` (room for 21 bytes), terminated;
// returns the end.
char *FormatDecimal(char *text, unsigned long long value);

#endif
