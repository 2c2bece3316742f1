#include "convert/words.h"

// The lines of words written at their places, before they go to the output.
static HexOutput Lines;

static bool Discard(void *, const unsigned char *, size_t) { return true; }

void BeginWords(WordOutput *w, const OutputFormat *format, const ConvertOptions *options, HexOutput *output) {
  *w = WordOutput{};
  w->format = format;
  w->options = options;
  w->output = w->stream = output;
  w->dense = format->dense && options->fill >= 0 && options->depth != 0;
  w->lineLength = 2 * options->wordBytes + format->lineExtra;
  for (unsigned i = 0; options->fill >= 0 && i < sizeof w->fillText / 2; i++) {
    FormatHexByte((unsigned)options->fill, w->fillText + 2 * i);
  }
  unsigned long long highest = options->depth != 0 ? options->depth - 1 : 0xFFFFFFFF;
  w->addressDigits = HexDigits(highest);
  format->head(w);
  w->headEnd = OutputOffset(output);
  CommitOutput(output);
}

// Writes the fill's words from word `from` up to `to`, a dense image's holes,
// committed as they go: there may be many.
static void FillWords(WordOutput *w, unsigned long long from, unsigned long long to) {
  while (from < to) {
    unsigned count = to - from < FILL_CHUNK ? (unsigned)(to - from) : (unsigned)FILL_CHUNK;
    w->format->words(w, from, false, w->fillText, count);
    CommitOutput(w->output);
    from += count;
  }
}

// Writes words below `next` over their lines, which are in the output
// already: everything so far is handed on first.
static void WriteAtPlace(WordOutput *w, unsigned long long address, const unsigned char *text, unsigned count) {
  CommitOutput(w->stream);
  FlushOutput(w->stream);
  OpenOutputStream(&Lines, Discard, nullptr);
  w->output = &Lines;
  w->format->words(w, address, false, text, count);
  w->output = w->stream;
  WriteOutputAt(w->stream, w->headEnd + address * w->lineLength, Lines.start, (size_t)(Lines.next - Lines.start));
}

void WriteWordsApart(WordOutput *w, unsigned long long address, const unsigned char *text, unsigned count) {
  w->words += count;
  if (address < w->next) {
    unsigned below = w->next - address < count ? (unsigned)(w->next - address) : count;
    WriteAtPlace(w, address, text, below);
    address += below;
    text += 2 * w->options->wordBytes * below;
    count -= below;
    if (count == 0) return;
  }
  FillWords(w, w->next, address);
  w->format->words(w, address, !w->any, text, count);
  w->any = true;
  w->next = address + count;
}

void EndWords(WordOutput *w) {
  if (w->dense) FillWords(w, w->next, w->options->depth);
  w->format->tail(w);
}
