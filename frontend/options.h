// wordhex-cli's options as its parser and the page both take them.
#ifndef WORDHEX_FRONTEND_OPTIONS_H
#define WORDHEX_FRONTEND_OPTIONS_H

#include "convert/convert.h"
#include "frontend/say.h"

// --word-bits=N: a multiple of 8 from 16 to 64, in *wordBytes; false for
// anything else.
bool ParseWordBits(const char *text, unsigned *wordBytes);
// --fill=BYTE: 0x and one or two hexadecimal digits, or a number from 0 to
// 255; false for anything else.
bool ParseFill(const char *text, short *fill);
// What is said of a --fill that ParseFill refused: how to write a byte in
// hexadecimal when it looks like one (FF, not 0xFF), or what it takes.
TextId FillProblem(const char *text);
// --format=FORMAT: the name of an OutputFormatId.
bool ParseFormat(const char *text, unsigned *format);
// --base=ADDRESS and --depth=WORDS: 0x and hexadecimal digits, or decimal
// digits; an address below 4 Gi, a depth from 1 to 4 Gi.
bool ParseAddress(const char *text, unsigned long long *address);
bool ParseDepth(const char *text, unsigned long long *depth);
// --words-per-record=K: a number from 1 to 255.
bool ParseWordsPerRecord(const char *text, unsigned *words);

// What the options chose, as parsed.
struct OptionChoices {
  bool full, toBytes, swap;
  unsigned wordBytes;  // 2 unless --word-bits
  short fill;          // -1 unless --fill
  unsigned format;     // an OutputFormatId
  bool baseGiven, depthGiven;
  unsigned long long base, depth;
  unsigned wordsPerRecord;  // 0 unless --words-per-record
};
constexpr OptionChoices DEFAULT_CHOICES = {false, false, false, 2, -1, FORMAT_IHEX, false, false, 0, 0, 0};

// Options that cannot go together, or that need another.
enum OptionProblem {
  OPTIONS_AGREE,
  PROBLEM_FULL_AND_BYTES,    // --full-address and --to-bytes
  PROBLEM_FORMAT_TO_BYTES,   // a format of words and --to-bytes
  PROBLEM_FORMAT_NEEDS,      // a format without the --depth or --fill it needs
  PROBLEM_BASE_NOT_WORD,     // a base that does not start a word
  PROBLEM_RECORDS_HALVED,    // --words-per-record in the default mode
  PROBLEM_RECORDS_FORMAT,    // --words-per-record with a format of words
  PROBLEM_RECORDS_TOO_MANY,  // more than 255 bytes a record
};

// The conversion that the choices make: halving, unless whole addresses are
// asked for (`full`) or needed, for any word but the interactive program's,
// its bytes rearranged, a memory's base or depth, or a format of words;
// `toBytes` the other way. countAfterEnd is set: every face but the
// interactive program warns of those records. OPTIONS_AGREE, or what is
// wrong with them.
OptionProblem ChooseOptions(const OptionChoices *choices, ConvertOptions *options);
// The usage error's text for `problem`, and its four arguments.
TextId DescribeOptionProblem(OptionProblem problem, const OptionChoices *choices, Argument arguments[4]);

// The suffix of an output named beside its input: "_I16.hex", "_I<N>.hex"
// for other words, "_I8.hex" back to bytes, with the format's extension.
void OutputSuffix(const ConvertOptions *options, char suffix[16]);

#endif
