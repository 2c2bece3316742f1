// The files a conversion can write: Intel HEX, and word images in the text
// that memories load: Verilog $readmemh (vmem), Intel's Memory
// Initialization File (mif), Xilinx's coefficient file (coe). One table
// lists them; each format of words is one file in convert/formats/, which
// writes its lines, while convert/words.cpp decides which words go out
// where.
#ifndef WORDHEX_CONVERT_FORMAT_H
#define WORDHEX_CONVERT_FORMAT_H

#include "convert/convert.h"
#include "convert/stream.h"

struct WordOutput;

enum {
  FORMAT_NEEDS_DEPTH = 1,  // its head gives the memory's size
  FORMAT_NEEDS_FILL = 2,   // it holds every word, the ones the image lacks too
};

struct OutputFormat {
  const char *name;       // as --format names it
  const char *extension;  // of an output named beside its input
  unsigned char needs;    // FORMAT_NEEDS_*
  // With a depth and a fill it holds every word from 0 to depth - 1, each
  // line as long as the next, so that one can be written at its place.
  bool dense;
  unsigned lineExtra;  // dense: the characters of a word's line besides its digits
  // The text before the words; the words; the text after them. `words`
  // writes the lines of `count` words from word `address` on, their digits
  // at `text` in address order, each word's reversed when the options swap;
  // `jump`: they do not follow the words written last.
  void (*head)(WordOutput *w);
  void (*words)(WordOutput *w, unsigned long long address, bool jump, const unsigned char *text, unsigned count);
  void (*tail)(WordOutput *w);
};

// In the order of OutputFormatId; Intel HEX's functions are null.
extern const OutputFormat *const OUTPUT_FORMATS[FORMAT_COUNT];

// The format that `name` names, or FORMAT_COUNT for none.
unsigned FindOutputFormat(const char *name);

#endif
