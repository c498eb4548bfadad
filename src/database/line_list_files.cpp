#include "database/line_list_files.h"

#include <algorithm>
#include <cstdio>

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

std::string Left(const std::string& s, std::size_t width) {
    return s.size() >= width ? s.substr(0, width) : s + std::string(width - s.size(), ' ');
}

// Default pressure broadening of the HITRAN records: air- and self-broadened HWHM (cm-1/atm at
// 296 K), temperature exponent and air shift. The program holds no per-line values.
constexpr double kGammaAir = 0.05, kGammaSelf = 0.05, kAirExponent = 0.75, kAirShift = 0.0;

}  // namespace

void WriteExoMol(const ExportedLineList& list, const std::string& prefix) {
    AtomicTextWriter states(prefix + ".states");
    for (const ExportedLevel& l : list.levels)
        states.Write(Printf("%12d %12.6f %6d %7.1f %c %3d %2d %5.1f %5.1f %s\n", l.id, l.energy, l.G(), l.J, l.parity,
                            l.v, l.lambda, l.sigma, l.omega, l.label.c_str()));
    AtomicTextWriter trans(prefix + ".trans");
    for (const ExportedLine& t : list.lines)
        trans.Write(Printf("%12d %12d %10.4E %15.6f\n", t.upper, t.lower, t.A, t.nu));

    double maxJ = 0.0;
    for (const ExportedLevel& l : list.levels) maxJ = std::max(maxJ, l.J);
    AtomicTextWriter def(prefix + ".def");
    auto item = [&def](const std::string& value, const std::string& what) {
        def.Write(Left(value, 40) + "# " + what + "\n");
    };
    item("EXOMOL.def", "ID");
    item(list.molecule, "Molecule");
    item(list.molecule + list.system, "Band system");
    item(Printf("%.6f", list.mass), "Isotopologue mass (Da)");
    item("cm-1, from the lowest level of the list", "Energy zero");
    item(std::to_string(list.levels.size()), "No. of states in .states file");
    item(std::to_string(list.lines.size()), "No. of transitions in .trans file");
    item(Printf("%.1f", maxJ), "Maximum J");
    item("2J+1 (nuclear-spin degeneracy g_ns = 1)", "Degeneracy");
    item("per line, s-1; the A of a level's lines sum to 1/lifetime", "Einstein A");
    item(Printf("%.4f", list.PartitionFunction(kHitranTemperature)),
         "Partition function of the listed levels at 296 K");
    item("10", "No. of quantum-number columns in .states");
    item("i E g J e/f v Lambda Sigma Omega State", "Columns of .states");
    item("i_upper i_lower A nu", "Columns of .trans (nu: the program's line position, cm-1)");
    item("term values and transition probabilities of the program's database", "Source");
    states.Commit();
    trans.Commit();
    def.Commit();
}

void WriteHitran(const ExportedLineList& list, const std::string& prefix) {
    const int molecule = list.hitranMolecule, isotopologue = list.hitranIsotopologue;
    AtomicTextWriter par(prefix + ".par");
    for (const ExportedLine& t : list.lines) {
        const ExportedLevel& up = list.levels[static_cast<std::size_t>(t.upper - 1)];
        const ExportedLevel& low = list.levels[static_cast<std::size_t>(t.lower - 1)];
        // F5.4 has no room for the leading zero of the air width: ".0500".
        std::string r = Printf("%2d%1d%12.6f%10.3E%10.3E", molecule, isotopologue, t.nu,
                               list.Intensity(t, kHitranTemperature), t.A) +
                        Printf("%.4f", kGammaAir).substr(1) +
                        Printf("%5.3f%10.4f%4.2f%8.6f", kGammaSelf, low.energy, kAirExponent, kAirShift);
        // Global quanta: electronic state and v; local quanta: branch, J and e/f.
        r += Right(up.label + " " + std::to_string(up.v), 15) + Right(low.label + " " + std::to_string(low.v), 15);
        r += Right(Printf("%5.1f%c", up.J, up.parity), 15);
        r += Right(Left(t.branch, 4) + Printf("%5.1f%c", low.J, low.parity), 15);
        r += "000000" + std::string(" 0 0 0 0 0 0") + " " + Printf("%7.1f%7.1f", up.G() * 1.0, low.G() * 1.0);
        par.Write(r + "\n");
    }
    par.Commit();
}

}  // namespace velmora::database
