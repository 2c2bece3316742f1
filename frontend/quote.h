// File names in one-line messages.
#ifndef WORDHEX_FRONTEND_QUOTE_H
#define WORDHEX_FRONTEND_QUOTE_H

#include <stddef.h>

// Writes `name` into `out` (`size` bytes, terminated when size > 0) so that
// it takes one line: as it is without a control character (0x01 to 0x1F,
// 0x7F); else quoted for the shell as GNU tools quote names in messages,
// plain runs in '...', control characters in $'...' (\n, \t and the like, or
// three octal digits), a quote as \' between the two:
// a<LF>b becomes 'a'$'\n''b'. Bytes from 0x80 pass as they are: names stay
// in their own encoding. Returns false when it had to be cut, which happens
// only between two of those pieces.
bool QuoteName(const char *name, char *out, size_t size);

#endif
