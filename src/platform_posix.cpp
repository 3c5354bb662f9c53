#include "platform.h"

#include <algorithm>
#include <thread>

#include <sched.h>

namespace sudoku {

unsigned usableCpus()
{
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace sudoku
