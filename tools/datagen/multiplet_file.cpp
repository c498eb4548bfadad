#include "multiplet_file.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "common/errors.h"
#include "csv_table.h"
#include "franck_condon.h"
#include "system_model.h"

namespace velmora::datagen {

namespace {

constexpr const char* kEol = "\r\n";

/// The constants of a levels table the engine takes, by their column names (empty cells: 0,
/// the folder READMEs' "not determined").
constexpr const char* kColumns[] = {"T_v", "B",      "D",        "H",     "L",       "A",       "A_D",
                                    "A_H", "lambda", "lambda_D", "gamma", "gamma_D", "gamma_H", "o",
                                    "o_D", "p",      "p_D",      "p_H",   "q",       "q_D",     "q_H"};

std::string Number(double v) {
    if (v == 0.0) v = 0.0;  // no "-0"
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

/// label, Λ, 2S, Σ reflection, g/u, F labels: the fields of a state of STATES.SYS.
std::string StateLine(const StateDefinition& s) {
    const char reflection = s.sigmaSign > 0 ? '+' : s.sigmaSign < 0 ? '-' : '0';
    std::ostringstream out;
    out << s.label << ' ' << s.lambda << ' ' << s.twoS << ' ' << reflection << ' ' << s.inversion << ' ' << s.labels;
    return out.str();
}

/// Writes the levels of a state that have constants and returns their term values by v; a row
/// without a term value is a level the folder gives no constants for (perturbed, too few levels
/// fitted), which the system then does not have.
std::map<int, double> WriteLevels(std::ostream& out, const StateDefinition& s, const std::filesystem::path& source,
                                  const std::string& sourceName) {
    const CsvTable t = CsvTable::Read(source / s.file, sourceName + "/" + s.file);
    const int vColumn = t.Column("v");
    std::vector<int> columns;
    for (const char* name : kColumns) columns.push_back(t.Column(name));
    std::map<int, double> seen;
    for (const CsvRow& row : t.Rows()) {
        const int v = t.Integer(row, vColumn);
        if (v > s.vmax || t.IsEmpty(row, columns[0])) continue;
        seen[v] = t.Number(row, columns[0]);
        out << "level = " << s.label << ' ' << v;
        for (std::size_t k = 0; k < columns.size(); ++k)
            out << ' ' << Number(k == 0 ? t.Number(row, columns[k]) : t.NumberOr(row, columns[k], 0.0));
        out << kEol;
    }
    if (!seen.count(0)) throw FileError::In(sourceName + "/" + s.file, "has no constants of v = 0");
    return seen;
}

/// The equilibrium constants of a state from the folder's equilibrium.csv row of its label.
VibrationalConstants EquilibriumRow(const EntryDefinition& e, const StateDefinition& s,
                                    const std::filesystem::path& source, const std::string& sourceName) {
    const std::string file = e.folder + "/equilibrium.csv";
    const CsvTable t = CsvTable::Read(source / file, sourceName + "/" + file);
    const int state = t.Column("state");
    for (const CsvRow& row : t.Rows()) {
        if (t.Text(row, state) != s.label) continue;
        VibrationalConstants c;
        c.name = s.label + " (" + e.code + ")";
        c.we = t.Number(row, t.Column("we"));
        c.wexe = t.NumberOr(row, t.Column("wexe"), 0.0);
        c.weye = t.NumberOr(row, t.Column("weye"), 0.0);
        c.Be = t.Number(row, t.Column("Be"));
        c.alphaE = t.NumberOr(row, t.Column("alpha_e"), 0.0);
        if (!(c.we > 0 && c.Be > 0)) t.Fail(row, t.Column("we"), "we and Be must be above 0");
        return c;
    }
    throw FileError::In(sourceName + "/" + file, "has no row for state \"" + s.label + "\"");
}

/// Band coefficients of a system without an absolute scale: the Franck-Condon factors of the
/// equilibrium potentials times a unit transition moment (1 debye^2), A = k g nu^3 q, nu the
/// difference of the term values written. Bands with q below 1e-5 are left out.
int WriteComputedBands(std::ostream& out, const EntryDefinition& e, const std::map<int, double>& upper,
                       const std::map<int, double>& lower, const std::filesystem::path& source,
                       const std::string& sourceName) {
    const int nUp = upper.rbegin()->first + 1, nLow = lower.rbegin()->first + 1;
    const auto q = EquilibriumFranckCondon(EquilibriumRow(e, e.upper, source, sourceName),
                                           EquilibriumRow(e, e.lower, source, sourceName), e.reducedMass, nUp, nLow);
    const int L1 = e.upper.lambda, L2 = e.lower.lambda;
    const double g = (2.0 - (L1 + L2 == 0 ? 1 : 0)) / (2.0 - (L1 == 0 ? 1 : 0));
    int bands = 0;
    for (const auto& [a, Ta] : upper)
        for (const auto& [b, Tb] : lower) {
            const double f = q[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)], nu = Ta - Tb;
            if (f < 1e-5 || !(nu > 0)) continue;
            out << "band = " << a << ' ' << b << ' ' << Number(kEinsteinFactor * g * nu * nu * nu * f) << kEol;
            ++bands;
        }
    return bands;
}

}  // namespace

std::string MultipletFile(const std::vector<EntryDefinition>& entries, const std::filesystem::path& source,
                          const std::string& sourceName) {
    std::ostringstream out;
    out << "VELmora band systems of any multiplicity (written by datagen from data-src; do not edit)" << kEol << 1
        << kEol;
    out << "constants =";
    for (const char* name : kColumns) out << ' ' << name;
    out << kEol;
    for (const EntryDefinition& e : entries) {
        if (e.engine != "multiplet") continue;
        out << "[system]" << kEol << "code = " << e.code << kEol << "name = " << e.name << kEol << "title = " << e.title
            << kEol << "mass = " << Number(e.mass) << kEol;
        if (e.nuclearSpin == 1)
            out << "nuclear_spin = " << Number(e.symmetricWeight) << ' ' << Number(e.antisymmetricWeight) << kEol;
        if (e.hitranMolecule > 0) out << "hitran = " << e.hitranMolecule << ' ' << e.hitranIsotopologue << kEol;
        out << "max_J = " << e.maxJ << kEol << "approximate = " << (e.approximate ? "yes" : "no") << kEol;
        if (!e.absoluteScale) out << "absolute_scale = none" << kEol;
        out << "upper = " << StateLine(e.upper) << kEol << "lower = " << StateLine(e.lower) << kEol;
        const std::map<int, double> upper = WriteLevels(out, e.upper, source, sourceName);
        const std::map<int, double> lower = WriteLevels(out, e.lower, source, sourceName);
        if (!e.absoluteScale) {
            if (WriteComputedBands(out, e, upper, lower, source, sourceName) == 0)
                throw FileError::In(sourceName + "/" + e.folder + "/equilibrium.csv",
                                    "gives no band of " + e.code + " a Franck-Condon factor of 1e-5 or more");
            continue;
        }
        const std::string file = e.folder + "/transitions.csv";
        const CsvTable t = CsvTable::Read(source / file, sourceName + "/" + file);
        const int kind = t.Column("kind"), vUp = t.Column("v_up"), vLow = t.Column("v_low"), value = t.Column("value");
        int bands = 0;
        for (const CsvRow& row : t.Rows()) {
            if (t.Text(row, kind) != "A_band") continue;
            const int a = t.Integer(row, vUp), b = t.Integer(row, vLow);
            if (a > e.upper.vmax || b > e.lower.vmax || !upper.count(a) || !lower.count(b)) continue;
            const double A = t.Number(row, value);
            if (!(A >= 0)) t.Fail(row, value, "a band Einstein coefficient must be 0 or more");
            out << "band = " << a << ' ' << b << ' ' << Number(A) << kEol;
            ++bands;
        }
        if (bands == 0) throw FileError::In(sourceName + "/" + file, "has no A_band row for the levels of " + e.code);
    }
    return out.str();
}

}  // namespace velmora::datagen
