// A simulation from a line list read from files (database/line_list_import.h): the same grid,
// widths, profiles, instrument and total as a simulation of a catalogue entry, with thermal
// populations of the list's own levels at the temperature of the conditions.
//
// What a line adds, with p(E, g) = g exp(-c2 E / T) / Q(T) the population of a level:
//   emission        A g' exp(-c2 (E' - E'0) / T) / Q'(T), E'0 the lowest upper level and Q' the
//                   sum of g exp(-c2 (E - E'0) / T) over the upper levels the list
//                   keeps (the emitting state populated on its own, as the catalogue's emission
//                   spectra populate it): photons per second and molecule of that state;
//   absorption      g' A / nu^2 exp(-c2 E'' / T) / Q(T), which over 8 pi c and times the
//                   stimulated-emission factor (1 - exp(-c2 nu / T)) is the integrated cross
//                   section, cm / molecule (CrossSection applies both per grid point);
//   LIF excitation  the absorption rate g' A / nu^3 exp(-c2 E'' / T) / Q(T), every upper level
//                   fluorescing with yield 1 (the list holds no predissociation or quenching)
//                   and the gate applied with the radiative lifetime 1 / sum A of the kept lines.
// Each line has the shared profile of the conditions (Doppler width from the list's mass); with
// predissociation broadening on, its upper level's radiative lifetime widens it.
#pragma once

#include <cstdint>
#include <vector>

#include "database/line_list_import.h"
#include "simulation/simulate.h"

namespace velmora::simulation {

/// The lines of a list inside start..end (axis units, after the line shift) with their
/// intensities for the conditions, all in one level. Throws ConditionError for a kind of
/// spectrum or LIF regime a line list cannot draw.
LineList LineSetLines(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift,
                      double start, double end);

/// The upper levels (indices into list.levels) with an emission line inside start..end, in
/// increasing order, and the emission lines of each of them at unit population: weight A, the
/// photons per second of one molecule in the level, so that the populations of a thermal
/// spectrum are g' exp(-c2 (E' - E'0) / T) / Q'(T).
struct UpperLevelLines {
    std::vector<std::uint32_t> levels;
    std::vector<std::vector<DrawnLine>> lines;  ///< per level
};
UpperLevelLines LineSetUpperLevelLines(const database::ImportedLineList& list, const SimulationConditions& c,
                                       double lineShift, double start, double end);

/// E'0, the lowest upper level of the list's lines (cm-1): the zero of the emitting state's
/// energies; infinity for a list without lines.
double LowestUpperEnergy(const database::ImportedLineList& list);

/// The spectrum of a line list under the conditions: one level (v = 0, weight 1).
Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const SimulationOptions& options = {});

/// The same with the widths and the grid given.
Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const Broadening& widths, const SpectralGrid& grid, const SimulationOptions& options = {});

}  // namespace velmora::simulation
