#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run on a broken property; libFuzzer then reports a crash and keeps the input.
#define FUZZ_CHECK(condition) \
    do { \
        if (!(condition)) { \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort(); \
        } \
    } while (false)
