// A detection filter given by its transmission curve: the fraction of each upper level's
// fluorescence that reaches the detector,
//
//     F(v', c, N') = Σ A_i T(λ_i) / Σ A_i
//
// over every emission line i of the level (all lower vibrational levels), A_i its Einstein
// coefficient (the emission coefficient, to a common factor) and T the transmission at its
// wavelength, interpolated linearly; beyond the curve's ends the end values hold.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/bounded_array.h"
#include "simulation/band_system_model.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// (wavelength Å, transmission 0..1) in increasing wavelength.
using TransmissionCurve = std::vector<std::pair<double, double>>;

/// Reads a transmission file: two numbers per line, the wavelength in nm and the transmission
/// 0..1, separated by blanks, tabs, commas or semicolons; lines that do not begin with a number
/// (headings, comments) are skipped. Returns the curve in Å, sorted. Throws FileError naming
/// the file (and line) when it cannot be read, a transmission lies outside 0..1, or fewer than
/// two points remain.
TransmissionCurve ReadDetectionFilter(const std::string& path);

/// Transmission at wavelength λ (Å).
double Transmission(const TransmissionCurve& curve, double wavelength);

/// Detected fraction of every upper level (v', c, N') of the model through the conditions'
/// filter (wavelengths in air when the axis is); 1 for a level without emission lines.
Array3<float> FilterFactors(const BandSystemModel& model, const SimulationConditions& c);

}  // namespace velmora::simulation
