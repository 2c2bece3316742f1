// Verilog $readmemh text: a word a line, its digits upper case, and a line
// "@ADDRESS" (eight digits) before the first word and wherever the next word
// does not follow the one before; nothing else. Dense, it starts with
// "@00000000" and every line is a word's.
#include "convert/words.h"

static void Head(WordOutput *w) {
  if (w->dense) WriteOutput(w->output, "@00000000\n", 10);
}

static void Words(WordOutput *w, unsigned long long address, bool jump, const unsigned char *text, unsigned count) {
  unsigned bytes = w->options->wordBytes;
  bool swap = w->options->swap;
  unsigned char *out = ReserveOutput(w->output, 10 + (size_t)count * (2 * bytes + 1));
  if (jump && !w->dense) {
    *out = '@';
    out = PutHex(out + 1, address, 8);
    *out++ = '\n';
  }
  for (unsigned i = 0; i < count; i++, text += 2 * bytes) {
    out = PutWord(out, text, bytes, swap);
    *out++ = '\n';
  }
  w->output->next = out;
}

static void Tail(WordOutput *) {}

extern const OutputFormat VMEM_FORMAT = {"vmem", ".mem", 0, true, 1, Head, Words, Tail};
