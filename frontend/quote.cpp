#include "frontend/quote.h"

#include <string.h>

static bool IsControl(unsigned char c) { return (c >= 0x01 && c <= 0x1F) || c == 0x7F; }

// Appends `piece` (`length` bytes) and a terminator; false, adding nothing,
// when they do not fit.
static bool Append(char *out, size_t size, size_t *used, const char *piece, size_t length) {
  if (*used + length + 1 > size) return false;
  memcpy(out + *used, piece, length);
  *used += length;
  out[*used] = '\0';
  return true;
}

bool QuoteName(const char *name, char *out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  size_t used = 0;
  bool quoted = false;
  for (const char *p = name; *p != '\0'; p++) quoted |= IsControl((unsigned char)*p);
  if (!quoted) {
    for (const char *p = name; *p != '\0'; p++) {
      if (!Append(out, size, &used, p, 1)) return false;
    }
    return true;
  }
  // Inside $'...' after a control character, else inside '...'.
  bool escaping = false;
  if (!Append(out, size, &used, "'", 1)) return false;
  for (const char *p = name; *p != '\0'; p++) {
    unsigned char c = (unsigned char)*p;
    char piece[8];
    size_t length = 0;
    if (c == '\'') {
      memcpy(piece, "'\\''", 4);  // close, the quote itself, open again
      length = 4;
      escaping = false;
    } else if (IsControl(c)) {
      if (!escaping) memcpy(piece, "'$'", 3), length = 3;
      const char *letter = strchr("\aa\bb\tt\nn\vv\ff\rr", c);
      piece[length++] = '\\';
      if (letter != nullptr) {
        piece[length++] = letter[1];
      } else {
        piece[length++] = (char)('0' + (c >> 6));
        piece[length++] = (char)('0' + (c >> 3 & 7));
        piece[length++] = (char)('0' + (c & 7));
      }
      escaping = true;
    } else {
      if (escaping) memcpy(piece, "''", 2), length = 2;
      piece[length++] = (char)c;
      escaping = false;
    }
    if (!Append(out, size, &used, piece, length)) return false;
  }
  return Append(out, size, &used, "'", 1);
}
