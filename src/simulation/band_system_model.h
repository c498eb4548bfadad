// Everything a simulation needs that depends only on the selected band system: the lines of
// every band (positions and strengths), the band origins and emission weights, the branch
// tables and the lifetimes of the upper levels. Built once per band-system selection and never
// changed afterwards, so that any number of simulations may read it at once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "database/database_state.h"
#include "populations/population_state.h"

namespace velmora::simulation {

/// Loads band (vUp, vLow) of a catalogue entry into the database state (LineData, RotRows).
using BandLoader = std::function<void(DatabaseState&, int vUp, int vLow, int entry)>;

/// The band loader of the database, skipping the load when the band is already held.
BandLoader DatabaseBandLoader();

/// Most branches a band may have: 24 (two sets of 12) for doublets; a triplet band's distinct
/// (ΔN, upper component, lower component) are fewer than 64.
inline constexpr int kMaxBranches = 64;

/// Most population components of a state: 2 (2S + 1) spin and parity components of a triplet.
inline constexpr int kMaxComponents = 6;

/// Per branch b = 1..kMaxBranches: upper minus lower rotational row, and the upper and lower
/// component.
struct BranchTable {
    std::array<int, kMaxBranches + 1> deltaN{};
    std::array<int, kMaxBranches + 1> upper{};
    std::array<int, kMaxBranches + 1> lower{};
};

/// One rotational line of a band.
struct ModelLine {
    float nu = 0.0f;          ///< position, cm-1
    float emission = 0.0f;    ///< emission coefficient
    float absorption = 0.0f;  ///< absorption coefficient
    std::int16_t N = 0;       ///< lower rotational row
    std::int16_t b = 1;       ///< branch 1..24 (1..kMaxBranches in a triplet system)
};

/// Degeneracies 2J + 1 of the lower and upper level of a line.
struct LineDegeneracies {
    int lower = 0, upper = 0;
};
LineDegeneracies DegeneraciesOf(const ModelLine& line);

/// One vibrational band (v', v'') of the system.
struct ModelBand {
    double origin = 0.0;           ///< band origin, cm-1 (0: the system has no such band)
    double emission = 0.0;         ///< band emission coefficient, the weight of the band in the window factor
    std::vector<ModelLine> lines;  ///< the lines with a position, by lower row and then branch
};

/// The band system of one catalogue entry, ready for simulation. Every field is stored by the
/// model cache (simulation/model_cache.cpp, ModelFields): a new field goes there too.
struct BandSystemModel {
    int entry = 0;
    std::string dataFolder;         ///< database folder the system was read from
    std::uint64_t systemStamp = 0;  ///< the pre-computation of the database this model was built from
    double molecularMass = 0.0;     ///< amu
    double lineUnitFactor = 0.0;    ///< Einstein A (s-1) per emission coefficient of the lines
    int vUpMax = 0, vLowMax = 0;    ///< highest vibrational level of the upper and lower state
    int upperLambda = 0;            ///< Λ of the upper state: its lowest rotational row
    int upperComponents = 2;        ///< 2 when the upper state has Λ = 0, else 4; 6 for a triplet
    int branches = 12;        ///< branches per band: 12, or 24 with a second parity set (triplets: up to kMaxBranches)
    bool levelFiles = false;  ///< per-level lifetime files exist (the yields follow the conditions)
    /// A band is drawn when any of its lines reaches the range, however far its origin lies from
    /// it; else the catalogue's band filter (origin within 350 Å of the range) applies first.
    bool bandsByLines = false;
    Array1<int> lastUpperRow;      ///< (v'): last rotational row of the upper level
    BranchTable emissionBranches;  ///< the branch table when the upper state is populated
    BranchTable lowerBranches;     ///< the branch table when the lower state is populated

    // Per upper level (v', component 1..4, N').
    Array3<float> lifetime;              ///< radiative lifetime from the level files, ns
    Array3<float> effectiveLifetime;     ///< lifetime with predissociation, ns
    Array3<float> quenchRate;            ///< quenching rate constant, µs-1 Torr-1
    Array3<float> baseYield;             ///< fluorescence yield of the pre-computation
    Array3<float> computedLifetime;      ///< radiative lifetime from the band emission sums, ns
    database::StateQuenching quenching;  ///< quenching models of the upper state by gas partner
    double einsteinAFactor = 0.0;        ///< emission coefficient × this = Einstein A, s-1
    /// Empty when the system has an absolute scale; else why it has none (then lineUnitFactor,
    /// einsteinAFactor and the lifetimes are in nominal units and only their ratios mean anything).
    std::string noAbsoluteScale;

    Array2<ModelBand> bands;  ///< (v', v'')

    /// The band (v', v''); an empty band outside the system.
    const ModelBand& Band(int vUp, int vLow) const;
    /// The branch table of a populated state.
    const BranchTable& Branches(ElectronicState populated) const {
        return populated == ElectronicState::Upper ? emissionBranches : lowerBranches;
    }
    /// Number of lines of every band together.
    std::size_t LineCount() const;
};

/// The branch table for the populated state of an entry (with the lower-component exception of
/// entries whose populated lower state is a Π state).
BranchTable BuildBranchTable(ElectronicState popState, const DatabaseState& db);

/// Builds the model of the pre-computed system db.systemEntry, loading every band through `load` into a
/// copy of the database state (db itself is not changed). Throws what the loader throws
/// (FileError naming the file, std::invalid_argument).
BandSystemModel BuildBandSystemModel(const DatabaseState& db, const BandLoader& load);

}  // namespace velmora::simulation
