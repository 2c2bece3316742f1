// Which CPU kernels this build compiles, and how each is compiled: the one
// place that asks the compiler about the target.
#ifndef WORDHEX_CONVERT_KERNELS_CPU_H
#define WORDHEX_CONVERT_KERNELS_CPU_H

// On x86 the SSE2 and AVX2 kernels are compiled for those extensions alone
// (target attributes), so that the rest stays baseline and the CPU decides at
// run time which kernel runs. AVX2 on x86-64 only.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define WORDHEX_X86 1
#define TARGET_SSE2 __attribute__((target("sse2")))
#if defined(__x86_64__)
#define WORDHEX_AVX2 1
#define TARGET_AVX2 __attribute__((target("avx2")))
#endif
#endif

// WebAssembly SIMD (simd128) is the whole module's or none of it: a browser
// without it refuses the module, so the page chooses a build, not a kernel.
#if defined(__wasm_simd128__)
#define WORDHEX_WASM_SIMD 1
#endif

// A kernel's loop is one function: everything it calls per record is
// inlined into it (flattened, since the parts compiled for its CPU can be
// inlined only into a function compiled for it).
#define KERNEL_INLINE __attribute__((always_inline)) inline
#define KERNEL __attribute__((flatten))

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define WORDHEX_BIG_ENDIAN 1
#endif

#endif
