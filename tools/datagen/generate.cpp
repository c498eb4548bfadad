#include "generate.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "common/errors.h"
#include "csv_table.h"
#include "multiplet_file.h"
#include "quenching.h"

namespace velmora::datagen {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEol = "\r\n";

std::string Fmt(double v, const char* format = "%.10g") {
    if (v == 0.0) v = 0.0;  // no "-0"
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string SpcFile(const SystemData& sys, const StateData& st, bool upper) {
    const int lambda = st.def.lambda;
    std::ostringstream out;
    if (!st.polynomial) {
        out << 1 << ' ' << SpcConventionFor(lambda) << kEol;
        for (const auto& level : st.levels) {
            const LevelConstants c = SpcColumns(level, lambda);
            for (int k = 0; k < kConstCount; ++k) out << (k ? " " : "") << Fmt(c[static_cast<std::size_t>(k)]);
            out << kEol;
        }
    } else {
        out << 2 << ' ' << SpcConventionFor(lambda) << kEol;
        out << Fmt(upper ? st.def.origin : 0.0) << kEol;
        for (int k = 0; k < kConstCount; ++k) {
            std::vector<double> c = st.poly[static_cast<std::size_t>(k)];
            if (c.size() > 10)
                throw std::runtime_error("catalogue entry " + sys.def.folder +
                                         ": more than ten polynomial coefficients");
            c.resize(10, 0.0);
            LevelConstants unit{};
            unit[static_cast<std::size_t>(k)] = 1.0;
            const double sign = SpcColumns(unit, lambda)[static_cast<std::size_t>(k)];
            for (int m = 0; m < 10; ++m) out << (m ? " " : "") << Fmt(sign * c[static_cast<std::size_t>(m)]);
            out << kEol;
        }
    }
    return out.str();
}

std::string BandIntFile(const SystemData& sys, int vu, int vl) {
    std::ostringstream out;
    for (const auto& rec : sys.rows[static_cast<std::size_t>(vu)][static_cast<std::size_t>(vl)]) {
        for (int i = 0; i < 5; ++i) out << (i ? " " : "") << Fmt(rec[static_cast<std::size_t>(i)], "%.6e");
        out << kEol;
    }
    return out.str();
}

std::string SystemIntFile(const SystemData& sys) {
    std::ostringstream out;
    for (int a = 0; a <= sys.def.upper.vmax; ++a)
        for (int b = 0; b <= sys.def.lower.vmax; ++b)
            out << a << ' ' << b << ' '
                << Fmt(sys.strength[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)], "%.6e") << kEol;
    return out.str();
}

std::string LevelFile(const SystemData& sys, int v, int maxN) {
    const int C = sys.def.upper.lambda == 0 ? 2 : 4;
    std::ostringstream out;
    out << "N, then per component (" << (C == 2 ? "F1, F2" : "F1 e, F2 f, F1 f, F2 e")
        << "): radiative lifetime ns (0 = computed), predissociation rate s-1, quenching rate constant us-1 Torr-1"
        << kEol;
    // A measured lifetime of the vibrational level belongs to its lowest rotational level (F1,
    // N' = Lambda'), where it anchors the computed lifetimes of all the others.
    const auto lt = sys.levelLifetime.find(v);
    const double measured = lt == sys.levelLifetime.end() ? 0.0 : lt->second;
    const int lowest = sys.def.upper.lambda;
    const int last = std::min(sys.nmaxrot[static_cast<std::size_t>(v)] + 2, maxN);
    for (int N = 0; N <= last; ++N) {
        out << N;
        for (int k = 1; k <= C; ++k) {
            const int F = (k == 1 || k == 3) ? 1 : 2;
            double rate = 0.0;
            for (const auto& p : sys.def.predissociation) {
                if (p.v != v || N < p.nFrom || N > p.nTo) continue;
                if (std::find(p.components.begin(), p.components.end(), F) == p.components.end()) continue;
                const double t = p.nTo > p.nFrom ? static_cast<double>(N - p.nFrom) / (p.nTo - p.nFrom) : 0.0;
                rate = p.rateFrom + t * (p.rateTo - p.rateFrom);
            }
            const double tau = N == lowest && k == 1 ? measured : 0.0;
            out << ' ' << Fmt(tau) << ' ' << Fmt(rate, "%.6g") << ' ' << 0;
        }
        out << kEol;
    }
    return out.str();
}

std::string CatalogueFile(const std::vector<SystemData>& systems, int maxVU, int maxVL, int maxN) {
    std::ostringstream out;
    out << "VELmora catalogue of band systems (written by datagen from data-src; do not edit)" << kEol;
    out << systems.size() << ' ' << maxVU << ' ' << maxVL << ' ' << maxN << kEol;
    out << "code, upper, lower, Lambda', Lambda'', tau0 ns, vmax', vmax'', INT layout, INT record, level files, "
           "upper origin cm-1, mass u, emission scale, nuclear spin, last rotational row of v' = 0..vmax'"
        << kEol;
    for (const auto& s : systems) {
        const auto& e = s.def;
        out << Quote(e.code) << ", " << Quote(e.upper.label) << ", " << Quote(e.lower.label) << ", " << e.upper.lambda
            << ", " << e.lower.lambda << ", " << Fmt(s.referenceLifetime) << ", " << e.upper.vmax << ", "
            << e.lower.vmax << ", " << (e.layout == "rotating" ? 1 : 2) << ", " << 1 << ", " << 1 << ", "
            << Fmt(s.upperTermOrigin) << ", " << Fmt(e.mass) << ", " << 1 << ", " << e.nuclearSpin;
        for (int v : s.nmaxrot) out << ", " << v;
        out << kEol;
    }
    const auto line = [&](std::initializer_list<const char*> items) {
        bool first = true;
        for (const char* s : items) {
            out << (first ? "" : ", ") << Quote(s);
            first = false;
        }
        out << kEol;
    };
    // QuantityTitle: written after "QUANTITY:" in saved tables.
    line({" Emission coefficients (Einstein A)", " Absorption coefficients (Einstein B / c)",
          " Transition probabilities (band strength |Re(v',v'')|^2)", " Line positions", " Honl-London factors",
          " Upper-level lifetimes, predissociation and yields"});
    // KindName: the simulation kinds; the fourth is the cubic (degenerate four-wave mixing) formula.
    line({"Emission", "Absorption", "LIF excitation", "Four-wave mixing", "", ""});
    // QuantityUnit.
    line({"s-1", "m2J-1s-1", "debye^2", "Angstrom (Vacuum)", "dimensionless", "ns"});
    // QuantityFormat pairs.
    out << "\"0.000E+00\", \"0.000E+00\"" << kEol << "\"0.000E+00\", \"0.000E+00\"" << kEol
        << "\"0.000E+00\", \"0.000E+00\"" << kEol << "\"#####0.000\", \"#####0.000\"" << kEol
        << "\"##0.0000\", \"##0.0000\"" << kEol << "\"#####0.000\", \"#####0.000\"" << kEol;
    // TableLabel(0, 1..6): upper levels of a 2Sigma state.
    line({"Tau rad F1", "Tau rad F2", "Tau eff F1", "Tau eff F2", "Yield F1", "Yield F2"});
    // BranchName(0, ...): case (b) names, letter = dN; BranchName(1, ...): case (a), letter = dJ.
    line({"P1", "P2", "Q1", "Q2", "R1", "R2", "O12", "Q12", "P12", "R21", "Q21", "S21"});
    line({"P1", "P2", "Q1", "Q2", "R1", "R2", "P12", "R12", "Q12", "Q21", "P21", "R21"});
    // TableLabel(1, 1..12): upper levels with Lambda-doubling (components F1 e, F2 f, F1 f, F2 e).
    line({"Tau rad F1e", "Tau rad F2f", "Tau rad F1f", "Tau rad F2e", "Tau eff F1e", "Tau eff F2f", "Tau eff F1f",
          "Tau eff F2e", "Yield F1e", "Yield F2f", "Yield F1f", "Yield F2e"});
    return out.str();
}

/// The line of STATES.SYS that describes a state; the same state of two entries must give the
/// same line.
std::string StateRecord(const EntryDefinition& e, const StateDefinition& s) {
    const std::string reflection = s.sigmaSign > 0 ? "+" : s.sigmaSign < 0 ? "-" : "0";
    std::ostringstream out;
    out << Quote(e.code) << ", " << Quote(s.label) << ", " << s.lambda << ", " << s.twoS << ", " << Quote(reflection)
        << ", " << Quote(std::string(1, s.inversion)) << ", " << Quote(std::string(1, s.labels));
    return out.str();
}

std::string MoleculeRecord(const EntryDefinition& e) {
    std::ostringstream out;
    out << Quote(e.code) << ", " << Quote(e.name) << ", " << e.hitranMolecule << ", " << e.hitranIsotopologue << ", "
        << e.nuclearSpin << ", " << Fmt(e.symmetricWeight) << ", " << Fmt(e.antisymmetricWeight);
    return out.str();
}

/// One record per distinct key, in the order of first appearance; a key met again must bring the
/// same record.
class Records {
public:
    explicit Records(const char* what) : what_(what) {}
    void Add(const std::string& key, const std::string& record, const std::string& folder) {
        for (const auto& r : records_)
            if (r.key == key) {
                if (r.record != record)
                    throw std::runtime_error("the " + what_ + " " + key + " is described differently by " + r.folder +
                                             " and by " + folder);
                return;
            }
        records_.push_back({key, record, folder});
    }
    void Write(std::ostream& out) const {
        out << records_.size() << kEol;
        for (const auto& r : records_) out << r.record << kEol;
    }

private:
    struct Record {
        std::string key, record, folder;
    };
    std::string what_;
    std::vector<Record> records_;
};

std::string StatesFile(const std::vector<SystemData>& systems) {
    Records molecules("molecule"), states("state"), bands("band system");
    for (const auto& s : systems) {
        const auto& e = s.def;
        molecules.Add(e.code, MoleculeRecord(e), e.folder);
        states.Add(e.code + " " + e.upper.label, StateRecord(e, e.upper), e.folder);
        states.Add(e.code + " " + e.lower.label, StateRecord(e, e.lower), e.folder);
        bands.Add(e.code + " " + e.upper.label + "-" + e.lower.label,
                  Quote(e.code) + ", " + Quote(e.upper.label) + ", " + Quote(e.lower.label) + ", " +
                      Quote(e.absoluteEnergies ? "absolute" : "lowest") + ", " +
                      Quote(e.absoluteScale ? "lifetime" : "none"),
                  e.folder);
    }
    std::ostringstream out;
    out << "VELmora descriptions of the molecules, states and band systems of VELMORA.SYS (written by datagen from "
           "data-src; do not edit)"
        << kEol << 2 << kEol;
    out << "molecules: code, name, HITRAN molecule, HITRAN isotopologue, homonuclear, nuclear-spin weight of symmetric "
           "levels, of antisymmetric levels"
        << kEol;
    molecules.Write(out);
    out << "states: code, label, Lambda, 2S, Sigma reflection (+, -; 0 for Lambda > 0), inversion (g, u; 0 "
           "heteronuclear), F labels (a case (a), b case (b); 0 for Sigma)"
        << kEol;
    states.Write(out);
    out << "band systems: code, upper, lower, energy zero (lowest: the lowest lower level; absolute: the constants' "
           "term values), absolute scale (lifetime: the reference lifetime of VELMORA.SYS; none: relative strengths "
           "only)"
        << kEol;
    bands.Write(out);
    return out.str();
}

std::string StateSummary(const StateData& s) {
    std::string t = s.def.label + " " + s.def.symmetry + " v 0-" + std::to_string(s.def.vmax);
    t += s.polynomial ? " (equilibrium constants, polynomials)" : " (per-level constants)";
    return t;
}

std::string ReadmeTable(const std::vector<SystemData>& systems) {
    std::ostringstream out;
    out << "| # | system | files | upper state | lower state | band strengths | tau0 (ns) | last N'' per v' | status "
           "|\n";
    out << "|---|---|---|---|---|---|---|---|---|\n";
    int i = 0;
    for (const auto& s : systems) {
        ++i;
        int np = 0, nc = 0, nf = 0;
        for (const auto& row : s.provenance)
            for (char p : row) {
                np += p == 'p';
                nc += p == 'c';
                nf += p == 'f';
            }
        std::string bands;
        if (np) bands += std::to_string(np) + " published band A";
        if (nf) bands += (bands.empty() ? "" : ", ") + std::to_string(nf) + " published FCF";
        if (nc) bands += (bands.empty() ? "" : ", ") + std::to_string(nc) + " computed (RKR, constant moment)";
        bands +=
            s.def.layout == "rotating" ? "; per-band files, rows from rotating potentials" : "; one file per system";
        std::string rows;
        for (std::size_t v = 0; v < s.nmaxrot.size(); ++v) rows += (v ? " " : "") + std::to_string(s.nmaxrot[v]);
        out << "| " << i << " | " << s.def.title << " | " << s.def.code << "/" << s.def.upper.label << s.def.lower.label
            << " | " << StateSummary(s.upper) << " | " << StateSummary(s.lower) << " | " << bands << " | "
            << (s.def.absoluteScale ? Fmt(s.referenceLifetime, "%.1f") + " (" + s.referenceNote + ")"
                                    : "none (" + s.referenceNote + ")")
            << " | " << rows << " | "
            << (!s.def.absoluteScale ? "relative strengths only"
                : s.def.approximate  ? "approximate"
                                     : "usable")
            << " |\n";
    }
    out << "\nNotes by entry:\n\n";
    i = 0;
    for (const auto& s : systems) {
        ++i;
        out << "- " << i << ". " << s.def.title << ": constant transition moment " << s.re2Note
            << " (|Re|^2 = " << Fmt(s.re2, "%.4g") << " debye^2); upper term origin " << Fmt(s.upperTermOrigin, "%.3f")
            << " cm-1.";
        for (const auto& n : s.def.notes) out << " " << n;
        out << "\n";
    }
    return out.str();
}

void Put(std::map<std::string, std::string>& files, std::map<std::string, std::string>& writer, const std::string& path,
         std::string content, const std::string& who) {
    const auto it = files.find(path);
    if (it != files.end() && it->second != content)
        throw std::runtime_error(path + " would be written by " + writer[path] + " and by " + who +
                                 " with different contents (a shared state must use the same constants)");
    files[path] = std::move(content);
    writer[path] = who;
}

}  // namespace

