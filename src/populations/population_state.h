// Relative populations of the populated electronic state and the populations-window edit state.
#pragma once

#include <array>
#include <string>

#include "common/bounded_array.h"

namespace velmora {

/// Component index c of population arrays: 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e.
struct PopulationState {
    int PopState = 1;   ///< 1 upper (emission), 2 lower (other kinds)
    int PopLambda = 0;  ///< Λ of the populated state

    Array1<float> PopVib;     ///< (v 0..NMaxVib)
    Array3<float> PopRot;     ///< (v 0..NMaxVib, c 1..4, N 0..MaxN+3)
    Array1<float> TRot;       ///< (v): K, -1 = non-thermal
    Array1<float> PopVibSel;  ///< (v)
    Array1<float> VibList;    ///< (i 1..NVibSel): selected levels as numbers
    int NVibSel = 0;

    // Settings used by the model.
    float Temperature = 300.0f;
    int ThermalFlag = 1;               ///< "Thermalized system"
    float MinimumPopulation = 0.00001f;
    float SpinFactor = 0.5f;

    // Edit table of the populations window (one vibrational level at a time).
    Array2<float> EditTable;  ///< (c 1..4, r 0..MaxN+3), row r stands for J = r + 1/2
    int NRotDisp = 0;
    std::array<float, 3> S{};       ///< S(1), S(2): sums of the F1 and F2 columns
    float Total = 0.0f;
    float Ratio = 0.0f;
    std::array<float, 3> RowMax{};  ///< RowMax(1), RowMax(2)
    float HistMax = 0.0f;
    float YParam = 0.0f;

    // Populations window.
    int SelV = 0;
    int SelF = 1;
    int SelParity = 0;
    int StructMode = 3;
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
