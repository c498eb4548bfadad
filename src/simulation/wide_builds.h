// The point loops of a simulation are built twice: for the baseline instruction set of the
// architecture and, on x86-64, for AVX2 (eight single-precision or four double-precision points a
// vector). A loop whose result must not depend on the build is built for AVX2 alone and performs
// the same operations in the same order as its baseline build, lane by lane, so both give the same
// bits; a loop free to fuse multiplies and adds is built for AVX2 with FMA. The sums of binned lines
// are built a third time, for AVX-512 (sixteen single-precision points a vector), again lane by lane
// as the baseline. The processor's abilities choose the build when a loop is first used, through a
// table of function pointers. On AArch64 the baseline build is already in NEON vectors (four
// single-precision points), which every such processor has: it needs no second build.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMORA_WIDE_BUILDS 1
#endif

namespace velmora::simulation {

/// True when this processor runs the wide builds (it has AVX2 and FMA).
bool RunsWideBuilds();

/// True when this processor also runs the AVX-512 builds (it has AVX-512F besides).
bool RunsWidestBuilds();

}  // namespace velmora::simulation
