#include "database/line_list_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>

#include "common/text_writer.h"

namespace velmora::database {

namespace {

/// printf into a string.
template <typename... Args>
std::string Printf(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

/// Right-justified in `width` characters (cut on the left when longer).
std::string Right(const std::string& s, std::size_t width) {
    return s.size() >= width ? s.substr(s.size() - width) : std::string(width - s.size(), ' ') + s;
}

/// Left-justified in `width` characters, followed by at least one blank.
std::string Left(const std::string& s, std::size_t width) {
    return s + std::string(s.size() < width ? width - s.size() : 1, ' ');
}

/// Atomic mass unit, kg.
constexpr double kAtomicMassUnit = 1.66053906660e-27;
/// Pressures of one atmosphere in bar.
constexpr double kBarPerAtm = 1.01325;

// ---- ExoMol --------------------------------------------------------------------------------

/// One quantum label of the .states file: its name, format (Fortran and C) and description.
struct QuantumLabel {
    const char* name;
    const char* format;
    const char* description;
};

constexpr QuantumLabel kQuanta[] = {
    {"+/-", "A1 %1s", "Total parity"},
    {"e/f", "A1 %1s", "Rotationless parity"},
    {"State", "A5 %5s", "Electronic state"},
    {"v", "I3 %3d", "State vibrational quantum number"},
    {"Lambda", "I3 %3d", "Projection of the electronic angular momentum"},
    {"Sigma", "F5.1 %5.1f", "Projection of the electron spin (nominal Hund's case (a))"},
    {"Omega", "F5.1 %5.1f", "Projection of the total angular momentum (nominal Hund's case (a))"},
    {"N", "I4 %4d", "Hund's case (b) rotational quantum number"},
    {"F1/F2", "A2 %2s", "Spin component"},
};

/// The dataset name in a prefix ISO-SLUG__DATASET, else its file name.
std::string DatasetName(const std::string& prefix) {
    const std::string name = std::filesystem::path(prefix).filename().string();
    const std::size_t cut = name.rfind("__");
    return cut == std::string::npos || cut + 2 >= name.size() ? name : name.substr(cut + 2);
}

/// Today as YYYYMMDD, the version number of the dataset.
std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y%m%d", &local);
    return buffer;
}

/// The highest energy below which the list holds every level of the lower state's vibrational
/// levels it lists: the lowest top of their rotational ladders.
double CompleteBelow(const ExportedLineList& list) {
    std::map<int, double> top;  // v'' -> highest listed energy
    for (const ExportedLevel& l : list.levels)
        if (l.state == 2) top[l.v] = std::max(top[l.v], l.energy);
    double complete = 0.0;
    bool first = true;
    for (const auto& [v, e] : top)
        if (first || e < complete) complete = e, first = false;
    return complete;
}

void WriteDefinition(const ExportedLineList& list, const std::string& prefix, AtomicTextWriter& def) {
    auto item = [&def](const std::string& value, const std::string& what) {
        def.Write(Left(value, 48) + "# " + what + "\n");
    };
    const Isotopologue& iso = list.isotopologue;
    item("EXOMOL.def", "ID");
    item(iso.IsoFormula(), "IsoFormula");
    item(iso.IsoSlug(), "Iso-slug");
    item(DatasetName(prefix), "Isotopologue dataset name");
    item(Today(), "Version number with format YYYYMMDD");
    item("unknown", "Inchi key of molecule");
    // A molecule not identified keeps the elements its name gives, with isotope number 0.
    const std::size_t atoms = iso.identified ? iso.atoms.size() : std::max<std::size_t>(iso.elements.size(), 1);
    item(std::to_string(atoms), "Number of atoms");
    for (std::size_t i = 0; i < atoms; ++i) {
        item(std::to_string(iso.identified ? iso.atoms[i].massNumber : 0), "Isotope number " + std::to_string(i + 1));
        item(iso.identified            ? iso.atoms[i].element
             : i < iso.elements.size() ? iso.elements[i]
                                       : iso.name,
             "Element symbol " + std::to_string(i + 1));
    }
    item(Printf("%.6f %.6E", iso.mass, iso.mass * kAtomicMassUnit), "Isotopologue mass (Da) and (kg)");
    // Rovibronic symmetry: C∞v(M) by parity; D∞h(M) adds the symmetry under the exchange of the
    // two nuclei (Σg+ and Σu- symmetric, Σg- and Σu+ antisymmetric).
    const bool homonuclear = list.homonuclearWeights;
    item(homonuclear ? "D(inf)h(M)" : "C(inf)v(M)", "Symmetry group");
    struct Irrep {
        const char* label;
        bool symmetric;
    };
    const std::vector<Irrep> irreps =
        homonuclear ? std::vector<Irrep>{{"Sigma+g", true}, {"Sigma-g", false}, {"Sigma+u", false}, {"Sigma-u", true}}
                    : std::vector<Irrep>{{"Sigma+", true}, {"Sigma-", true}};
    item(std::to_string(irreps.size()), "Number of irreducible representations");
    for (std::size_t i = 0; i < irreps.size(); ++i) {
        item(std::to_string(i + 1), "Irreducible representation ID");
        item(irreps[i].label, "Irreducible representation label");
        const NuclearSpinWeights w = ExchangeWeights(list);
        const double g = !homonuclear          ? iso.NuclearSpinDegeneracy()
                         : irreps[i].symmetric ? w.symmetric
                                               : w.antisymmetric;
        item(std::to_string(static_cast<int>(g)), "Nuclear spin degeneracy");
    }
    item(std::to_string(kPartitionFunctionTop), "Maximum temperature of linelist");
    item("0", "No. of pressure broadeners available");
    item("0", "Dipole availability (1=yes, 0=no)");
    item("0", "No. of cross section files available");
    item("0", "No. of k-coefficient files available");
    item("0", "Lifetime availability (1=yes, 0=no)");
    item("0", "Lande g-factor availability (1=yes, 0=no)");
    item("1", "Uncertainty availability (1=yes, 0=no)");
    item(std::to_string(list.levels.size()), "No. of states in .states file");
    item("1", "No. of quanta cases");
    item("Hund-a", "Quantum case label");
    item(std::to_string(std::size(kQuanta)), "No. of quanta defined");
    int components = 2;
    for (const ExportedLevel& l : list.levels) components = std::max(components, l.F);
    for (const QuantumLabel& q : kQuanta) {
        // The spin-component label names every component a list holds (F1/F2/F3 for a triplet).
        std::string name = q.name;
        if (name == "F1/F2")
            for (int F = 3; F <= components; ++F) name += "/F" + std::to_string(F);
        item(name, "Quantum label");
        item(q.format, "Format quantum label");
        item(q.description, "Description quantum label");
    }
    double maxNu = 0.0;
    for (const ExportedLine& t : list.lines) maxNu = std::max(maxNu, t.nu);
    item(std::to_string(list.lines.size()), "Total number of transitions");
    item("1", "No. of transition files");
    item(Printf("%.6f", maxNu), "Maximum wavenumber (in cm-1)");
    item(Printf("%.6f", CompleteBelow(list)), "Higher energy with complete set of transitions (in cm-1)");
    item(std::to_string(kPartitionFunctionTop), "Maximum temperature of partition function");
    item("1", "Step size of temperature");
    item(Printf("%.4f", kDefaultHalfWidthPerAtm / kBarPerAtm),
         "Default value of Lorentzian half-width for all lines (in cm-1/bar)");
    item(Printf("%.2f", kDefaultTemperatureExponent), "Default value of temperature exponent for all lines");
}

// ---- HITRAN --------------------------------------------------------------------------------

/// Ω as HITRAN's global quanta write it: "1/2", "3/2" ...
std::string OmegaLabel(double omega) {
    const long twice = std::lround(2.0 * std::fabs(omega));
    return twice % 2 == 0 ? std::to_string(twice / 2) : std::to_string(twice) + "/2";
}

/// Branch letter of a change of N or J by -2..+2.
char BranchLetter(int delta) { return delta >= -2 && delta <= 2 ? "OPQRS"[delta + 2] : '?'; }

/// Global quanta of a level (A15). Class 3, diatomic molecules with a doublet Π state, when Ω
/// differs between the levels of a state (either state has Λ >= 1, or is a triplet; a triplet
/// writes its Ω 0, 1, 2 in the same A3 field): electronic state, Ω and v (7X, A1, A3, 2X, I2).
/// Class 2, diatomic molecules with different electronic levels, for doublet Σ-Σ systems, whose
/// Ω is 1/2 throughout: electronic state and v (12X, A1, I2).
std::string GlobalQuanta(const ExportedLevel& l, bool withOmega) {
    if (withOmega) return Right(l.label, 8) + Right(OmegaLabel(l.omega), 3) + "  " + Printf("%2d", l.v);
    return Right(l.label, 13) + Printf("%2d", l.v);
}

/// Local quanta (A15): 2X, A2 branch (ΔN and ΔJ letters), F5.1 J, A1 e/f, A5 hyperfine F (blank).
/// The lower level carries the branch; the upper level writes its J and e/f in the same columns.
std::string LocalQuanta(const ExportedLevel& l, const std::string& branch) {
    return "  " + Right(branch, 2) + Printf("%5.1f%c", l.J, l.parity) + "     ";
}

}  // namespace

std::string HitranE103(double value) {
    if (!(value >= 1e-99)) value = 0.0;
    return Printf("%10.3E", std::min(value, 9.999e99));
}

int HitranWavenumberCode(double uncertainty) {
    int code = 0;
    while (code < 9 && uncertainty < std::pow(10.0, -code)) ++code;
    return code;
}

void WriteExoMol(const ExportedLineList& list, const std::string& prefix) {
    AtomicTextWriter states(prefix + ".states");
    std::string text;
    for (const ExportedLevel& l : list.levels)
        text += Printf("%12d %12.6f %6d %7.1f %12.6f %c %c %5s %3d %3d %5.1f %5.1f %4d F%d\n", l.id, l.energy, l.G(),
                       l.J, list.uncertainty, l.totalParity, l.parity, l.label.c_str(), l.v, l.lambda, l.sigma, l.omega,
                       l.N, l.F);
    states.Write(text);

    AtomicTextWriter trans(prefix + ".trans");
    text.clear();
    for (const ExportedLine& t : list.lines) text += Printf("%12d %12d %10.4E %15.6f\n", t.upper, t.lower, t.A, t.nu);
    trans.Write(text);

    AtomicTextWriter pf(prefix + ".pf");
    text.clear();
    for (int T = 1; T <= kPartitionFunctionTop; ++T)
        text += Printf("%8.1f %15.4f\n", T * 1.0, list.PartitionFunction(T));
    pf.Write(text);

    AtomicTextWriter def(prefix + ".def");
    WriteDefinition(list, prefix, def);
    states.Commit();
    trans.Commit();
    pf.Commit();
    def.Commit();
}

void WriteHitran(const ExportedLineList& list, const std::string& prefix) {
    const int molecule = list.hitranMolecule, isotopologue = list.hitranIsotopologue;
    const double Q = list.PartitionFunction(kHitranTemperature);
    // Uncertainty codes: wavenumber from the levels' uncertainty, intensity unreported, the
    // default widths and exponent "default or constant"; the zero shift has no default code on
    // its absolute scale and stays "unreported".
    const std::string codes = std::to_string(HitranWavenumberCode(list.uncertainty)) + "01110";
    AtomicTextWriter par(prefix + ".par");
    std::string text;
    for (const ExportedLine& t : list.lines) {
        const ExportedLevel& up = list.levels[static_cast<std::size_t>(t.upper - 1)];
        const ExportedLevel& low = list.levels[static_cast<std::size_t>(t.lower - 1)];
        // F5.4 has no room for the leading zero of the air width: ".0500".
        std::string r =
            Printf("%2d%1d%12.6f", molecule, isotopologue, t.nu) +
            HitranE103(list.Intensity(t, kHitranTemperature, Q)) + HitranE103(t.A) +
            Printf("%.4f", kDefaultHalfWidthPerAtm).substr(1) +
            Printf("%5.3f%10.4f%4.2f%8.6f", kDefaultHalfWidthPerAtm, low.energy, kDefaultTemperatureExponent, 0.0);
        r += GlobalQuanta(up, list.lambdaDoubled) + GlobalQuanta(low, list.lambdaDoubled);
        const std::string branch{BranchLetter(up.N - low.N), BranchLetter(static_cast<int>(std::lround(up.J - low.J)))};
        r += LocalQuanta(up, "") + LocalQuanta(low, branch);
        r += codes + " 0 0 0 0 0 0" + " " + Printf("%7.1f%7.1f", up.G() * 1.0, low.G() * 1.0);
        text += r + "\n";
    }
    par.Write(text);
    par.Commit();
}

}  // namespace velmora::database
