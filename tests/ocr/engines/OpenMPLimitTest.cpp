#include "support/Process.h"

#include <gtest/gtest.h>

// Tesseract's OpenMP threads fight the recognition workers and made every page several times slower here, so the
// engines library runs each of Tesseract's parallel regions with one thread. A limit the user sets still rules.
TEST(OpenMPLimitTest, RegionsRunSingleThreadedUnlessTheUserSetsALimit)
{
    const TestSupport::Outcome unset = TestSupport::run(AMBREL_OPENMP_PROBE, {}, {{"OMP_THREAD_LIMIT", std::nullopt}});
    EXPECT_EQ(unset.status, 0) << unset.err;
    EXPECT_EQ(unset.out, "1\n");

    const TestSupport::Outcome userLimit = TestSupport::run(AMBREL_OPENMP_PROBE, {}, {{"OMP_THREAD_LIMIT", "3"}});
    EXPECT_EQ(userLimit.status, 0) << userLimit.err;
    EXPECT_EQ(userLimit.out, "3\n");
}
