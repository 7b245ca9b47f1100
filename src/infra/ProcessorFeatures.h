// What the processor can run, asked once: the kernels with AVX2 (or AVX-512) builds choose them at
// run time.
#pragma once

namespace trov {

// True where the processor runs AVX2 code; false off x86-64.
inline bool ProcessorHasAvx2() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

// True where the processor runs AVX-512 Foundation and Byte-Word code; false off x86-64.
inline bool ProcessorHasAvx512() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return has;
#else
    return false;
#endif
}

}  // namespace trov
