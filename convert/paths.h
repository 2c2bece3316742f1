// The ways a conversion can run: field by field, or with one of the CPU
// kernels that this build compiles taking over runs of ordinary records. One
// table lists them for the start-up choice, wordhex-cli's override, the tests
// and the benchmark.
#ifndef WORDHEX_CONVERT_PATHS_H
#define WORDHEX_CONVERT_PATHS_H

#include "convert/converter.h"

struct ConvertPath {
  const char *name;    // as WORDHEX_CONVERT_PATH names it
  int quickCount;      // the most data bytes a record may have for the kernel's quick route; -1: it has none
  bool (*runs)(void);  // whether this CPU runs it
  KernelFn kernel;     // null: every record field by field
};
// Slowest first: field by field, then every kernel compiled in.
extern const ConvertPath CONVERT_PATHS[];
extern const unsigned CONVERT_PATH_COUNT;

// The path of that name, or CONVERT_PATH_COUNT for none.
unsigned FindConvertPath(const char *name);
// Forces path `index`; false, changing nothing, when there is no such path or
// this CPU cannot run it.
bool ForceConvertPath(unsigned index);
// The path that runs: the one forced, or else the last that this CPU runs.
unsigned ActiveConvertPath(void);

#endif
