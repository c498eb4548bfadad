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
// Each line has the profile of the conditions (Doppler width from the list's mass); with
// predissociation broadening on, its upper level's radiative lifetime widens it.
//
// Pressure broadening of the list's own. When the conditions ask for collisional broadening, a
// line whose file gives its half-widths (HITRAN's air and self widths with the temperature
// exponent of the air width; ExoMol's default width and exponent of the .def) takes the
// Lorentzian FWHM
//     2 (296 / T)^n (gamma_air (p - p_self) + gamma_self p_self),  p in atm,
// in place of the conditions' width B1 (300 / T)^B2 p: the fields B1 and B2 then apply only to
// the lines without a width in the file. p_self is the pressure times the mole fraction the
// gas composition of the conditions gives the list's own molecule (0 when it names none: a
// trace species in its bath gas); a missing self width takes the air width. With the collisional
// shift asked for, a list whose records give shifts (HITRAN) moves each line by delta_air p
// (cm-1) and the fields A and B apply to none of its lines; an ExoMol list, whose files give no
// shifts, takes the shift of A and B. Widths and shifts are converted to axis units at the range
// centre, as the conditions' own are.
//
// An ExoMol list with broadening files (line_list_import.h) takes, per line, the FWHM
//     2 p [ sum_i x_i gamma_i (296 / T)^n_i + (1 - sum_i x_i) gamma_def (296 / T)^n_def ],
// the sum over the partners of the gas composition (mole fractions x_i) whose file gives the line
// a width (an "air" file serves N2, O2 and Ar), the rest of the gas at the .def default width and
// exponent; without a default, the partners with widths stand for the whole gas (the sum divided
// by sum_i x_i), and a line no file and no default covers takes the conditions' width.
//
// Lines of different widths cannot share one sampled profile: they are drawn in groups of one
// width each. Widths within kOwnWidthTolerance of a group's width join it, drawn with that
// width: a profile's relative change is at most its width's, so every point of such a line errs
// by less than 1e-6 of its peak. (A list's widths take few distinct values, each its own group:
// tabulated half-widths of four decimals lie 1e-3 or more apart.)
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

/// Lines that share one collisional width.
/// Relative half-span of the collisional widths that share one group.
inline constexpr double kOwnWidthTolerance = 5e-7;

struct WidthGroup {
    /// Collisional FWHM of the lines, cm-1; NaN for the lines that take the conditions' width
    /// (collisional broadening off, or lines without a width in the file).
    double collisionalWidth = 0.0;
    double narrowest = 0.0;  ///< the narrowest collisional FWHM of the group's lines (NaN as above)
    std::vector<DrawnLine> lines;
};

/// Partial pressure (atm) of the list's own molecule under the conditions (see above).
double SelfPressure(const database::ImportedLineList& list, const SimulationConditions& c);

/// Collisional FWHM (cm-1) of a line under the conditions from the widths its file gives; NaN
/// when the file gives it none.
double OwnCollisionalWidth(const database::ListedLine& line, const SimulationConditions& c, double selfPressure);

/// The same for a line of `list`, with the list's broadening files where it has them.
double OwnCollisionalWidth(const database::ImportedLineList& list, const database::ListedLine& line,
                           const SimulationConditions& c, double selfPressure);

/// The lines of LineSetLines in groups of one collisional width, narrowest first.
std::vector<WidthGroup> LineSetWidthGroups(const database::ImportedLineList& list, const SimulationConditions& c,
                                           double lineShift, double start, double end);

/// The widths of the conditions with a collisional FWHM (cm-1) of the group's own; `widths`
/// itself for NaN.
Broadening GroupBroadening(const SimulationConditions& c, double mass, double collisionalWidth,
                           const Broadening& widths);

/// The FWHM a line list's grid is planned on: the narrowest profile its lines take (the
/// conditions' total width, or a narrower one of a line's own collisional width).
float LineSetGridWidth(const database::ImportedLineList& list, const SimulationConditions& c, const Broadening& widths);

/// The groups a simulation of the list draws (those of the whole list when the instrument is
/// convolved, else those of the range) and the grid width LineSetGridWidth gives, found together:
/// each line's collisional width evaluated once.
struct LineSetPlan {
    std::vector<WidthGroup> groups;
    float gridWidth = 0.0f;
};
LineSetPlan PlanLineSet(const database::ImportedLineList& list, const SimulationConditions& c,
                        const Broadening& widths);

/// The upper levels (indices into list.levels) with an emission line inside start..end, in
/// increasing order, and the emission lines of each of them at unit population: weight A, the
/// photons per second of one molecule in the level, so that the populations of a thermal
/// spectrum are g' exp(-c2 (E' - E'0) / T) / Q'(T).
struct UpperLevelLines {
    std::vector<std::uint32_t> levels;
    std::vector<std::vector<DrawnLine>> lines;  ///< per level
    /// Per level, each line's own collisional FWHM (cm-1, OwnCollisionalWidth) when the
    /// conditions ask for collisional broadening; NaN for a line of the conditions' width.
    std::vector<std::vector<double>> widths;
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

/// The same with the groups of PlanLineSet for these conditions and widths.
Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const Broadening& widths, const SpectralGrid& grid, const std::vector<WidthGroup>& groups,
                         const SimulationOptions& options = {});

}  // namespace velmora::simulation
