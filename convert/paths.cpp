#include "convert/paths.h"

#include <string.h>

#include "convert/kernels/kernels.h"

static bool Always(void) { return true; }

// Only the kernels compiled for an extension beyond the build's baseline
// need asking the CPU.
#if WORDHEX_X86 && !defined(__SSE2__)
static bool Sse2Runs(void) {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2");
}
#elif WORDHEX_X86
#define Sse2Runs Always
#endif
#if WORDHEX_AVX2
static bool Avx2Runs(void) {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

const ConvertPath CONVERT_PATHS[] = {
    {"fields", -1, Always, nullptr},
    {"portable", -1, Always, ConvertRecordsPortable},
#if WORDHEX_X86
    {"sse2", SSE2_QUICK_COUNT, Sse2Runs, ConvertRecordsSse2},
#endif
#if WORDHEX_AVX2
    {"avx2", AVX2_QUICK_COUNT, Avx2Runs, ConvertRecordsAvx2},
#endif
#if WORDHEX_WASM_SIMD
    {"simd128", SIMD128_QUICK_COUNT, Always, ConvertRecordsSimd128},
#endif
};
const unsigned CONVERT_PATH_COUNT = sizeof CONVERT_PATHS / sizeof CONVERT_PATHS[0];

static unsigned Active = CONVERT_PATH_COUNT;  // none chosen yet

unsigned FindConvertPath(const char *name) {
  unsigned index = 0;
  while (index < CONVERT_PATH_COUNT && strcmp(CONVERT_PATHS[index].name, name) != 0) index++;
  return index;
}

bool ForceConvertPath(unsigned index) {
  if (index >= CONVERT_PATH_COUNT || !CONVERT_PATHS[index].runs()) return false;
  Active = index;
  return true;
}

unsigned ActiveConvertPath(void) {
  for (unsigned index = CONVERT_PATH_COUNT; Active == CONVERT_PATH_COUNT; index--) ForceConvertPath(index - 1);
  return Active;
}
