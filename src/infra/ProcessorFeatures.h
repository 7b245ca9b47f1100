// What the processor can run, asked once: the kernels with an AVX2 build choose it at run time.
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

}  // namespace trov
