// Xilinx's coefficient file: the radix, then every word of the memory from
// word 0 on, each on a line of its own, separated by commas and ended by a
// semicolon. It holds every word, so it needs the memory's depth and a fill
// for the words the image lacks.
#include "convert/words.h"

static const char HEAD[] = "memory_initialization_radix=16;\nmemory_initialization_vector=\n";

static void Head(WordOutput *w) { WriteOutput(w->output, HEAD, sizeof HEAD - 1); }

static void Words(WordOutput *w, unsigned long long address, bool, const unsigned char *text, unsigned count) {
  unsigned bytes = w->options->wordBytes;
  bool swap = w->options->swap;
  unsigned long long last = w->options->depth - 1;
  unsigned char *out = ReserveOutput(w->output, (size_t)count * (2 * bytes + 2));
  for (unsigned i = 0; i < count; i++, text += 2 * bytes) {
    out = PutWord(out, text, bytes, swap);
    memcpy(out, address + i == last ? ";\n" : ",\n", 2);
    out += 2;
  }
  w->output->next = out;
}

static void Tail(WordOutput *) {}

extern const OutputFormat COE_FORMAT = {"coe", ".coe", FORMAT_NEEDS_DEPTH | FORMAT_NEEDS_FILL, true, 2, Head,
                                        Words, Tail};
