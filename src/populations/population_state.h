// Relative populations of the populated electronic state and the populations-window edit state.
#pragma once

#include <array>
#include <string>

#include "common/bounded_array.h"

namespace velmora {

/// Electronic state of a band system, valued as the catalogue's state index s.
enum class ElectronicState { Upper = 1, Lower = 2 };

/// The catalogue's state index of an electronic state (1 upper, 2 lower).
constexpr int StateIndex(ElectronicState s) { return static_cast<int>(s); }

/// What the rotational edit table of the populations window shows and edits; the values are
/// the modes the structure list sets.
enum class StructureMode {
    FirstParity = 0,    ///< one component: spin component SelF at parity offset 0
    SpinComponent = 1,  ///< both parities of spin component SelF together
    SecondParity = 2,   ///< one component: spin component SelF at parity offset 2
    AllOfN = 3,         ///< every component of one N together
};

/// True for the modes that show a single component (one spin component at one parity).
constexpr bool IsOneComponent(StructureMode m) {
    return m == StructureMode::FirstParity || m == StructureMode::SecondParity;
}

/// Component index c of population arrays: 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e.
struct PopulationState {
    ElectronicState PopState = ElectronicState::Upper;  ///< upper for emission, lower for the other kinds
    int PopLambda = 0;                                  ///< Λ of the populated state

    Array1<double> PopVib;     ///< (v 0..NMaxVib)
    Array3<double> PopRot;     ///< (v 0..NMaxVib, c 1..4, N 0..MaxN+3)
    Array1<double> TRot;       ///< (v): K, -1 = non-thermal
    Array1<double> PopVibSel;  ///< (v)
    Array1<float> VibList;     ///< (i 1..NVibSel): selected levels as numbers
    int NVibSel = 0;

    // Settings used by the model.
    double Temperature = 300.0;  ///< K
    int ThermalFlag = 1;         ///< "Thermalized system"
    float MinimumPopulation = 0.00001f;
    float SpinFactor = 0.5f;

    // Edit table of the populations window (one vibrational level at a time).
    Array2<float> EditTable;  ///< (c 1..4, r 0..MaxN+3), row r stands for J = r + 1/2
    int NRotDisp = 0;
    std::array<float, 3> S{};  ///< S(1), S(2): sums of the F1 and F2 columns
    float Total = 0.0f;
    float Ratio = 0.0f;
    std::array<float, 3> RowMax{};  ///< RowMax(1), RowMax(2)
    float HistMax = 0.0f;
    float YParam = 0.0f;

    // Populations window.
    int SelV = 0;
    int SelF = 1;
    int SelParity = 0;
    StructureMode StructMode = StructureMode::AllOfN;
    int intTabPop = 0;

    // Temperatures of the populations window and the texts of their boxes; the main window's
    // temperature is copied here while the system is thermalised.
    float TVib = 300.0f;
    float TRotAll = 300.0f;
    std::string TxtTVibrational = " 300";
    std::string TxtTRotational = " 300";
    /// Text of the spin-orbit combination box ("0.0000"), rewritten when a level is shown.
    std::string TxtSpinCombination = "0.5000";
};

}  // namespace velmora
