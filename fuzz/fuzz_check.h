#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant stops the fuzzer with the condition that failed, so the saved input and the
// message together say what went wrong.
#define HM_FUZZ_CHECK(condition)                                                             \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)
