// Small hand-made databases for tests: a catalogue and the constants, transition-probability and
// level files of its entries, written into a temporary folder in the formats the program reads.
#pragma once

#include <array>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/temp_dir.h"

namespace velmora::testing {

/// One catalogue entry of a sample database (the fields in the order of the catalogue file).
struct SampleEntry {
    std::string code = "XY", upper = "A", lower = "X";
    int lambdaUp = 0, lambdaLow = 0;
    double referenceLifetime = 100.0;  ///< ns
    int nmaxVibUp = 0, nmaxVibLow = 0;
    int layout = 1;      ///< 1 one .INT file per band, 2 one per system
    int recordKind = 1;  ///< 1 five values per record, 2 three values
    int levelFiles = 0;
    double origin = 30000.0, mass = 17.0, emissionScale = 1.0;
    int nuclearSpin = 0;
    std::vector<int> rotRows;  ///< last rotational row of each upper level v' = 0..nmaxVibUp
};

/// Constants of one vibrational level in file order: T, B, D, H, L, M, A, A_D, A_H, γ, γ_D, γ_H,
/// pΛ, pΛ_D, pΛ_H, qΛ, qΛ_D, qΛ_H.
using LevelConstants = std::array<double, 18>;

inline LevelConstants Level(double T, double B, double A = 0.0) {
    LevelConstants c{};
    c[0] = T, c[1] = B, c[6] = A;
    return c;
}

/// Branch names of the sample catalogue: case (b) (N) and case (a) (J) nomenclature.
inline const std::array<const char*, 12> kSampleBranchNamesN = {"P1",  "P2",  "Q1",  "Q2",  "R1",  "R2",
                                                                "O12", "Q12", "P12", "R21", "Q21", "S21"};
inline const std::array<const char*, 12> kSampleBranchNamesJ = {"P1",   "P2",   "Q1",   "Q2",   "R1",   "R2",
                                                                "OP12", "QR12", "PQ12", "RQ21", "QP21", "SR21"};

/// The text of a catalogue file VELMORA.SYS holding the entries.
inline std::string CatalogueText(const std::vector<SampleEntry>& entries, int maxVUpper, int maxVLower, int maxN) {
    std::ostringstream s;
    s.precision(10);
    s << "Sample catalogue\r\n" << entries.size() << ", " << maxVUpper << ", " << maxVLower << ", " << maxN << "\r\n";
    s << "code, upper, lower, lambdas, lifetime, vib, int, flags, origin, mass, scale, spin, rows\r\n";
    for (const auto& e : entries) {
        s << '"' << e.code << "\", \"" << e.upper << "\", \"" << e.lower << "\", " << e.lambdaUp << ", " << e.lambdaLow
          << "\r\n";
        s << e.referenceLifetime << ", " << e.nmaxVibUp << ", " << e.nmaxVibLow << ", " << e.layout << ", "
          << e.recordKind << "\r\n";
        s << e.levelFiles << ", " << e.origin << ", " << e.mass << ", " << e.emissionScale << ", " << e.nuclearSpin
          << "\r\n";
        for (std::size_t v = 0; v < e.rotRows.size(); ++v) s << (v ? ", " : "") << e.rotRows[v];
        s << "\r\n";
    }
    s << "\"Emission coefficients\",\"Absorption coefficients\",\"Transition probabilities\","
         "\"Line positions\",\"Honl-London factors\",\"Lifetimes\"\r\n";
    s << "\"Emission\",\"Absorption\",\"LIF excitation\",\"Fourth kind\",\"Kind 5\",\"Kind 6\"\r\n";
    s << "\"Relative units\",\"Relative units\",\"Relative units\",\"cm-1\",\"\",\"ns\"\r\n";
    for (int k = 1; k <= 6; ++k) s << "\"##0.000\",\"x\"" << (k < 6 ? "," : "\r\n");
    s << "\"F1 e\",\"F2 f\",\"F1 f\",\"F2 e\",\"L5\",\"L6\"\r\n";
    for (const char* n : kSampleBranchNamesN) s << '"' << n << "\" ";
    s << "\r\n";
    for (const char* n : kSampleBranchNamesJ) s << '"' << n << "\" ";
    s << "\r\n";
    for (int k = 1; k <= 12; ++k) s << "\"T" << k << "\" ";
    s << "\r\n";
    return s.str();
}

/// The description of one molecule, state or band system in STATES.SYS (the fields in file
/// order; see data/README.md).
struct SampleMolecule {
    std::string code = "XY", name = "XY";
    int hitranMolecule = 0, hitranIsotopologue = 0, homonuclear = 0;
    double symmetric = 1.0, antisymmetric = 1.0;
};
struct SampleState {
    std::string code = "XY", label = "A";
    int lambda = 0, twoS = 1;
    std::string reflection = "+", inversion = "0", labels = "0";
};
struct SampleBandSystem {
    std::string code = "XY", upper = "A", lower = "X", energyZero = "lowest";
    std::string absoluteScale = "";  ///< "lifetime" or "none" (format 2); empty: format 1, without the field
};

/// The text of a descriptions file STATES.SYS.
inline std::string DescriptionsText(const std::vector<SampleMolecule>& molecules,
                                    const std::vector<SampleState>& states,
                                    const std::vector<SampleBandSystem>& systems) {
    std::ostringstream s;
    bool scale = false;
    for (const auto& b : systems) scale = scale || !b.absoluteScale.empty();
    s << "Sample descriptions\r\n" << (scale ? 2 : 1) << "\r\nmolecules\r\n" << molecules.size() << "\r\n";
    for (const auto& m : molecules)
        s << '"' << m.code << "\", \"" << m.name << "\", " << m.hitranMolecule << ", " << m.hitranIsotopologue << ", "
          << m.homonuclear << ", " << m.symmetric << ", " << m.antisymmetric << "\r\n";
    s << "states\r\n" << states.size() << "\r\n";
    for (const auto& t : states)
        s << '"' << t.code << "\", \"" << t.label << "\", " << t.lambda << ", " << t.twoS << ", \"" << t.reflection
          << "\", \"" << t.inversion << "\", \"" << t.labels << "\"\r\n";
    s << "band systems\r\n" << systems.size() << "\r\n";
    for (const auto& b : systems)
        s << '"' << b.code << "\", \"" << b.upper << "\", \"" << b.lower << "\", \"" << b.energyZero << '"'
          << (scale ? ", \"" + (b.absoluteScale.empty() ? "lifetime" : b.absoluteScale) + '"' : std::string())
          << "\r\n";
    return s.str();
}

/// A constants file in format 1: one record of 18 values per vibrational level.
inline std::string SpcFormat1(int convention, const std::vector<LevelConstants>& levels) {
    std::ostringstream s;
    s.precision(12);
    s << "1, " << convention << "\r\n";
    for (const auto& level : levels) {
        for (std::size_t k = 0; k < level.size(); ++k) s << (k ? ", " : "") << level[k];
        s << "\r\n";
    }
    return s.str();
}

/// A constants file in format 2: the v' = 0 term value, then ten polynomial coefficients in
/// (v + 1/2) for each of the 18 constants.
inline std::string SpcFormat2(int convention, double origin, const std::array<std::array<double, 10>, 18>& c) {
    std::ostringstream s;
    s.precision(12);
    s << "2 " << convention << "\r\n" << origin << "\r\n";
    for (const auto& column : c) {
        for (std::size_t m = 0; m < column.size(); ++m) s << (m ? " " : "") << column[m];
        s << "\r\n";
    }
    return s.str();
}

/// A transition-probability file: one record per line, values as given.
inline std::string RecordsText(const std::vector<std::vector<double>>& records) {
    std::ostringstream s;
    s.precision(12);
    for (const auto& r : records) {
        for (std::size_t i = 0; i < r.size(); ++i) s << (i ? ", " : "") << r[i];
        s << "\r\n";
    }
    return s.str();
}

/// A sample database in a temporary folder; file names follow the program's naming rules.
class SampleDatabase {
public:
    std::string Folder() const { return dir_.path().string(); }
    const TempDir& Dir() const { return dir_; }

