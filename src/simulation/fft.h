// Real discrete Fourier transforms with FFTW 3, for convolving a spectrum with a long profile.
// FFTW's planner is not reentrant: plans are made once per length under a lock and then executed
// with FFTW's new-array interface, which any number of threads may call at once.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace velmora::simulation {

/// Releases the memory of an FftArray.
struct FftFree {
    void operator()(void* p) const;
};

/// An array aligned as FFTW's planned arrays (every array passed to a transform must be one).
template <typename T>
using FftArray = std::unique_ptr<T[], FftFree>;

/// n zero-filled values for a transform.
FftArray<double> AllocateReal(std::size_t n);
FftArray<std::complex<double>> AllocateComplex(std::size_t n);

/// Forward real-to-complex and backward complex-to-real transforms of one length.
class RealFft {
public:
    /// The transforms of length n (planned at the first request for that length).
    static const RealFft& OfLength(int n);

    /// The smallest length of at least n whose prime factors are all 2, 3, 5 or 7 (fast lengths).
    static int FastLength(int n);

    int Length() const { return n_; }
    /// Number of complex values of a half spectrum: n/2 + 1.
    int SpectrumLength() const { return n_ / 2 + 1; }

    /// out[k] = sum_j in[j] exp(-2 pi i j k / n), k = 0..n/2.
    void Forward(const double* in, std::complex<double>* out) const;
    /// out[j] = sum_k in[k] exp(+2 pi i j k / n) over the whole Hermitian spectrum (unnormalised:
    /// Backward(Forward(x)) = n x). Overwrites in.
    void Backward(std::complex<double>* in, double* out) const;

    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;
    ~RealFft();

private:
    explicit RealFft(int n);
    int n_;
    void* forward_ = nullptr;
    void* backward_ = nullptr;
};

}  // namespace velmora::simulation
