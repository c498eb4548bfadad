// One band system of a fit and its spectrum over the fitted range as a function of the fitted
// values: populations -> line list -> lines drawn with the instrument function, the steps of
// the simulation (simulate.h) kept apart so that a change of width redraws the same lines and
// only a change of temperature or population builds the line list again.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "database/database_state.h"
#include "database/line_list_import.h"
#include "fit/population_source.h"
#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"
#include "simulation/conditions.h"
#include "simulation/line_drawing.h"
#include "simulation/line_list.h"
#include "simulation/line_set_simulation.h"
#include "simulation/multiplet_simulation.h"
#include "simulation/spectral_grid.h"

namespace velmora::fit {

/// How a line adds to a spectrum: as photons per unit of the axis (counting detectors; the
/// emission coefficients as they are) or as energy per unit of the axis (radiometrically
/// calibrated spectra: every line also times its photon energy, i.e. its wavenumber).
enum class IntensityConvention { PhotonCounts = 0, Energy = 1 };

/// Words for a convention, as every result states it.
const char* ConventionName(IntensityConvention c);

class TraceCache;

/// A band system ready for fitting: its simulation model and the source of its populations.
/// Both are shared read-only, so one FitSystem serves any number of fits at once; so is the
/// cache of the spectra its fits have drawn.
struct FitSystem {
    std::shared_ptr<const simulation::BandSystemModel> model;
    std::shared_ptr<const PopulationSource> populations;
    /// The pre-computed database state of a catalogue entry (its branch names, its thermal
    /// populations for LIF images); null for a system that is not a catalogue entry.
    std::shared_ptr<const DatabaseState> database;
    /// A band system of any multiplicity: its populations come from its own levels (the
    /// thermal populations of multiplet_model.h), `database` then only holds the catalogue.
    std::shared_ptr<const simulation::MultipletBandSystem> multiplet;
    /// A line list read from files in place of a model (line_set_simulation.h): every level
    /// thermal at the one temperature of the fit, p = g exp(-c2 E / T) / Q(T), drawn as one
    /// level (v = 0); model and populations are null. With collisional broadening on, lines with
    /// pressure widths of their own are drawn in groups of one width at the fitted temperature,
    /// the fitted instrument widths added to each (as to a catalogue system's collisional width).
    std::shared_ptr<const database::ImportedLineList> lineList;
    std::string label;  ///< molecule and system, "OH (A-X)"
    std::shared_ptr<TraceCache> traces;
};

/// Pre-computes catalogue entry `entry` of a database whose catalogue has been read, for the
/// pressure and quenching of the conditions; a band system of any multiplicity (an entry after
/// those of VELMORA.SYS) is built from MULTIPLET.SYS. Throws FitInputError for an entry outside the
/// catalogue and FileError for a data file that cannot be read.
FitSystem LoadFitSystem(const DatabaseState& catalogue, int entry, const simulation::SimulationConditions& c);

/// A FitSystem of a band system of any multiplicity, with the catalogue of `db`.
FitSystem MakeFitSystem(std::shared_ptr<const simulation::MultipletBandSystem> system, const DatabaseState& db);

/// A FitSystem of a system already pre-computed (the program's selected one).
FitSystem MakeFitSystem(std::shared_ptr<const simulation::BandSystemModel> model, const DatabaseState& db);

/// A FitSystem of a model whose populations come from `populations` (a system that is not a
/// catalogue entry); `label` names it in results and must tell it from the other systems of a fit.
FitSystem MakeFitSystem(std::shared_ptr<const simulation::BandSystemModel> model,
                        std::shared_ptr<const PopulationSource> populations, std::string label);

/// A FitSystem of a line list read from files, labelled by its file's name.
FitSystem MakeFitSystem(std::shared_ptr<const database::ImportedLineList> list);

/// The values that decide one band system's spectrum.
struct SystemValues {
    double rotationalT = 300.0;
    double vibrationalT = 300.0;
    std::vector<double> populations;    ///< relative populations of the fitted levels; empty: Boltzmann at vibrationalT
    double gauss = 1.0, lorentz = 0.0;  ///< instrumental FWHM, axis units
};

/// One band system's spectrum over the range on its own grid, normalised to unit area (in axis
/// units) over the fitted window, so that a scale factor is the system's integrated intensity
/// there.
struct SystemTrace {
    simulation::SpectralGrid grid;
    std::vector<float> total;                ///< Σ_v w_v B_v / A
    std::vector<std::vector<float>> levels;  ///< B_v of each fitted level at unit population (free populations only)
    std::vector<double> levelAreas;          ///< a_v, the area of B_v over the window
    double area = 0.0;                       ///< A = Σ_v w_v a_v; 0 when no line reaches the window
};

/// What a spectrum of a band system depends on besides the system: the conditions and range of
/// its tracer and the values.
struct TraceKey {
    simulation::SimulationConditions conditions;
    double start = 0.0, end = 0.0, windowStart = 0.0, windowEnd = 0.0;
    IntensityConvention convention = IntensityConvention::PhotonCounts;
    bool freePopulations = false;
    int pointsPerWidth = 0;
    SystemValues values;
    bool operator==(const TraceKey& k) const;
};

/// The spectra of one band system drawn last, shared by every fit of the system and safe to use
/// from several threads: the start values and the temperature scan of a batch are the same for
/// every spectrum of it, and each is drawn once. A spectrum found here is the one drawing it
/// again would give, bit for bit.
class TraceCache {
public:
    /// At most this many spectra are kept; the oldest make room.
    static constexpr std::size_t kCapacity = 32;
    bool Find(const TraceKey& key, SystemTrace& trace) const;
    void Store(const TraceKey& key, const SystemTrace& trace);

private:
    mutable std::mutex mutex_;
    std::deque<std::pair<TraceKey, SystemTrace>> entries_;
};

/// The area under y on the grid between a and b (trapezoids, the end pieces cut at a and b), so
/// that it changes continuously as the grid follows the widths.
double WindowArea(const simulation::SpectralGrid& grid, const std::vector<float>& y, double a, double b);

/// Draws the spectrum of one band system for one fit (not shared between threads).
class SystemTracer {
public:
    /// Lines strictly inside start..end (axis units of the conditions), drawn with
    /// `pointsPerWidth` grid points per FWHM and normalised over windowStart..windowEnd.
    /// `freePopulations` keeps one trace per level.
    SystemTracer(const FitSystem& system, const simulation::SimulationConditions& conditions, double start, double end,
                 double windowStart, double windowEnd, IntensityConvention convention, bool freePopulations,
                 int pointsPerWidth);

