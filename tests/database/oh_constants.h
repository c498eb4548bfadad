// Constants of OH used by the tests as real data.
#pragma once

#include <array>

namespace velmora::database {

/// Level constants in column order: T B D H L M A A_D A_H γ γ_D γ_H p p_D p_H q q_D q_H.
using Constants = std::array<double, 18>;

// OH X 2Π_i and A 2Σ⁺ constants of the N² Hamiltonian, as published (+L N⁸; OH A–X data set,
// levels_X.csv v = 0, 9, 13 and levels_A.csv v = 0, 1, 3).
inline const Constants kOHX[] = {
    {0.0, 18.53487274, 0.001908918631, 1.424841776e-07, -1.402570425e-11, 0, -139.0508443, 0, 0, -0.1192587978,
     2.364957058e-05, -3.094267326e-09, 0.2353577925, -5.218046899e-05, 5.451752368e-09, -0.03868904947,
     1.469896666e-05, -2.471566953e-09},
    {26202.44528, 12.1453442, 0.00185772495, -1.18814285e-08, -5.516303344e-11, 0, -140.1408706, 0, 0, -0.05558233398,
     5.318862384e-05, -6.014083506e-08, 0.1169410073, -8.291939973e-05, 0, -0.02118452511, 1.475853997e-05,
     -3.312558086e-09},
    {33109.66049, 8.327802112, 0.002790538656, -4.001190025e-07, 0, 0, -133.031818, 0, 0, 0.08677522238,
     9.991746805e-05, 0, -0.05720591915, -0.0002699659199, 0, -0.007238333804, 1.899434882e-05, 0}};
inline const Constants kOHA[] = {{32420.91439, 16.96513549, 0.002064162868, 1.270099119e-07, -2.009039539e-11, 0, 0, 0,
                                  0, 0.2261009997, -4.759664173e-05, 4.332351105e-09},
                                 {35409.51300, 16.12952079, 0.002047544855, 1.123945851e-07, -2.603822422e-11, 0, 0, 0,
                                  0, 0.2169345384, -4.46435583e-05, 0},
                                 {40796.10794, 14.42230377, 0.002064635969, 0, 0, 0, 0, 0, 0, 0.1959552808, 0, 0}};

/// The published constants as Π convention 0 takes them: it subtracts its L column.
inline Constants Convention0(Constants c) {
    c[4] = -c[4];
    return c;
}

}  // namespace velmora::database