LevelConstants SpcColumns(const LevelConstants& c, int lambda) {
    LevelConstants out = c;
    // The 2Pi term formulas of convention 0 subtract the L term where the N^2 Hamiltonian adds it.
    if (lambda == 1) out[kL] = -c[kL];
    return out;
}

int SpcConventionFor(int lambda) { return lambda == 0 ? 1 : 0; }

std::vector<SystemData> BuildCatalogue(const std::filesystem::path& source, const std::string& sourceName) {
    const auto definitions = ReadBuildConfig(source / kCatalogueFile, sourceName + "/" + kCatalogueFile);
    std::vector<SystemData> systems;
    for (const auto& def : definitions) {
        if (def.engine == "multiplet") continue;  // MULTIPLET.SYS (multiplet_file.h)
        try {
            systems.push_back(BuildSystem(def, source, sourceName, systems));
        } catch (const FileError&) {
            throw;
        } catch (const std::exception& e) {
            throw FileError::At(sourceName + "/" + kCatalogueFile, def.line, "entry " + def.folder + ": " + e.what());
        }
    }
    return systems;
}

std::map<std::string, std::string> DatabaseFiles(const std::vector<SystemData>& systems,
                                                 const std::string& readmeTemplate) {
    int maxVU = 0, maxVL = 0, maxN = 0;
    for (const auto& s : systems) {
        maxVU = std::max(maxVU, s.def.upper.vmax);
        maxVL = std::max({maxVL, s.def.lower.vmax, s.def.upper.vmax});
        for (int n : s.nmaxrot) maxN = std::max(maxN, n);
    }
    std::map<std::string, std::string> files, writer;
    for (const auto& s : systems) {
        const auto& e = s.def;
        const std::string dir = e.code + "/";
        Put(files, writer, dir + e.code + e.upper.label + ".SPC", SpcFile(s, s.upper, true), e.folder);
        Put(files, writer, dir + e.code + e.lower.label + ".SPC", SpcFile(s, s.lower, false), e.folder);
        const std::string sys = e.code + e.upper.label + e.lower.label;
        const std::string intDir = dir + e.upper.label + e.lower.label + "/";
        if (e.layout == "rotating") {
            for (int a = 0; a <= e.upper.vmax; ++a)
                for (int b = 0; b <= e.lower.vmax; ++b)
                    Put(files, writer, intDir + sys + std::to_string(a) + std::to_string(b) + ".INT",
                        BandIntFile(s, a, b), e.folder);
        } else {
            Put(files, writer, intDir + sys + ".INT", SystemIntFile(s), e.folder);
        }
        for (int v = 0; v <= e.upper.vmax; ++v)
            Put(files, writer, dir + e.code + e.upper.label + "V" + std::to_string(v) + ".DAT", LevelFile(s, v, maxN),
                e.folder);
    }
    files["VELMORA.SYS"] = CatalogueFile(systems, maxVU, maxVL, maxN);
    files["STATES.SYS"] = StatesFile(systems);
    std::string readme = readmeTemplate;
    const auto at = readme.find(kReadmeMarker);
    if (at == std::string::npos) throw std::runtime_error(std::string("the README text has no line ") + kReadmeMarker);
    readme.replace(at, std::string(kReadmeMarker).size(), ReadmeTable(systems));
    files["README.md"] = readme;
    return files;
}

