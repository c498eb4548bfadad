// Relative populations of the vibrational and rotational levels of the populated electronic
// state: thermal (Boltzmann) distributions, normalisation, the selection of levels for a
// simulation and the copy to and from the populations window's edit table.
//
// Component index c = F + p: 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e (p = 0 or 2). Energies in cm-1,
// k_B / (h c) = 0.6950348 cm-1/K.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "common/physical_constants.h"
#include "database/database_state.h"
#include "populations/population_state.h"

namespace velmora::populations {

/// Parity label "e"/"f" of spin component F (1, 2) and parity offset p (0, 2).
const char* ParityEF(int F, int p);
/// Parity sign "+"/"-" of spin component F and parity offset p.
const char* ParitySign(int F, int p);

/// Sizes every population array for the catalogue bounds (v up to the larger of the upper and
/// lower maxima, rows 0..MaxN+3); contents become 0, TRot becomes 0.
void DimensionPopulationArrays(PopulationState& pop, const Catalogue& cat);

/// Sets PopState (the upper state for emission, the lower state otherwise) and PopLambda for the selected entry.
void SetPopulatedState(PopulationState& pop, const DatabaseState& db, int kind);

/// Highest vibrational level of the populated state of the selected entry.
int PopMaxVib(const PopulationState& pop, const DatabaseState& db);
/// Last rotational row of level v of the populated state: the upper state uses the row count of
/// the level itself, the lower state two rows above the largest upper row count for every level
/// (every row a line of the system reaches).
int PopMaxRot(const PopulationState& pop, const DatabaseState& db, int v);

/// Thermal vibrational distribution into PopVib(0..NMaxVib), the fraction of molecules in each
/// level: exp(−G_v/kT) Q_rot(v, rotationalT) normalised over v, with Q_rot the rotational
/// partition function over the rotational levels the database holds (the Boltzmann
/// distribution when both temperatures are equal). T <= 3 K puts everything in v = 0. The
/// series stops at the first excited level whose factor is below 1e-9.
void VibThermal(PopulationState& pop, const DatabaseState& db, double T, double rotationalT);
/// The same with the rotational temperature equal to T.
void VibThermal(PopulationState& pop, const DatabaseState& db, double T);

/// Thermal rotational populations of component F + p of level v at TRot(v) (raised to 1 K).
void RotThermal(PopulationState& pop, const DatabaseState& db, int v, int F, int p);

/// Thermal rotational populations of every component of level v at TRot(v): F1 and F2, both
/// parities when Λ > 0. Not normalised.
void RotThermalLevel(PopulationState& pop, const DatabaseState& db, int v);

/// One rotational level of the populated state as the thermal model counts it.
struct RotationalTerm {
    int component = 1;  ///< c of PopRot: 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e
    int row = 0;        ///< N row of PopRot
    double J = 0.0;
    double energy = 0.0;      ///< rotational energy, cm-1
    double degeneracy = 0.0;  ///< 2J + 1, times the nuclear-spin weight of a homonuclear molecule
};

/// Every rotational level of vibrational level v of the populated state with the energy and
/// degeneracy the thermal populations use, so that thermal populations lie on one straight
/// line of ln(N/g) against the energy with slope −1/kT.
std::vector<RotationalTerm> RotationalTerms(const PopulationState& pop, const DatabaseState& db, int v);

/// Normalises level v so that all its components together sum to 1; an empty level falls back
/// to the single level N = 1 of component 1.
void RotNormalize(PopulationState& pop, const DatabaseState& db, int v);

/// Rebuilds level v thermally at T: every component of the state, then normalisation.
void RebuildLevelThermal(PopulationState& pop, const DatabaseState& db, int v, double T);

/// Before every simulation: thermal rebuild when the system is thermalised, selection of the
/// levels above MinimumPopulation (VibList, NVibSel, PopVibSel) and their renormalisation.
void PreparePopulations(PopulationState& pop, const DatabaseState& db);

/// Rebuilds every level thermally at Temperature (the vibrational part only when thermalised).
void ResetThermal(PopulationState& pop, const DatabaseState& db);

/// Vibrational level of selected entry k (1..NVibSel); VibList holds the levels as numbers.
inline int SelectedLevel(const PopulationState& pop, int k) { return static_cast<int>(std::lround(pop.VibList(k))); }

/// Divides PopVibSel by its sum over the selected levels.
void NormalizeSelected(PopulationState& pop);

/// Copies level v from PopRot into the edit table (normalised to a total of 1) and updates the
/// row sums, the F1 share (SpinFactor) and the histogram scale.
void PopToEdit(PopulationState& pop, const DatabaseState& db, int v);

/// Writes the edit table back into PopRot for level v, rescaling F1 and F2 to SpinFactor.
void EditToPop(PopulationState& pop, const DatabaseState& db, int v);

/// Population reset when the band system or the kind of spectrum changes: populated state, array
/// sizes, thermal rebuild of every level at Temperature and level 0 in the edit table.
void ResetPopulatedState(PopulationState& pop, const DatabaseState& db, int kind);

/// Copies the main window's temperature into the populations window while the system is
/// thermalised: both window temperatures and their texts, and the thermal distributions they set.
void FollowMainTemperature(PopulationState& pop, const DatabaseState& db);

}  // namespace velmora::populations
