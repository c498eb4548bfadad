#include "simulation/wide_builds.h"

namespace velmora::simulation {

bool RunsWideBuilds() {
#ifdef VELMORA_WIDE_BUILDS
    static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return wide;
#else
    return false;
#endif
}

bool RunsWidestBuilds() {
#ifdef VELMORA_WIDE_BUILDS
    static const bool widest = RunsWideBuilds() && __builtin_cpu_supports("avx512f");
    return widest;
#else
    return false;
#endif
}

}  // namespace velmora::simulation
