// The lines that wordhex-cli and the page say, made in one place from the
// catalogue's texts: each piece goes to a sink with its kind, which writes it
// in its own way (a console, a UTF-8 buffer).
#ifndef WORDHEX_FRONTEND_SAY_H
#define WORDHEX_FRONTEND_SAY_H

#include "convert/outcome.h"

enum PieceKind {
  PIECE_TEXT,    // the catalogue's, or plain ASCII: code page 1251 where Russian
  PIECE_NAME,    // a file name, as the platform spells it, already quoted for one line
  PIECE_REASON,  // the system's (or the browser's) words for a failure
};

struct Sink {
  void (*put)(void *handle, const char *text, PieceKind kind);
  void *handle;
};

// An argument of a catalogue text, of its own kind; a name is quoted.
struct Argument {
  const char *text;
  PieceKind kind;
};

void Say(const Sink *sink, const char *text, PieceKind kind = PIECE_TEXT);
void SayNumber(const Sink *sink, unsigned long long value);
// A catalogue text, its %1 to %9 the arguments.
void SayText(const Sink *sink, TextId id, const Argument *arguments = nullptr, int count = 0);
// "FILE:LINE:COLUMN: TEXT (why)": where a conversion stopped, and why.
void SayStop(const Sink *sink, const char *file, unsigned long long line, unsigned long long column, Outcome outcome,
             const ConvertReport *report);
// `text` as a JSON string: quotes, backslashes and control characters
// (DEL too) escaped, every other byte as it is (a name in its own
// encoding).
void SayJson(const Sink *sink, const char *text);
// "PATH: TEXT NAME! (REASON)", NAME the file name part of PATH, or all of it
// when that is empty; no brackets for an empty reason.
void SayFailure(const Sink *sink, const char *path, TextId text, const char *reason);
// "FILE:LINE: warning: TEXT", or "FILE:LINE: error: TEXT [--strict]".
void SayWarning(const Sink *sink, const char *file, const ConvertReport *report, Warning warning, bool strict);

#endif
