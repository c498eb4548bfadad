// The isotopologue of a diatomic molecule of the catalogue, told from its formula and mass: the
// nuclei, their spins and terrestrial abundances, and the nuclear-spin statistical weights of its
// levels, as line lists for other programs state them.
#pragma once

#include <string>
#include <vector>

namespace velmora::database {

/// One stable nuclide.
struct Nuclide {
    std::string element;  ///< "O", "H" ...
    int massNumber = 0;
    double mass = 0.0;       ///< atomic mass, u
    int twiceSpin = 0;       ///< 2I
    double abundance = 0.0;  ///< terrestrial isotopic abundance (mole fraction)
};

/// The nuclides of one element known to the program, most abundant first; none for an unknown
/// symbol. "D" is deuterium (2H).
std::vector<Nuclide> NuclidesOf(const std::string& element);

/// A molecule as the line lists name it.
struct Isotopologue {
    bool identified = false;            ///< false: formula or mass not recognised (g_ns 1, abundance 1)
    std::vector<std::string> elements;  ///< the element symbols of the formula, as far as it reads
    std::vector<Nuclide> atoms;         ///< in the order of the formula, when identified
    int charge = 0;                     ///< +1 for "N2+"
    double mass = 0.0;                  ///< u: the atoms' masses less the electrons of the charge
    std::string name;                   ///< the catalogue's molecule name, used when not identified

    bool Homonuclear() const;
    /// Product of the isotopic abundances of the atoms (HITRAN's isotopologue abundance).
    double Abundance() const;
    /// Nuclear-spin degeneracy (2I1 + 1)(2I2 + 1) of the nuclei (of a heteronuclear molecule; two
    /// identical nuclei split it between the levels symmetric and antisymmetric under exchange).
    int NuclearSpinDegeneracy() const;
    /// "(16O)(1H)", "(14N)2+" ...: the ExoMol IsoFormula; "16O-1H", "14N2_p": the Iso-slug.
    std::string IsoFormula() const;
    std::string IsoSlug() const;

private:
    /// The nuclei as mass number and symbol, "(16O)(1H)" (formula) or "16O-1H"; two identical
    /// nuclei once, followed by 2.
    std::string Nuclei(bool formula) const;
};

/// The isotopologue of a diatomic molecule named `formula` ("OH", "OD", "N2+", "CO+", "SiH")
/// whose mass (u) is `mass`: the combination of the elements' nuclides whose mass lies within
/// 0.05 u of it, the most abundant first. Not identified when an element is unknown, the formula
/// has not two atoms or no combination has that mass.
Isotopologue IdentifyIsotopologue(const std::string& formula, double mass);

}  // namespace velmora::database
