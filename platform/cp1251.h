// Code page 1251 text for platforms that speak Unicode.
#ifndef WORDHEX_PLATFORM_CP1251_H
#define WORDHEX_PLATFORM_CP1251_H

#include <stddef.h>

// The Unicode code point of a code page 1251 byte.
unsigned Cp1251CodePoint(unsigned char byte);

// Converts NUL-terminated code page 1251 text to UTF-8 in `target` (`size`
// bytes, terminated); stops before a character that would not fit. Returns
// the number of bytes written, terminator excluded; *rest, when asked for,
// points to what was left unconverted, so that long text can go in pieces.
size_t Cp1251ToUtf8(const char *text, char *target, size_t size, const char **rest = nullptr);

#endif
