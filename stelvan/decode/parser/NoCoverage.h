#pragma once
// Plain table work over every unknown byte: coverage tracing of such loops
// tells a fuzzer nothing and costs it most of its time.
#if defined(__clang__)
#define STELVAN_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define STELVAN_NO_COVERAGE
#endif
