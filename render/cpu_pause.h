// The hint a thread gives the processor on each turn of a short spin.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace trevalin {

inline void cpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

} // namespace trevalin
