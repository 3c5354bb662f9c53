// The platform's count of the processors this process may use, which the programs'
// default thread counts follow.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <sched.h>

namespace {

TEST(UsableCpus, FollowsTheAffinityMask)
{
    cpu_set_t saved;
    ASSERT_EQ(::sched_getaffinity(0, sizeof saved, &saved), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &saved)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned cpus = sudoku::platform::usableCpus();
    ::sched_setaffinity(0, sizeof saved, &saved);
    EXPECT_EQ(cpus, 1u);
}

} // namespace
