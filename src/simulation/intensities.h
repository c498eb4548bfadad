// Line intensities and spectrum synthesis: fluorescence yields, detection-window factors, the
// branch table, the four kinds of spectrum (emission, absorption, LIF excitation and the cubic
// fourth kind) accumulated onto the point grid, and the population-weighted total.
#pragma once

#include <array>
#include <functional>

#include "state/app_state.h"

namespace velmora::simulation {

/// Loads band (vUp, vLow) of a catalogue entry into the database state (LineData, RotRows).
using BandLoader = std::function<void(DatabaseState&, int vUp, int vLow, int entry)>;

/// The band loader of the database, skipping the load when the band is already held.
BandLoader DatabaseBandLoader();

/// Per branch b = 1..24: upper minus lower rotational row, and the upper and lower component.
struct BranchTable {
    std::array<int, 25> deltaN{};
    std::array<int, 25> upper{};
    std::array<int, 25> lower{};
};

/// The branch table for the populated state of the selected entry (with the lower-component
/// exception of entries whose populated lower state is a Π state).
BranchTable BuildBranchTable(ElectronicState popState, const DatabaseState& db);

/// Fraction of an exponential decay of lifetime tauNs collected by the detection gate: 1 for
/// total integration (gateMode 0), exp(-delay/tau) - exp(-(delay + width)/tau) for a time-resolved
/// gate with each exponential taken as 0 beyond ten lifetimes; 0 for lifetimes up to 1E-7 ns.
double GateFactor(double tauNs, int gateMode, double delayNs, double widthNs);

/// Fluorescence quantum yield of every upper level from its radiative and effective lifetimes,
/// quenching (source, pressure) and the yield mode; stored in LevelYield and UpperLevelData.
/// Entries without per-level data files keep their yields.
void ComputeYields(AppState& app);

/// Detected fraction of the emission of every upper vibrational level through the spectral
/// window (LIF): whole bands are counted by their origin with a 20 Å margin.
void ComputeWindowFactors(AppState& app);

/// Accumulates every line of every contributing band into SimBand (dimensioned by the driver),
/// reporting progress once per band.
void Synthesise(AppState& app, const BandLoader& load);

/// SimTotal = population-weighted sum of SimBand; both scaled so that the total peaks at 100.
void BuildTotal(SimulationState& sim, const PopulationState& pop);

}  // namespace velmora::simulation
