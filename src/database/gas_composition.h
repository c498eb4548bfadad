// A gas mixture as the mole fractions of its collision partners, given by chemical formulas
// ("N2=0.71,H2O=0.19,CO2=0.095,O2=0.005"), and the molar masses of those formulas.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::database {

/// Partners of a gas and their mole fractions (together 1), in the order given.
struct GasComposition {
    std::vector<std::pair<std::string, double>> partners;

    bool Empty() const { return partners.empty(); }
    bool operator==(const GasComposition& other) const { return partners == other.partners; }
};

/// Mole fractions may miss 1 by this much (rounded values).
inline constexpr double kMoleFractionTolerance = 1e-3;

/// Reads "A=x,B=y,...": partners by chemical formula, fractions 0..1 that add up to 1; one
/// partner may take "rest", the fraction the others leave. Blanks are ignored; an empty text is
/// an empty gas. Throws std::invalid_argument naming the entry at fault.
GasComposition ParseComposition(std::string_view text);

/// A mole fraction as text, to six significant digits ("0.095").
std::string FractionText(double x);

/// The composition as ParseComposition reads it ("N2=0.79,O2=0.21").
std::string CompositionText(const GasComposition& gas);

/// Molar mass (g/mol) of a chemical formula such as "H2O" or "C3H8", from the standard atomic
/// weights (IUPAC 2005; D for deuterium). Throws std::invalid_argument for anything else.
double MolarMass(std::string_view formula);

}  // namespace velmora::database
