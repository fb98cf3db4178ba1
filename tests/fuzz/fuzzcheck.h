#ifndef FUZZCHECK_H
#define FUZZCHECK_H

#include <cstdio>
#include <cstdlib>

// A property that must hold for any input. Breaking it aborts, which the
// fuzzer records as a crash with the input that did it.
#define FUZZ_REQUIRE(cond) \
    ((cond) ? void(0) : (std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond), std::abort()))

#endif
