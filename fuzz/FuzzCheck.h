#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant must stop libFuzzer with the input saved, even in builds
// where assert() is compiled out.
inline void FuzzCheck(bool holds, const char* invariant) {
  if (!holds) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
    std::abort();
  }
}
