// velmora-cli takes the least-squares solve from the module beside it, opened at the first fit:
// the solver and its libraries (sparse algebra, BLAS and LAPACK, logging) are then never loaded
// by the commands that do not fit, which start in a fraction of the time.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "fit/least_squares.h"

namespace velmora::fit {

namespace {

constexpr const char* kModule = "libvelmora-solver.so";

/// The folder of the running program.
std::filesystem::path ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    path[n] = '\0';
    return std::filesystem::path(path).parent_path();
}

using Solve = SolveSummary (*)(const BoundedProblem&, double*);

Solve Load() {
    const std::filesystem::path beside = ProgramFolder() / kModule;
    void* handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        throw std::runtime_error("the fit needs the solver module " + beside.string() + ", which cannot be loaded (" +
                                 (reason ? reason : "no reason given") + ")");
    }
    auto* entry = reinterpret_cast<void* (*)()>(dlsym(handle, kSolverModuleEntry));
    if (!entry) throw std::runtime_error("the solver module " + beside.string() + " lacks " + kSolverModuleEntry);
    return reinterpret_cast<Solve>(entry());
}

}  // namespace

SolveSummary SolveBounded(const BoundedProblem& problem, double* z) {
    // Opened once, by whichever fit comes first; a failed open is tried again at the next fit.
    static const Solve solve = Load();
    return solve(problem, z);
}

}  // namespace velmora::fit
