// Absorption in absolute units from the line strengths of the database. A line from lower level
// l to upper level u has the integrated cross section
//
//     S = g_u A / (8 pi c nu^2 g_l) x f_l x (1 - exp(-c2 nu / T))      (cm per molecule)
//
// with A the line's Einstein coefficient (s-1), nu its wavenumber (cm-1), c in cm/s, f_l the
// fraction of the molecules in the lower level and the last factor the stimulated emission at
// temperature T. The relative absorption spectrum adds f_l × (absorption coefficient) × nu times
// the area-normalised profile per line, and the absorption coefficient is A g_u / (g_l nu^3) per
// unit of the model's lineUnitFactor: the cross section at a grid point is that spectrum times
// lineUnitFactor / (8 pi c), times the stimulated-emission factor at the point's wavenumber and
// |d(axis)/d(nu)| (the profile is normalised on the axis, the cross section per cm-1).
// Beer-Lambert then gives the optical depth tau = sigma × column density, the transmittance
// exp(-tau) and the (decadic) absorbance tau / ln 10.
#pragma once

#include <vector>

#include "simulation/band_system_model.h"
#include "simulation/simulate.h"

namespace velmora::simulation {

/// Absorption cross section (cm2 per molecule) at every point of an absorption spectrum
/// simulated for the conditions on the model.
std::vector<double> CrossSection(const Spectrum& s, const BandSystemModel& model, const SimulationConditions& c);
/// The same for lines whose weight times lineUnitFactor is g' A / nu^2 times the population
/// (1 for a line list read from files).
std::vector<double> CrossSection(const Spectrum& s, double lineUnitFactor, const SimulationConditions& c);

/// Column density of the conditions, cm-2: columnDensity, or numberDensity × pathLength.
double ColumnDensity(const SimulationConditions& c);

/// The cross sections in the absorption unit of the conditions: themselves, the absorbance or
/// the transmittance of the column. Throws ConditionError for absorbance or transmittance
/// without a column.
std::vector<double> AbsorptionInUnit(const std::vector<double>& crossSection, const SimulationConditions& c);

/// Name of an absorption unit for captions and file headers.
const char* AbsorptionUnitName(AbsorptionUnit unit);

}  // namespace velmora::simulation
