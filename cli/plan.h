// What a run of wordhex-cli reads and writes, worked out once for every FILE
// before anything is converted: each FILE's input, its output's name, and
// where both are, so that no FILE's output is another FILE, or the output of
// another, or the file behind a standard stream that the run reads or writes.
#ifndef WORDHEX_CLI_PLAN_H
#define WORDHEX_CLI_PLAN_H

#include <stddef.h>

#include "platform/platform.h"

// A file as the run sees it: its identity when it exists, and for a named
// one its directory and name, which tell apart outputs not yet made.
struct FilePlace {
  const char *path;  // null: a standard stream, known by its identity alone
  size_t nameStart;  // where its name begins in `path`, past the directory
  bool exists, directoryExists;
  PlatformFileId id, directory;
};

struct PlannedFile {
  const char *input;   // as given; "-" is standard input
  const char *output;  // "-" is standard output; null: none (--check, or too long a name)
  bool tooLong;        // its output's path would be longer than the platform takes
  FilePlace read, written;
};

// A run is refused beyond these rather than planned in part.
enum { MAX_FILES = 65536, PLAN_TEXT_SIZE = 8 << 20 };

// Plans the run of `count` FILEs: each output named beside its FILE with
// `suffix`, or under `directory` (null: beside it) with the same name, or
// `outputOption` for the one FILE; none when `checking`. False when the run
// has more FILEs, or longer output names, than a plan holds.
bool PlanRun(char **files, int count, const char *outputOption, const char *directory, const char *suffix,
             bool checking);
int PlannedCount(void);
const PlannedFile *Planned(int index);

// FILEs that cannot both be in one run: `writer`'s output is `other`'s
// output too (`bothWrite`), or else `other`'s input.
struct Clash {
  int writer, other;
  bool bothWrite;
};
// The first clash between two FILEs, in the order of the FILEs; false when
// there is none. A FILE whose output is its own input is told when it comes
// to it, as the output is opened.
bool FindClash(Clash *clash);

#endif
