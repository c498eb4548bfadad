#include "database/gas_composition.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "common/number_format.h"

namespace velmora::database {

namespace {

struct Element {
    const char* symbol;
    double weight;  ///< g/mol
};

// Standard atomic weights (IUPAC 2005), the values of the published quenching check values.
constexpr Element kElements[] = {
    {"H", 1.00794}, {"D", 2.014101778}, {"He", 4.002602}, {"C", 12.0107},  {"N", 14.0067},
    {"O", 15.9994}, {"F", 18.9984032},  {"Ne", 20.1797},  {"Si", 28.0855}, {"S", 32.065},
    {"Cl", 35.453}, {"Ar", 39.948},     {"Kr", 83.798},   {"Xe", 131.293},
};

}  // namespace

double MolarMass(std::string_view formula) {
    auto refuse = [&] {
        return std::invalid_argument("\"" + std::string(formula) +
                                     "\" is not a chemical formula of H, D, He, C, N, O, F, Ne, Si, S, Cl, Ar, Kr "
                                     "or Xe (such as N2, H2O, CO2, Ar)");
    };
    double mass = 0.0;
    std::size_t i = 0;
    if (formula.empty()) throw refuse();
    while (i < formula.size()) {
        if (!std::isupper(static_cast<unsigned char>(formula[i]))) throw refuse();
        std::string symbol(1, formula[i++]);
        if (i < formula.size() && std::islower(static_cast<unsigned char>(formula[i]))) symbol += formula[i++];
        int count = 0;
        while (i < formula.size() && std::isdigit(static_cast<unsigned char>(formula[i])) && count < 1000)
            count = 10 * count + (formula[i++] - '0');
        const Element* element = nullptr;
        for (const Element& e : kElements)
            if (symbol == e.symbol) element = &e;
        if (!element) throw refuse();
        mass += element->weight * (count == 0 ? 1 : count);
    }
    return mass;
}

GasComposition ParseComposition(std::string_view text) {
    GasComposition gas;
    double sum = 0.0;
    int rest = -1;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(',', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string entry;
        for (char c : text.substr(pos, end - pos))
            if (!std::isspace(static_cast<unsigned char>(c))) entry += c;
        pos = end + 1;
        if (entry.empty()) {
            if (end == text.size()) break;
            continue;
        }
        const auto eq = entry.find('=');
        if (eq == std::string::npos)
            throw std::invalid_argument("\"" + entry + "\": give a partner and its mole fraction, such as N2=0.79");
        const std::string partner = entry.substr(0, eq), value = entry.substr(eq + 1);
        MolarMass(partner);  // a formula the collision speeds can be computed for
        for (const auto& p : gas.partners)
            if (p.first == partner) throw std::invalid_argument("partner " + partner + " is given twice");
        double x = 0.0;
        if (value == "rest") {
            if (rest >= 0) throw std::invalid_argument("only one partner can take the rest");
            rest = static_cast<int>(gas.partners.size());
        } else if (!IsNumeric(value) || !(Val(value) >= 0.0 && Val(value) <= 1.0)) {
            throw std::invalid_argument("the mole fraction of " + partner +
                                        " must be a number from 0 to 1 (or rest), not \"" + value + "\"");
        } else {
            x = Val(value);
        }
        sum += x;
        gas.partners.emplace_back(partner, x);
    }
    if (gas.partners.empty()) return gas;
    if (rest >= 0) {
        if (sum > 1.0 + kMoleFractionTolerance)
            throw std::invalid_argument("the mole fractions add up to " + Trim(Str(static_cast<float>(sum))) +
                                        ", above 1: nothing is left for " +
                                        gas.partners[static_cast<std::size_t>(rest)].first);
        gas.partners[static_cast<std::size_t>(rest)].second = std::max(0.0, 1.0 - sum);
    } else if (std::fabs(sum - 1.0) > kMoleFractionTolerance) {
        throw std::invalid_argument("the mole fractions add up to " + Trim(Str(static_cast<float>(sum))) +
                                    ", not 1 (let one partner take the rest, such as N2=rest)");
    }
    return gas;
}

std::string FractionText(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", x);
    return buf;
}

std::string CompositionText(const GasComposition& gas) {
    std::string text;
    for (const auto& [partner, x] : gas.partners) text += (text.empty() ? "" : ",") + partner + "=" + FractionText(x);
    return text;
}

}  // namespace velmora::database