    void Catalogue(const std::vector<SampleEntry>& entries, int maxVUpper, int maxVLower, int maxN) {
        entries_ = entries;
        Write("VELMORA.SYS", CatalogueText(entries, maxVUpper, maxVLower, maxN));
    }
    /// The descriptions file STATES.SYS.
    void Descriptions(const std::vector<SampleMolecule>& molecules, const std::vector<SampleState>& states,
                      const std::vector<SampleBandSystem>& systems) {
        Write("STATES.SYS", DescriptionsText(molecules, states, systems));
    }
    /// Constants file of state s (1 upper, 2 lower) of entry i (1-based).
    void Constants(int i, int s, const std::string& text) {
        const auto& e = entries_.at(static_cast<std::size_t>(i - 1));
        Write(e.code + "/" + e.code + (s == 1 ? e.upper : e.lower) + ".SPC", text);
    }
    /// Per-band transition probabilities (layout 1).
    void BandProbabilities(int i, int vUp, int vLow, const std::string& text) {
        const auto& e = entries_.at(static_cast<std::size_t>(i - 1));
        Write(SystemFolder(e) + e.code + e.upper + e.lower + std::to_string(vUp) + std::to_string(vLow) + ".INT", text);
    }
    /// Per-system transition probabilities (layout 2).
    void SystemProbabilities(int i, const std::string& text) {
        const auto& e = entries_.at(static_cast<std::size_t>(i - 1));
        Write(SystemFolder(e) + e.code + e.upper + e.lower + ".INT", text);
    }
    /// Level file of upper level vUp.
    void LevelFile(int i, int vUp, const std::string& text) {
        const auto& e = entries_.at(static_cast<std::size_t>(i - 1));
        Write(e.code + "/" + e.code + e.upper + "V" + std::to_string(vUp) + ".DAT", text);
    }
    /// Both constants files (format 1, convention 1) and, for every band (v', v''), a per-band
    /// file whose rows from the lower Λ to the entry's last row all hold probability(v', v'').
    template <typename Probability>
    void System(int i, const std::vector<LevelConstants>& upper, const std::vector<LevelConstants>& lower,
                Probability probability) {
        const auto& e = entries_.at(static_cast<std::size_t>(i - 1));
        Constants(i, 1, SpcFormat1(1, upper));
        Constants(i, 2, SpcFormat1(1, lower));
        for (int vUp = 0; vUp <= e.nmaxVibUp; ++vUp)
            for (int vLow = 0; vLow <= e.nmaxVibLow; ++vLow) {
                const double p = probability(vUp, vLow);
                std::vector<std::vector<double>> rows;
                for (int N = e.lambdaLow; N <= e.rotRows.at(static_cast<std::size_t>(vUp)); ++N)
                    rows.push_back({p, p, p, p, p});
                BandProbabilities(i, vUp, vLow, RecordsText(rows));
            }
    }
    std::filesystem::path Write(const std::string& relative, const std::string& text) {
        return dir_.Write(relative, text);
    }

private:
    static std::string SystemFolder(const SampleEntry& e) { return e.code + "/" + e.upper + e.lower + "/"; }
    TempDir dir_;
    std::vector<SampleEntry> entries_;
};

}  // namespace velmora::testing
