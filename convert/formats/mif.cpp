// Intel's Memory Initialization File: WIDTH and DEPTH in decimal, addresses
// and data in hexadecimal, then between CONTENT BEGIN and END a line
// "ADDRESS : WORD WORD ...;" for each run of words, which go to the address
// and the ones after it. With a fill, a first line gives it to every word,
// "[0..DEPTH-1] : FILL;", which the later lines override.
#include "convert/outcome.h"
#include "convert/words.h"

static void Head(WordOutput *w) {
  const ConvertOptions *options = w->options;
  char text[160];
  char *at = FormatDecimal(text + strlen(strcpy(text, "WIDTH=")), 8 * options->wordBytes);
  at = FormatDecimal(at + strlen(strcpy(at, ";\nDEPTH=")), options->depth);
  strcpy(at, ";\nADDRESS_RADIX=HEX;\nDATA_RADIX=HEX;\nCONTENT BEGIN\n");
  WriteOutput(w->output, text, strlen(text));
  if (options->fill < 0) return;
  unsigned char *out = ReserveOutput(w->output, 64);
  out = PutHex((unsigned char *)memcpy(out, "[0..", 4) + 4, options->depth - 1, w->addressDigits);
  memcpy(out, "] : ", 4);
  out += 4;
  for (unsigned i = 0; i < options->wordBytes; i++, out += 2) FormatHexByte((unsigned)options->fill, out);
  memcpy(out, ";\n", 2);
  w->output->next = out + 2;
}

// Before each word; room for PutWords to store whole.
static const char SEPARATOR[16] = " ";

static void Words(WordOutput *w, unsigned long long address, bool, const unsigned char *text, unsigned count) {
  unsigned bytes = w->options->wordBytes;
  unsigned char *out = ReserveOutput(w->output, w->addressDigits + 5 + 16 + (size_t)count * (2 * bytes + 1));
  out = PutHex(out, address, w->addressDigits);
  memcpy(out, " :", 2);
  out = PutWords(out + 2, text, count, bytes, w->options->swap, SEPARATOR, 1, 0);
  memcpy(out, ";\n", 2);
  w->output->next = out + 2;
}

static void Tail(WordOutput *w) { WriteOutput(w->output, "END;\n", 5); }

extern const OutputFormat MIF_FORMAT = {"mif", ".mif", FORMAT_NEEDS_DEPTH, false, 0, Head, Words, Tail};
