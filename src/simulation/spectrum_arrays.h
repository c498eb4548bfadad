// A simulated spectrum as arrays of double precision, the form the Python module hands over: the
// grid positions and the single-precision points widened, each written in one pass into memory
// that need not be cleared first. The loops are built for the baseline instruction set and for
// AVX2 with FMA (wide_builds.h); every value is correctly rounded, so both builds give the bits
// of SpectralGrid::X and of a plain conversion.
#pragma once

#include <cstddef>

#include "simulation/spectral_grid.h"

namespace velmora::simulation {

/// The loops of one build.
struct ArrayKernels {
    /// x[i] = start + width × i / pointsPerWidth, i < count, as SpectralGrid::X forms it.
    void (*positions)(double* x, int count, double start, double width, int pointsPerWidth);
    /// out[i] = weight × in[i] in double precision, i < count (weight 1 gives the values exactly).
    void (*widen)(double* out, const float* in, std::size_t count, double weight);
};

/// The build for any processor of the architecture.
const ArrayKernels& BaselineArrayKernels();
/// The build this processor runs.
const ArrayKernels& ActiveArrayKernels();

/// The grid's points 0..last into x (Points() values).
void GridPositions(const SpectralGrid& grid, double* x);

}  // namespace velmora::simulation
