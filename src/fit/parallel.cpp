#include "fit/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::fit {

int ThreadCount(int threads) {
    if (threads > 0) return threads;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void ParallelFor(std::size_t count, int threads, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex guard;
    auto run = [&] {
        for (std::size_t i; !failed.load() && (i = next.fetch_add(1)) < count;) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(guard);
                if (!error) error = std::current_exception();
                failed = true;
            }
        }
    };
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(ThreadCount(threads)), count);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < n; ++t) pool.emplace_back(run);
    run();
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace velmora::fit
