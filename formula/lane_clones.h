// Functions whose loops run over a batch's lanes are built three times: for
// processors with AVX-512 (x86-64-v4), with AVX2 (x86-64-v3) and for the
// baseline, the copy chosen when the program loads. The loops are vectorised
// only where lanes are independent and contraction stays off, so every copy
// gives the same bits.
#pragma once

// Not in the sanitizer builds: the loader runs the clones' resolvers before
// the sanitizer runtime is up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) &&                             \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define TREVALIN_LANE_CLONES [[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
#else
#define TREVALIN_LANE_CLONES
#endif
