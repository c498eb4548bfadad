#include "franck_condon.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace velmora::datagen {

std::vector<std::vector<double>> FranckCondonFactors(const std::vector<double>& upper, const std::vector<double>& lower,
                                                     const RadialGrid& grid, double mu, int nUp, int nLow) {
    std::vector<Eigenstate> low;
    for (int b = 0; b < nLow; ++b) low.push_back(SolveRadial(lower, grid, mu, b));
    std::vector<std::vector<double>> q(static_cast<std::size_t>(nUp),
                                       std::vector<double>(static_cast<std::size_t>(nLow)));
    for (int a = 0; a < nUp; ++a) {
        const Eigenstate up = SolveRadial(upper, grid, mu, a);
        for (int b = 0; b < nLow; ++b) {
            const double o = Overlap(up.psi, low[static_cast<std::size_t>(b)].psi, grid);
            q[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = o * o;
        }
    }
    return q;
}

namespace {

RkrPotential Potential(const VibrationalConstants& s, double mu, int levels) {
    const auto G = [&s](double h) { return h * (s.we + h * (-s.wexe + h * s.weye)); };
    const auto B = [&s](double h) { return s.Be - s.alphaE * h; };
    // Up to one level above the last one used, but below the top of G (where dG/dv = 0) and
    // where B stays positive.
    double top = levels + 0.5;
    if (s.wexe > 0 && s.weye == 0) top = std::min(top, 0.8 * s.we / (2 * s.wexe) - 0.5);
    if (s.alphaE > 0) top = std::min(top, 0.8 * s.Be / s.alphaE - 0.5);
    if (!(top >= levels - 1.0))
        throw std::runtime_error("the equilibrium constants of state " + s.name + " hold fewer than " +
                                 std::to_string(levels) + " vibrational levels");
    return RkrPotential(G, B, mu, top, s.name);
}

}  // namespace

std::vector<std::vector<double>> EquilibriumFranckCondon(const VibrationalConstants& upper,
                                                         const VibrationalConstants& lower, double mu, int nUp,
                                                         int nLow) {
    const RkrPotential up = Potential(upper, mu, nUp), low = Potential(lower, mu, nLow);
    // Both potentials on one grid that reaches well beyond their turning points.
    const double rin = std::min(up.InnerLimit(), low.InnerLimit());
    const double rout = std::max(up.OuterLimit(), low.OuterLimit());
    const double span = rout - rin;
    RadialGrid grid;
    grid.r0 = std::max(0.05, rin - 0.3 * span);
    grid.n = 6000;
    grid.h = (rout + 0.6 * span - grid.r0) / (grid.n - 1);
    std::vector<double> U(static_cast<std::size_t>(grid.n)), L(U.size());
    for (int i = 0; i < grid.n; ++i) {
        U[static_cast<std::size_t>(i)] = up(grid.R(i));
        L[static_cast<std::size_t>(i)] = low(grid.R(i));
    }
    return FranckCondonFactors(U, L, grid, mu, nUp, nLow);
}

}  // namespace velmora::datagen
