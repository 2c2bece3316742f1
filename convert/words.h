// Word images: where each word of a format of words goes, and the lines of
// the words that the image lacks in a format that holds them all.
#ifndef WORDHEX_CONVERT_WORDS_H
#define WORDHEX_CONVERT_WORDS_H

#include <stdint.h>
#include <string.h>

#include "convert/format.h"
#include "convert/hex.h"

struct WordOutput {
  const OutputFormat *format;
  const ConvertOptions *options;
  HexOutput *output;  // where lines go: the conversion's, or `lines` for a write at an offset
  HexOutput *stream;  // the conversion's
  bool dense;         // every word from 0 to depth - 1, at its own place
  // The word after the last one written in order: dense, every word below
  // it has its line in the output; `any`: one has been written at all.
  unsigned long long next;
  bool any;
  unsigned long long headEnd;  // dense: where word 0's line begins
  unsigned lineLength;         // dense: the length of every word's line
  unsigned addressDigits;      // the digits of the highest word address a line may give
  unsigned long long words;    // words written
  // A word that a data record began and left partial, for the next record
  // to complete if it continues at the byte after: its address, its bytes so
  // far (their digits, in address order), the byte address that would come
  // next, and the line of the record that left it.
  bool pending;
  unsigned long long pendingWord, pendingNext, pendingLine;
  unsigned pendingBytes;
  unsigned char pendingText[16];
};

// Starts a word image in `format` into `output`, writing its head.
void BeginWords(WordOutput *w, const OutputFormat *format, const ConvertOptions *options, HexOutput *output);
// Writes `count` whole words from word `address` on, their digits at `text`
// in address order; words below ones written already are written at their
// places (a dense format: the output must take writes at an offset).
void WriteWords(WordOutput *w, unsigned long long address, const unsigned char *text, unsigned count);
// Ends the image: a dense one's words up to its depth, then its tail.
void EndWords(WordOutput *w);

// Helpers for the formats' writers.
// Writes the digits of the word at `text` (`bytes` bytes) at `out`, its
// bytes reversed when `swap`; returns the end. Reads and writes those digits
// only.
inline unsigned char *PutWord(unsigned char *out, const unsigned char *text, unsigned bytes, bool swap) {
  uint32_t z;
  uint64_t x, y;
  switch (bytes) {
    case 2:
      memcpy(&z, text, 4);
      if (swap) z = z << 16 | z >> 16;
      memcpy(out, &z, 4);
      return out + 4;
    case 4:
      memcpy(&x, text, 8);
      if (swap) x = ReversePairs(x);
      memcpy(out, &x, 8);
      return out + 8;
    case 8:
      memcpy(&x, text, 8);
      memcpy(&y, text + 8, 8);
      if (swap) x = ReversePairs(x), y = ReversePairs(y);
      memcpy(out, swap ? &y : &x, 8);
      memcpy(out + 8, swap ? &x : &y, 8);
      return out + 16;
  }
  for (unsigned i = 0; i < bytes; i++) memcpy(out + 2 * i, text + 2 * (swap ? bytes - 1 - i : i), 2);
  return out + 2 * bytes;
}

// Writes `value` as `digits` upper-case hexadecimal digits at `out`;
// returns the end.
inline unsigned char *PutHex(unsigned char *out, unsigned long long value, unsigned digits) {
  for (unsigned i = digits; i > 0; i--, value >>= 4) out[i - 1] = (unsigned char)"0123456789ABCDEF"[value & 15];
  return out + digits;
}

#endif
