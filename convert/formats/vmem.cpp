// Verilog $readmemh text: a word a line, its digits upper case, and a line
// "@ADDRESS" (eight digits) before the first word and wherever the next word
// does not follow the one before; nothing else. Dense, it starts with
// "@00000000" and every line is a word's.
#include "convert/words.h"

static void Head(WordOutput *w) {
  if (w->dense) WriteOutput(w->output, "@00000000\n", 10);
}

// Each word's line; room for PutWords to store whole.
static const char LINE_END[16] = "\n";

static void Words(WordOutput *w, unsigned long long address, bool jump, const unsigned char *text, unsigned count) {
  unsigned bytes = w->options->wordBytes;
  unsigned char *out = ReserveOutput(w->output, 10 + 16 + (size_t)count * (2 * bytes + 1));
  if (jump && !w->dense) {
    *out = '@';
    out = PutHex(out + 1, address, 8);
    *out++ = '\n';
  }
  w->output->next = PutWords(out, text, count, bytes, w->options->swap, LINE_END, 0, 1);
}

static void Tail(WordOutput *) {}

extern const OutputFormat VMEM_FORMAT = {"vmem", ".mem", 0, true, 1, Head, Words, Tail};
