#include "simulation/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::simulation {

namespace {

/// The planner lock and the plans made so far, one pair per length, kept for the whole run.
struct PlanCache {
    std::mutex lock;
    std::map<int, std::unique_ptr<RealFft>> plans;
};

PlanCache& Plans() {
    static PlanCache cache;
    return cache;
}

template <typename T>
FftArray<T> Allocate(std::size_t n) {
    void* p = fftw_malloc(sizeof(T) * (n > 0 ? n : 1));
    if (!p) throw std::bad_alloc();
    T* values = static_cast<T*>(p);
    for (std::size_t i = 0; i < n; ++i) values[i] = T{};
    return FftArray<T>(values);
}

}  // namespace

void FftFree::operator()(void* p) const { fftw_free(p); }

FftArray<double> AllocateReal(std::size_t n) { return Allocate<double>(n); }
FftArray<std::complex<double>> AllocateComplex(std::size_t n) { return Allocate<std::complex<double>>(n); }

namespace {

/// The first N fast lengths, the 2^a 3^b 5^c 7^d, in increasing order as they are made (the next is
/// the least of 2, 3, 5 and 7 times an earlier one, each factor moving on along the list), and
/// the length that would come next.
template <std::size_t N>
struct SmoothLengths {
    std::array<int, N> lengths{};
    long long next = 0;
    constexpr SmoothLengths() {
        lengths[0] = 1;
        constexpr long long factors[] = {2, 3, 5, 7};
        std::size_t from[] = {0, 0, 0, 0};
        for (std::size_t count = 1; count <= N; ++count) {
            next = factors[0] * lengths[from[0]];
            for (std::size_t f = 1; f < 4; ++f) next = std::min(next, factors[f] * lengths[from[f]]);
            if (count == N) break;
            if (next > std::numeric_limits<int>::max()) throw "more fast lengths asked for than an int holds";
            lengths[count] = static_cast<int>(next);
            for (std::size_t f = 0; f < 4; ++f)
                if (factors[f] * lengths[from[f]] == next) ++from[f];
        }
    }
};

/// Every fast length of an int, made by the compiler: a process pays nothing for them at start-up.
constexpr SmoothLengths<5911> kSmooth;
static_assert(kSmooth.next > std::numeric_limits<int>::max(), "the table holds every 7-smooth int");
constexpr const std::array<int, 5911>& kFast = kSmooth.lengths;

}  // namespace

int RealFft::FastLength(int n) {
    // A drawing asks for the length of each of its profiles: a look-up, where trying the lengths
    // from n one by one costs divisions by the dozen per length tried.
    const auto at = std::lower_bound(kFast.begin(), kFast.end(), std::max(n, 1));
    if (at != kFast.end()) return *at;
    for (int m = std::max(n, 1);; ++m) {
        int r = m;
        for (int p : {2, 3, 5, 7})
            while (r % p == 0) r /= p;
        if (r == 1) return m;
    }
}

RealFft::RealFft(int n) : n_(n) {
    // Planned on arrays from fftw_malloc, so that every such array may be passed later.
    FftArray<double> real = AllocateReal(static_cast<std::size_t>(n));
    FftArray<std::complex<double>> spectrum = AllocateComplex(static_cast<std::size_t>(n / 2 + 1));
    auto* c = reinterpret_cast<fftw_complex*>(spectrum.get());
    forward_ = fftw_plan_dft_r2c_1d(n, real.get(), c, FFTW_ESTIMATE);
    backward_ = fftw_plan_dft_c2r_1d(n, c, real.get(), FFTW_ESTIMATE);
    if (!forward_ || !backward_)
        throw std::runtime_error("FFTW cannot plan a transform of length " + std::to_string(n));
}

RealFft::~RealFft() {
    fftw_destroy_plan(static_cast<fftw_plan>(forward_));
    fftw_destroy_plan(static_cast<fftw_plan>(backward_));
}

const RealFft& RealFft::OfLength(int n) {
    if (n < 2) throw std::invalid_argument("a transform needs at least 2 points");
    PlanCache& cache = Plans();
    std::lock_guard<std::mutex> guard(cache.lock);
    std::unique_ptr<RealFft>& plan = cache.plans[n];
    if (!plan) plan.reset(new RealFft(n));
    return *plan;
}

void RealFft::Forward(const double* in, std::complex<double>* out) const {
    // An out-of-place real-to-complex transform leaves its input as it was.
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward_), const_cast<double*>(in),
                         reinterpret_cast<fftw_complex*>(out));
}

void RealFft::Backward(std::complex<double>* in, double* out) const {
    fftw_execute_dft_c2r(static_cast<fftw_plan>(backward_), reinterpret_cast<fftw_complex*>(in), out);
}

}  // namespace velmora::simulation
