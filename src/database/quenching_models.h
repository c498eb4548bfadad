// Electronic quenching of LIF upper states by the collision partners of a gas, from the published
// models of the database file QUENCHING.DAT (written by datagen from data-src/QUENCHING, whose
// README gives every formula, its sources and caveats).
//
// Ideal gas of total pressure p and temperature T, partners i of mole fraction x_i:
//
//     n_i = x_i p / (k_B T)                        number density, m-3
//     v_i = sqrt(8 k_B T / (π μ_i))                mean relative speed, μ_i the reduced mass
//     Q   = Σ_i n_i σ_i(T) v_i                     cross-section models, σ in Å² = 1e-20 m²
//     Q   = Σ_i n_i k_i(T)                         rate-coefficient models
//
// Cross sections (T_ref = 300 K, T in K):
//     2exp      σ = c0 + c1 exp(-c2 T_ref/T) + c3 exp(-c4 T_ref/T)
//     harpoon   η = c2 T_ref/T + c3 (T_ref/T)²,  σ = c0 [(1 + η) e^-η + c1 η^(1/3) P(5/3, η)]
//               (P the regularized lower incomplete gamma function)
//     power     σ = c0 + c1 (T_ref/T)^c2
//     constant  σ = sigma
// Rate coefficients (modified Arrhenius, Chemkin units):
//     arrhenius k = A T^n exp(-Ea / (R T)) cm3 mol-1 s-1, Ea in cal/mol; k / N_A per molecule.
//
// The models belong to an electronic state (no vibrational or rotational dependence). Masses are
// the molar masses of the formulas (natural isotopic composition).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "database/gas_composition.h"

namespace velmora::database {

/// Functional form of a quenching model.
enum class QuenchingForm { TwoExponential, Harpoon, PowerLaw, Constant, Arrhenius };

/// The model of one collision partner of one state.
struct PartnerQuenching {
    std::string partner;  ///< chemical formula
    QuenchingForm form = QuenchingForm::Constant;
    std::array<double, 6> c{};  ///< parameters in the order of the file
    double lowestT = 0.0;       ///< K; validity range, 0 where the source states none
    double highestT = 0.0;
};

/// The models of the quenching of one electronic state (molecule code and state label).
struct StateQuenching {
    std::string molecule, state;
    std::vector<PartnerQuenching> partners;

    bool Empty() const { return partners.empty(); }
    const PartnerQuenching* Find(const std::string& partner) const;
};

/// Every model of the database file.
struct QuenchingModels {
    std::vector<StateQuenching> states;
    /// The models of a state; an empty set when the file has none for it.
    StateQuenching For(const std::string& molecule, const std::string& state) const;
};

/// Name of the database file of the quenching models.
inline constexpr const char* kQuenchingModelsFile = "QUENCHING.DAT";

/// Reads the quenching models of a database file (two heading lines, then records of molecule,
/// state, partner, model, validity range and parameters). Throws FileError naming the file and
/// line of a record it cannot read.
QuenchingModels ReadQuenchingModels(const std::string& path);

/// Thermally averaged cross section (Å²) of a cross-section model at T (K).
double CrossSection(const PartnerQuenching& model, double T);

/// Quenching rate coefficient (cm3 s-1) of a partner at T (K) for a radical of molar mass
/// radicalMass (g/mol): σ v for the cross-section models, k / N_A for the Arrhenius form.
double RateCoefficient(const PartnerQuenching& model, double T, double radicalMass);

/// The quenching rate of a state in a gas, with what the user should know about it.
struct CompositionQuenching {
    double rate = 0.0;                  ///< s-1
    std::vector<std::string> warnings;  ///< partners without a model, temperatures outside validity
};

/// Quenching rate Q = Σ n_i k_i of a state by the gas at T (K) and pressureTorr. A partner the
/// state has no model for adds nothing and is named in a warning; so is a model used outside
/// its validity range. No models at all, or a temperature of 0 or below, give 0 with a warning.
CompositionQuenching QuenchingRate(const StateQuenching& models, const GasComposition& gas, double T,
                                   double pressureTorr);

/// Collision rate (ns-1) of an upper level for a quenching source: 0 none, 1 a single rate
/// constant or 2 the level's own (µs-1 Torr-1, times the pressure in Torr), 3 the rate of the gas
/// composition (s-1).
double CollisionRateNs(int source, double singleRateConstant, double levelRateConstant, double pressureTorr,
                       double compositionRate);

}  // namespace velmora::database
