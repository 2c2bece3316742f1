// The CPU kernels this build compiles, each in a file of its own; the table
// of conversion paths (convert/paths.cpp) lists them.
#ifndef WORDHEX_CONVERT_KERNELS_KERNELS_H
#define WORDHEX_CONVERT_KERNELS_KERNELS_H

#include "convert/converter.h"
#include "convert/kernels/cpu.h"

void ConvertRecordsPortable(HexInput *input, HexOutput *output, Converter *converter);
#if WORDHEX_X86
void ConvertRecordsSse2(HexInput *input, HexOutput *output, Converter *converter);
#endif
#if WORDHEX_AVX2
void ConvertRecordsAvx2(HexInput *input, HexOutput *output, Converter *converter);
#endif
#if WORDHEX_WASM_SIMD
void ConvertRecordsSimd128(HexInput *input, HexOutput *output, Converter *converter);
#endif

// The most data bytes that a record may have for each quick route.
enum { SSE2_QUICK_COUNT = 17, AVX2_QUICK_COUNT = 25, SIMD128_QUICK_COUNT = 17 };

#endif
