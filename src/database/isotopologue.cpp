#include "database/isotopologue.h"

#include <cctype>
#include <cmath>
#include <map>

namespace velmora::database {

namespace {

/// Electron mass, u.
constexpr double kElectronMass = 5.48579909e-4;

/// Atomic masses (AME 2020), nuclear spins and terrestrial isotopic abundances of the stable
/// nuclides of the elements diatomic radicals are made of, most abundant first. Abundances are
/// the IUPAC representative compositions, except H and O (VSMOW), C (VPDB) and N (air), the
/// reference materials HITRAN's isotopologue abundances rest on.
const std::map<std::string, std::vector<Nuclide>>& NuclideTable() {
    static const std::map<std::string, std::vector<Nuclide>> table = {
        {"H", {{"H", 1, 1.00782503223, 1, 0.99984426}, {"H", 2, 2.01410177812, 2, 1.5574e-4}}},
        {"D", {{"H", 2, 2.01410177812, 2, 1.5574e-4}}},
        {"Li", {{"Li", 7, 7.0160034366, 3, 0.9241}, {"Li", 6, 6.0151228874, 2, 0.0759}}},
        {"Be", {{"Be", 9, 9.012183065, 3, 1.0}}},
        {"B", {{"B", 11, 11.00930536, 3, 0.801}, {"B", 10, 10.01293695, 6, 0.199}}},
        {"C", {{"C", 12, 12.0, 0, 0.98894}, {"C", 13, 13.00335483507, 1, 0.01106}}},
        {"N", {{"N", 14, 14.00307400443, 2, 0.996337}, {"N", 15, 15.00010889888, 1, 0.003663}}},
        {"O",
         {{"O", 16, 15.99491461957, 0, 0.9976206},
          {"O", 18, 17.99915961286, 0, 0.0020004},
          {"O", 17, 16.99913175650, 5, 3.790e-4}}},
        {"F", {{"F", 19, 18.99840316273, 1, 1.0}}},
        {"Na", {{"Na", 23, 22.9897692820, 3, 1.0}}},
        {"Mg",
         {{"Mg", 24, 23.985041697, 0, 0.7899}, {"Mg", 26, 25.982592968, 0, 0.1101}, {"Mg", 25, 24.985836976, 5, 0.1}}},
        {"Al", {{"Al", 27, 26.98153853, 5, 1.0}}},
        {"Si",
         {{"Si", 28, 27.97692653465, 0, 0.92223},
          {"Si", 29, 28.97649466490, 1, 0.04685},
          {"Si", 30, 29.973770136, 0, 0.03092}}},
        {"P", {{"P", 31, 30.97376199842, 1, 1.0}}},
        {"S",
         {{"S", 32, 31.9720711744, 0, 0.9499},
          {"S", 34, 33.967867004, 0, 0.0425},
          {"S", 33, 32.9714589098, 3, 0.0075},
          {"S", 36, 35.96708071, 0, 1.0e-4}}},
        {"Cl", {{"Cl", 35, 34.968852682, 3, 0.7576}, {"Cl", 37, 36.965902602, 3, 0.2424}}},
        {"K", {{"K", 39, 38.9637064864, 3, 0.932581}, {"K", 41, 40.9618252579, 3, 0.067302}}},
        {"Ca",
         {{"Ca", 40, 39.962590863, 0, 0.96941},
          {"Ca", 44, 43.95548156, 0, 0.02086},
          {"Ca", 42, 41.95861783, 0, 0.00647},
          {"Ca", 43, 42.95876644, 7, 0.00135}}},
        {"Ti",
         {{"Ti", 48, 47.94794198, 0, 0.7372},
          {"Ti", 46, 45.95262772, 0, 0.0825},
          {"Ti", 47, 46.95175879, 5, 0.0744},
          {"Ti", 49, 48.94786568, 7, 0.0541},
          {"Ti", 50, 49.94478689, 0, 0.0518}}},
        {"Fe",
         {{"Fe", 56, 55.93493633, 0, 0.91754},
          {"Fe", 54, 53.93960899, 0, 0.05845},
          {"Fe", 57, 56.93539284, 1, 0.02119}}},
    };
    return table;
}

/// The element symbols of a formula ("OH" -> O, H; "N2+" -> N, N) and its charge; false when it
/// cannot be read.
bool ParseFormula(const std::string& formula, std::vector<std::string>& atoms, int& charge) {
    atoms.clear();
    charge = 0;
    for (std::size_t i = 0; i < formula.size();) {
        const unsigned char c = static_cast<unsigned char>(formula[i]);
        if (std::isupper(c)) {
            std::string symbol(1, formula[i++]);
            while (i < formula.size() && std::islower(static_cast<unsigned char>(formula[i]))) symbol += formula[i++];
            atoms.push_back(symbol);
        } else if (std::isdigit(c) && !atoms.empty()) {
            const int count = formula[i++] - '0';
            for (int k = 1; k < count; ++k) atoms.push_back(atoms.back());
        } else if (c == '+' || c == '-') {
            charge += c == '+' ? 1 : -1;
            ++i;
        } else {
            return false;
        }
    }
    return !atoms.empty();
}

}  // namespace

std::vector<Nuclide> NuclidesOf(const std::string& element) {
    const auto& table = NuclideTable();
    const auto it = table.find(element);
    return it == table.end() ? std::vector<Nuclide>{} : it->second;
}

bool Isotopologue::Homonuclear() const {
    return atoms.size() == 2 && atoms[0].element == atoms[1].element && atoms[0].massNumber == atoms[1].massNumber;
}

double Isotopologue::Abundance() const {
    if (!identified) return 1.0;
    double a = 1.0;
    for (const Nuclide& n : atoms) a *= n.abundance;
    return a;
}

int Isotopologue::NuclearSpinDegeneracy() const {
    int g = 1;
    if (identified)
        for (const Nuclide& n : atoms) g *= n.twiceSpin + 1;
    return g;
}

std::string Isotopologue::Nuclei(bool formula) const {
    std::string s;
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        if (i > 0 && Homonuclear()) return s + "2";
        const std::string nucleus = std::to_string(atoms[i].massNumber) + atoms[i].element;
        s += formula ? "(" + nucleus + ")" : (i > 0 ? "-" : "") + nucleus;
    }
    return s;
}

std::string Isotopologue::IsoFormula() const {
    if (!identified) return name;
    return Nuclei(true) + (charge > 0 ? "+" : charge < 0 ? "-" : "");
}

std::string Isotopologue::IsoSlug() const {
    if (!identified) return name;
    return Nuclei(false) + (charge > 0 ? "_p" : charge < 0 ? "_m" : "");
}

Isotopologue IdentifyIsotopologue(const std::string& formula, double mass) {
    Isotopologue iso;
    iso.name = formula;
    iso.mass = mass;
    if (!ParseFormula(formula, iso.elements, iso.charge) || iso.elements.size() != 2) return iso;
    const std::vector<Nuclide> first = NuclidesOf(iso.elements[0]), second = NuclidesOf(iso.elements[1]);
    double best = 0.0;
    for (const Nuclide& a : first)
        for (const Nuclide& b : second) {
            const double m = a.mass + b.mass - iso.charge * kElectronMass;
            const double abundance = a.abundance * b.abundance;
            if (std::fabs(m - mass) > 0.05 || abundance <= best) continue;
            best = abundance;
            iso.atoms = {a, b};
            iso.mass = m;
            iso.identified = true;
        }
    return iso;
}

}  // namespace velmora::database
