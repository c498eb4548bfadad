// Independent pieces of work spread over threads: each index is done exactly once, by whichever
// thread takes it next, so results stored by index do not depend on the number of threads.
#pragma once

#include <cstddef>
#include <functional>

namespace velmora::fit {

/// The number of threads `threads` asks for: itself when above 0, else every core (at least 1).
int ThreadCount(int threads);

/// Calls work(i) for i = 0 .. count − 1 on up to `threads` threads (the caller's among them).
/// The first exception a call throws stops the handing out of further indices and is rethrown
/// here once every thread has finished.
void ParallelFor(std::size_t count, int threads, const std::function<void(std::size_t)>& work);

}  // namespace velmora::fit
