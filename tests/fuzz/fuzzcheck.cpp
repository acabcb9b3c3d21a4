#include "fuzztargets.h"

#include <cstdio>
#include <cstdlib>

namespace FuzzTargets {

void checkFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "Fuzz check failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace FuzzTargets