    /// The vibrational levels of the populated state that have lines in the range, increasing.
    const std::vector<int>& Levels() const { return levels_; }
    /// Relative Boltzmann populations of the levels at a vibrational and a rotational temperature.
    std::vector<double> BoltzmannPopulations(double vibrationalT, double rotationalT);

    /// The spectrum at the values, into t (whose storage is reused); on `grid` when given (a
    /// derivative compares spectra on one grid), else on the grid the widths plan.
    void Trace(const SystemValues& values, SystemTrace& t, const simulation::SpectralGrid* grid = nullptr);
    SystemTrace Trace(const SystemValues& values) {
        SystemTrace t;
        Trace(values, t);
        return t;
    }

    /// Every rotational level of vibrational level v of the populated state with the energy and
    /// degeneracy its thermal populations use (the population source's). A line list has one
    /// set of levels (v = 0): the upper levels with an emission line in the range, each its own
    /// component 0 and row its index among the list's levels, the energy above the lowest upper
    /// level of the list and g its total degeneracy.
    std::vector<populations::RotationalTerm> RotationalTerms(int v);

    /// The lines of single rotational levels (component c, row N) of vibrational level v, each at
    /// unit population, at the rotational temperature of `values` (for the line shift).
    std::vector<std::vector<simulation::DrawnLine>> LevelLines(int v, const std::vector<std::pair<int, int>>& levels,
                                                               const SystemValues& values);
    /// The spectra of those lines (one list per level), drawn with the instrument widths of
    /// `values` on one grid (set here).
    std::vector<std::vector<float>> LevelSpectra(const std::vector<std::vector<simulation::DrawnLine>>& lines,
                                                 const SystemValues& values, simulation::SpectralGrid& grid);