void GenerateDatabase(const std::filesystem::path& source, const std::filesystem::path& output, std::ostream* log) {
    // Messages name the files as "<folder name>/<folder>/<file>" (data-src/OH_AX/levels_X.csv).
    const fs::path named = source.filename().empty() ? source.parent_path() : source;
    const std::string sourceName = named.filename().empty() ? source.string() : named.filename().string();
    const auto systems = BuildCatalogue(source, sourceName);
    const std::string readme = ReadSourceFile(source / kReadmeTemplate, sourceName + "/" + kReadmeTemplate);
    auto files = DatabaseFiles(systems, readme);
    files[kQuenchingFile] = QuenchingFile(source, sourceName);
    files[kMultipletFile] =
        MultipletFile(ReadBuildConfig(source / kCatalogueFile, sourceName + "/" + kCatalogueFile), source, sourceName);
    if (log)
        for (const auto& s : systems)
            *log << s.def.folder << ": tau0 " << Fmt(s.referenceLifetime, "%.2f") << " ns, upper origin "
                 << Fmt(s.upperTermOrigin, "%.4f") << " cm-1\n";

    // Write everything beside the target, then swap the folders.
    const fs::path target = fs::absolute(output).lexically_normal();
    const fs::path parent = target.parent_path();
    std::random_device rd;
    const std::string tag = std::to_string(rd() % 1000000u);
    const fs::path fresh = parent / (target.filename().string() + ".new" + tag);
    const fs::path old = parent / (target.filename().string() + ".old" + tag);
    std::error_code ec;
    try {
        fs::create_directories(fresh);
        for (const auto& [rel, content] : files) {
            const fs::path p = fresh / rel;
            fs::create_directories(p.parent_path());
            std::ofstream f(p, std::ios::binary);
            f << content;
            f.close();
            if (!f) throw FileError::In(p.string(), "cannot be written");
        }
        const bool hadOld = fs::exists(target);
        if (hadOld) fs::rename(target, old);
        try {
            fs::rename(fresh, target);
        } catch (...) {
            if (hadOld) fs::rename(old, target, ec);
            throw;
        }
        if (hadOld) fs::remove_all(old, ec);
    } catch (...) {
        fs::remove_all(fresh, ec);
        throw;
    }
    if (log) *log << files.size() << " files written to " << output.string() << "\n";
}

}  // namespace velmora::datagen
