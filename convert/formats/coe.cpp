// Xilinx's coefficient file: the radix, then every word of the memory from
// word 0 on, each on a line of its own, separated by commas and ended by a
// semicolon. It holds every word, so it needs the memory's depth and a fill
// for the words the image lacks.
#include "convert/words.h"

static const char HEAD[] = "memory_initialization_radix=16;\nmemory_initialization_vector=\n";

static void Head(WordOutput *w) { WriteOutput(w->output, HEAD, sizeof HEAD - 1); }

// Between words; room for PutWords to store whole.
static const char SEPARATOR[16] = ",\n";

static void Words(WordOutput *w, unsigned long long address, bool, const unsigned char *text, unsigned count) {
  unsigned bytes = w->options->wordBytes;
  unsigned char *out = ReserveOutput(w->output, 16 + (size_t)count * (2 * bytes + 2));
  out = PutWords(out, text, count, bytes, w->options->swap, SEPARATOR, 0, 2);
  if (address + count == w->options->depth) out[-2] = ';';  // the memory's last word ends the list
  w->output->next = out;
}

static void Tail(WordOutput *) {}

extern const OutputFormat COE_FORMAT = {"coe", ".coe", FORMAT_NEEDS_DEPTH | FORMAT_NEEDS_FILL, true, 2, Head,
                                        Words, Tail};
