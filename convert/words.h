// Word images: where each word of a format of words goes, and the lines of
// the words that the image lacks in a format that holds them all.
#ifndef WORDHEX_CONVERT_WORDS_H
#define WORDHEX_CONVERT_WORDS_H

#include <stdint.h>
#include <string.h>

#include "convert/format.h"
#include "convert/hex.h"

// The words a dense format's holes are written in at a time.
enum { FILL_CHUNK = 64 };

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
  unsigned long long headEnd;                  // dense: where word 0's line begins
  unsigned lineLength;                         // dense: the length of every word's line
  unsigned addressDigits;                      // the digits of the highest word address a line may give
  unsigned long long words;                    // words written
  unsigned char fillText[2 * 8 * FILL_CHUNK];  // the fill's digits, for as many words
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
void WriteWordsApart(WordOutput *w, unsigned long long address, const unsigned char *text, unsigned count);
inline void WriteWords(WordOutput *w, unsigned long long address, const unsigned char *text, unsigned count) {
  if (w->dense && address != w->next) return WriteWordsApart(w, address, text, count);
  w->words += count;
  w->format->words(w, address, !w->any || address != w->next, text, count);
  w->any = true;
  w->next = address + count;
}
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

// Writes the digits of `count` words (`BYTES` bytes each, at `text`), each
// after the `before` characters of `separator` and followed by the `after`
// characters that come next there; returns the end. May write up to 16 bytes
// past a word's digits before the characters after it overwrite them.
template <unsigned BYTES, bool SWAP>
inline unsigned char *PutWordsOf(unsigned char *out, const unsigned char *text, unsigned count, const char *separator,
                                 unsigned before, unsigned after) {
  if (BYTES == 2 && before + after <= 4) {
    // A 16-bit word's four digits and the characters around it: one store.
    uint64_t glue = LoadLittle<uint64_t>(separator);
    uint64_t around = (glue & ((1ull << 8 * before) - 1)) | (glue >> 8 * before) << 8 * (before + 4);
    for (unsigned i = 0; i < count; i++, text += 4, out += before + 4 + after) {
      uint32_t z = LoadLittle<uint32_t>(text);
      if (SWAP) z = z << 16 | z >> 16;
      StoreLittle(out, around | (uint64_t)z << 8 * before);
    }
    return out;
  }
  for (unsigned i = 0; i < count; i++, text += 2 * BYTES) {
    memcpy(out, separator, 8);
    out = PutWord(out + before, text, BYTES, SWAP);
    memcpy(out, separator + before, 8);
    out += after;
  }
  return out;
}

// As PutWordsOf for words of `bytes`, swapped as `swap` says; `separator`
// has room for eight characters after the ones it gives.
inline unsigned char *PutWords(unsigned char *out, const unsigned char *text, unsigned count, unsigned bytes, bool swap,
                               const char *separator, unsigned before, unsigned after) {
  switch (bytes * 2 + swap) {
    case 4:
      return PutWordsOf<2, false>(out, text, count, separator, before, after);
    case 5:
      return PutWordsOf<2, true>(out, text, count, separator, before, after);
    case 8:
      return PutWordsOf<4, false>(out, text, count, separator, before, after);
    case 9:
      return PutWordsOf<4, true>(out, text, count, separator, before, after);
  }
  for (unsigned i = 0; i < count; i++, text += 2 * bytes) {
    memcpy(out, separator, before);
    out = PutWord(out + before, text, bytes, swap);
    memcpy(out, separator + before, after);
    out += after;
  }
  return out;
}

#endif