    /// One band of the spectrum (branch 0), or one branch of a band, on the grid of Trace.
    struct Component {
        int vUp = 0, vLow = 0, branch = 0;
        std::string branchName;  ///< the catalogue's name of the branch ("" for a band)
        std::vector<float> y;
    };
    /// The spectrum at the values split into its bands and, with `branches`, their branches too,
    /// normalised as Trace normalises the total, so that the bands add up to it (components.cpp).
    std::vector<Component> ComponentTraces(const SystemValues& values, bool branches, simulation::SpectralGrid& grid);

    /// Spectra drawn so far (each a simulation of the system over the range).
    int Evaluations() const { return evaluations_; }

private:
    struct Lines {
        double rotationalT = -1.0, vibrationalT = -1.0;
        std::vector<double> populations;
        simulation::LineList list;
        /// A line list whose lines take collisional widths of their own: its lines (all of them
        /// also in list.levels[0]) in groups of one width; empty when every line takes the
        /// conditions' width.
        std::vector<simulation::WidthGroup> groups;
    };
    const Lines& LinesFor(const SystemValues& v);
    /// The line drawer of the instrument widths of v and its grid over the range (`grid` as it
    /// is with `keepGrid`).
    simulation::LineDrawer Drawer(const SystemValues& v, bool squareRoot, simulation::SpectralGrid& grid,
                                  bool keepGrid = false) const;
    /// The drawer of the last widths (and temperature where the widths follow it), made again
    /// only when they change.
    simulation::LineDrawer& KeptDrawer(const SystemValues& v, bool squareRoot, simulation::SpectralGrid& grid);
    /// The instrument and molecular widths of v for the conditions; `c` receives the conditions
    /// they were computed for.
    simulation::Broadening WidthsOf(const SystemValues& v, simulation::SimulationConditions& c) const;
    /// The drawers of the width groups of a line list at the values, one per group, on a grid
    /// planned on the narrowest width (`grid` as it is with `keepGrid`).
    std::vector<simulation::LineDrawer> GroupDrawers(const SystemValues& v,
                                                     const std::vector<simulation::WidthGroup>& g,
                                                     simulation::SpectralGrid& grid, bool keepGrid = false) const;
    /// The group drawers of the last widths and temperature, made again only when they change.
    std::vector<simulation::LineDrawer>& KeptGroupDrawers(const SystemValues& v,
                                                          const std::vector<simulation::WidthGroup>& groups,
                                                          simulation::SpectralGrid& grid);
    /// Adds the lines of every group, each with its own drawer, onto out.
    static void DrawGroups(const std::vector<simulation::WidthGroup>& groups,
                           std::vector<simulation::LineDrawer>& drawers, float* out, simulation::DrawStats& stats);

    double MolecularMass() const;
    /// LevelSpectra of a line list's levels whose lines have widths of their own.
    std::vector<std::vector<float>> OwnWidthLevelSpectra(const std::vector<std::vector<simulation::DrawnLine>>& lines,
                                                         const SystemValues& values, simulation::SpectralGrid& grid);

    FitSystem system_;
    simulation::SimulationConditions conditions_;
    double start_, end_, windowStart_, windowEnd_;
    IntensityConvention convention_;
    bool freePopulations_;
    int pointsPerWidth_;
    std::vector<int> levels_;
    std::unique_ptr<PopulationWork> pop_;  ///< work state of the population source
    populations::Populations
        selected_;  ///< the fitted levels at unit weight, rotational populations of the last line list
    Lines lines_;   ///< the line list of the last temperatures and populations
    struct KeptDrawerState {
        double gauss = 0.0, lorentz = 0.0, temperature = 0.0;
        bool squareRoot = false;
        simulation::SpectralGrid grid;
        std::optional<simulation::LineDrawer> drawer;
        /// Of a line list's width groups: their drawers and the widths they were made for.
        std::vector<simulation::LineDrawer> groups;
        std::vector<double> groupWidths;
    } drawer_;
    int evaluations_ = 0;
    /// The own collisional widths of the lines LevelLines gave last (a line list's), per level.
    std::vector<std::vector<double>> levelWidths_;
};

}  // namespace velmora::fit
