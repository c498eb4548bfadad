// The constants, check values and reference lines of the curated folders in data-src/, as the
// tests read them.
#pragma once

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "database/effective_hamiltonian.h"
#include "database/multiplet_system.h"

namespace velmora::testing {

inline std::ifstream OpenSource(const std::string& folder, const std::string& file) {
    const std::string path = std::string(VELMORA_SOURCE_DIR) + "/data-src/" + folder + "/" + file;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    return in;
}

/// The fields of a line split at `separator` (quotes keep separators and are removed), trimmed.
inline std::vector<std::string> Fields(const std::string& line, char separator) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (const char ch : line) {
        if (ch == '"')
            quoted = !quoted;
        else if (ch == separator && !quoted)
            out.emplace_back();
        else if (ch != '\r' && (ch != ' ' || !out.back().empty()))
            out.back() += ch;
    }
    for (std::string& f : out)
        while (!f.empty() && f.back() == ' ') f.pop_back();
    return out;
}

/// The rows of the table data-src/<folder>/<file> by column name.
inline std::vector<std::map<std::string, std::string>> CsvRows(const std::string& folder, const std::string& file) {
    std::ifstream in = OpenSource(folder, file);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = Fields(line, ',');
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line, ',');
        if (f.size() < header.size()) continue;
        auto& row = rows.emplace_back();
        for (std::size_t k = 0; k < header.size(); ++k) row[header[k]] = f[k];
    }
    return rows;
}

/// The constants of level v of a levels table (empty cells are 0).
inline database::StateConstants CuratedLevel(const std::string& folder, const std::string& file, int v) {
    for (const auto& row : CsvRows(folder, file)) {
        if (std::stoi(row.at("v")) != v) continue;
        auto value = [&](const char* name) {
            const auto it = row.find(name);
            return it == row.end() || it->second.empty() ? 0.0 : std::stod(it->second);
        };
        database::StateConstants c;
        c.T = value("T_v"), c.B = value("B"), c.D = value("D"), c.H = value("H"), c.L = value("L");
        c.A = value("A"), c.A_D = value("A_D"), c.A_H = value("A_H");
        c.spinSpin = value("lambda"), c.spinSpin_D = value("lambda_D");
        c.gamma = value("gamma"), c.gamma_D = value("gamma_D"), c.gamma_H = value("gamma_H");
        c.o = value("o"), c.o_D = value("o_D");
        c.p = value("p"), c.p_D = value("p_D"), c.p_H = value("p_H");
        c.q = value("q"), c.q_D = value("q_D"), c.q_H = value("q_H");
        return c;
    }
    throw std::runtime_error(folder + "/" + file + " has no level v = " + std::to_string(v));
}

/// The rows of the table "Implementation check values" of a folder README, by column: state, v,
/// J, parity, F ("F2"), N, the dominant case (a) function ("Ω=1 (0.97)", where given) and E.
inline std::vector<std::vector<std::string>> CheckValueRows(const std::string& folder) {
    std::ifstream in = OpenSource(folder, "README.md");
    std::vector<std::vector<std::string>> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) inSection = line.rfind("## Implementation check values", 0) == 0;
        if (!inSection || line.rfind("| ", 0) != 0) continue;
        std::vector<std::string> f = Fields(line.substr(2), '|');
        f.pop_back();  // after the closing bar
        if (!f.empty() && !f[1].empty() && std::isdigit(static_cast<unsigned char>(f[1][0]))) rows.push_back(f);
    }
    return rows;
}

/// A system of a curated folder: every level of its two levels tables, its band coefficients
/// (rows A_band of transitions.csv) and the given description, to J' = twoJMax/2.
inline database::MultipletSystemData CuratedSystem(const SystemDescription& description, const std::string& folder,
                                                   const std::string& upper, const std::string& lower, int twoJMax) {
    database::MultipletSystemData data;
    data.description = description;
    data.twoJMax = twoJMax;
    for (const auto& row : CsvRows(folder, upper))
        data.upper[std::stoi(row.at("v"))] = CuratedLevel(folder, upper, std::stoi(row.at("v")));
    for (const auto& row : CsvRows(folder, lower))
        data.lower[std::stoi(row.at("v"))] = CuratedLevel(folder, lower, std::stoi(row.at("v")));
    for (const auto& row : CsvRows(folder, "transitions.csv"))
        if (row.at("kind") == "A_band")
            data.bandA[{std::stoi(row.at("v_up")), std::stoi(row.at("v_low"))}] = std::stod(row.at("value"));
    return data;
}

/// 14N2 (nuclear-spin weights 6 and 3) or 12C2 (1 and 0) with two triplet states of the given Λ,
/// the upper one of inversion symmetry `upper`, the lower one of the other.
inline SystemDescription TripletSystem(int lambdaUp, int lambdaLow, Inversion upper, double symmetric,
                                       double antisymmetric) {
    SystemDescription s;
    s.molecule.nuclearSpin = {true, symmetric, antisymmetric};
    s.upper.lambda = lambdaUp, s.lower.lambda = lambdaLow;
    s.upper.twoS = s.lower.twoS = 2;
    s.upper.inversion = upper;
    s.lower.inversion = upper == Inversion::Gerade ? Inversion::Ungerade : Inversion::Gerade;
    return s;
}

}  // namespace velmora::testing
