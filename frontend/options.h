// wordhex-cli's options as its parser and the page both take them.
#ifndef WORDHEX_FRONTEND_OPTIONS_H
#define WORDHEX_FRONTEND_OPTIONS_H

#include "convert/convert.h"

// --word-bits=N: a multiple of 8 from 16 to 64, in *wordBytes; false for
// anything else.
bool ParseWordBits(const char *text, unsigned *wordBytes);
// --fill=BYTE: 0x and one or two hexadecimal digits, or a number from 0 to
// 255; false for anything else.
bool ParseFill(const char *text, short *fill);
// The conversion that the options choose: halving, unless whole addresses
// are asked for (`full`) or needed, for any word but the interactive
// program's or its bytes rearranged; `toBytes` the other way. countAfterEnd
// is set: every face but the interactive program warns of those records.
ConvertOptions ChooseOptions(bool full, bool toBytes, unsigned wordBytes, bool swap, short fill);
// The suffix of an output named beside its input: "_I16.hex", "_I<N>.hex"
// for other words, "_I8.hex" back to bytes.
void OutputSuffix(const ConvertOptions *options, char suffix[16]);

#endif
