#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

// A test that needs a tool the install script provides. Run by hand on a machine without it, the test is skipped
// with the reason; under `make test` (which has just run the install script and sets AMBREL_TEST_STRICT) a missing
// tool is a missing install step, so the test fails instead of quietly passing.
#define AMBREL_NEEDS(present, what)                                                                                    \
    if (!(present)) {                                                                                                  \
        if (std::getenv("AMBREL_TEST_STRICT"))                                                                         \
            FAIL() << what << " (scripts/install-deps installs it)";                                                   \
        GTEST_SKIP() << what;                                                                                          \
    }
