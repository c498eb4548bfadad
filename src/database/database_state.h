// State of the spectroscopic database: catalogue, constants, the loaded band and system data.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/bounded_array.h"
#include "database/catalogue_state.h"
#include "database/gas_composition.h"
#include "database/quenching_models.h"

namespace velmora {

namespace database {

/// The collisional quenching of the upper levels that a pre-computation includes.
struct LevelQuenching {
    int source = 0;     ///< 0 none, 1 single value, 2 from the level files, 3 gas composition
    double rate = 0.0;  ///< the single rate constant, us-1 Torr-1
    /// The collision partners of a gas composition, and the gas temperature (K) their rates are
    /// taken at.
    GasComposition composition{{{"N2", 0.79}, {"O2", 0.21}}};
    double temperature = 300.0;
};

}  // namespace database

/// Term values of one state of the loaded band: (N 0..MaxN+4, F 1..2, p 1..2), cm-1. Double
/// precision: a 32-bit term near 30 000-50 000 cm-1 has a grain of 0.002-0.004 cm-1, at the level of
/// the data's accuracy, and line positions and exported energies are differences of these terms.
using TermTable = Array3<double>;

/// The database side of the application state (catalogue, loaded band, per-system results).
struct DatabaseState {
    /// Folder of the installed database, ending in a path separator.
    std::string AppPath;
    Catalogue cat;
    int systemEntry = 1;  ///< selected catalogue entry

    // Molecular constants (.SPC), 18 per level; columns 18..20 stay 0. Double precision as read:
    // a term value of 30 000 cm-1 given to 1e-4 cm-1 needs more than 32 bits.
    Array3<double> MolConst;              ///< (s 1..2, v 0..max(MaxVUpper, MaxVLower), k 0..20)
    Array2<int> SpcConvention;            ///< (s 1..2, entry)
    int ConstantsEntry = 0;               ///< entry whose constants MolConst holds (0: none)
    std::array<double, 18> LevelConst{};  ///< constants of the level whose terms are computed

    // The loaded band.
    TermTable LowerTerm;  ///< (N 0..MaxN+4, F 1..2, p 1..2)
    TermTable UpperTerm;
    Array3<float> LineData;              ///< (q 1..5, b 0..24, N 0..MaxN+3): 1 emission, 2 absorption,
                                         ///< 3 transition probability, 4 position cm-1 (0 = no line), 5 Hönl-London
    int RotRows = 0;                     ///< last rotational row filled for the loaded band
    std::array<double, 2> EnergyZero{};  ///< (0) subtracted from lower terms, (1) from upper terms
    int LoadedVUpper = -1;
    int LoadedVLower = -1;
    int LoadedEntry = 0;  ///< 0: no band loaded
    float EmissionLineScale = 1.0f;
    float AbsorptionLineScale = 1.0f;

    // Per upper level data (lifetimes, predissociation, quenching, yields).
    int UpperComponents = 2;         ///< 2 when the upper state has Λ = 0, else 4
    Array3<float> LevelYield;        ///< (v' 0..MaxVUpper, k 1..4, N 0..MaxN+3)
    Array3<float> LevelLifetime;     ///< radiative lifetime, ns
    Array3<float> LevelEffLifetime;  ///< predissociation rate s-1 on input, then lifetime with it, ns
    Array3<float> LevelQuenchRate;   ///< us-1 Torr-1

    /// The quenching the yields of the level data include (the pressure comes with each
    /// pre-computation), and the published models of the selected system's upper state by gas
    /// partner (QUENCHING.DAT).
    database::LevelQuenching quenching;
    database::StateQuenching UpperQuenching;

    // System data.
    Array3<float> BandData;  ///< (q 0..5, v' 0..MaxVUpper, v'' 0..MaxVLower)
    /// (k 1..3, v', v''): lowest (1) and highest (2) line position of the band and its origin (3),
    /// from the first R1 and P1 lines that reach the same upper level, cm-1; 0 without lines.
    Array3<float> BandSpan;
    Array3<float> UpperLevelData;  ///< (v' 0..MaxVUpper, k 1..24, N 0..MaxN+4)
    std::array<double, 3> LineUnitFactor{};
    std::array<double, 3> BandUnitFactor{};

    /// True once a band system has been pre-computed (DataReady of the main window).
    bool SystemLoaded = false;
    /// Counts the pre-computations of this state: what was built from the system data (the
    /// simulation's band-system model) is current while the count has not changed.
    std::uint64_t SystemStamp = 0;
};

}  // namespace velmora
