#include "cli/multiplet_output.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <tuple>

#include "common/number_format.h"
#include "common/numerics.h"
#include "common/text_writer.h"
#include "simulation/multiplet_model.h"

namespace velmora::cli {

namespace {

char ParityLetter(database::Parity p) { return p == database::Parity::e ? 'e' : 'f'; }

/// The values of a table: named columns (in the order of their keys) and rows by a whole number
/// (N, or twice J), each row holding the values of some of the columns.
struct TableGrid {
    using ColumnKey = std::tuple<int, int, int, int, int>;
    std::map<ColumnKey, std::string> names;
    std::map<int, std::map<ColumnKey, double>> rows;
    void Set(int row, const ColumnKey& column, const std::string& name, double value) {
        names.emplace(column, name);
        rows[row][column] = value;
    }
};

/// Spin component and parity as the column of a level table: "F1 e" .. "F3 f".
std::string ComponentName(int F, database::Parity p) { return "F" + std::to_string(F) + " " + ParityLetter(p); }

std::string Printed(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

/// A position (cm-1) in the table's unit: Å in vacuum (1), Å in air (2) or cm-1 (3).
double PositionIn(double nu, int units) { return units == 3 ? nu : WavenumberToAxis(nu, units); }

std::string PositionUnit(int units) {
    return units == 1 ? "Angstrom (Vacuum)" : units == 2 ? "Angstrom (Air)" : "cm-1";
}

}  // namespace

void WriteMultipletLines(const database::MultipletEntry& entry, int vUp, int vLow, std::ostream& out) {
    database::MultipletSystemData one = entry.data;
    const auto band = one.bandA.find({vUp, vLow});
    if (band == one.bandA.end())
        throw std::invalid_argument("option --band: " + entry.name + " " + entry.SystemLabel() + " has no band (" +
                                    std::to_string(vUp) + "," + std::to_string(vLow) + ")");
    one.bandA = {*band};
    const database::MultipletSystem system = database::BuildMultipletSystem(one);
    out << "v_up,v_low,branch,F_up,F_low,N_up,J_up,N_low,J_low,parity_up,parity_low,position_cm-1,hl_factor,"
           "einstein_A_s-1,nuclear_weight\n";
    for (const database::MultipletLine& l : system.bands.at({vUp, vLow}).lines) {
        char numbers[96];
        // Without an absolute scale the coefficients are relative: the column stays, empty.
        if (entry.data.description.absoluteScale)
            std::snprintf(numbers, sizeof numbers, "%.4f,%.6g,%.6g,%g", l.nu, l.honlLondon, l.einsteinA,
                          l.nuclearWeight);
        else
            std::snprintf(numbers, sizeof numbers, "%.4f,%.6g,,%g", l.nu, l.honlLondon, l.nuclearWeight);
        out << vUp << ',' << vLow << ',' << database::BranchNameOf(system.description, l) << ',' << l.upper.F << ','
            << l.lower.F << ',' << l.upper.N << ',' << HalfInteger(l.upper.twoJ) << ',' << l.lower.N << ','
            << HalfInteger(l.lower.twoJ) << ',' << ParityLetter(l.upper.parity) << ',' << ParityLetter(l.lower.parity)
            << ',' << numbers << '\n';
    }
}

void WriteMultipletLifetimes(const database::MultipletEntry& entry, std::ostream& out) {
    const database::MultipletSystem system = database::BuildMultipletSystem(entry.data);
    out << "v_up,component,N_up,radiative_ns,effective_ns,yield\n";
    for (const database::LevelLifetime& l : database::RadiativeLifetimes(system)) {
        char ns[32];
        std::snprintf(ns, sizeof ns, "%.7g", l.lifetimeNs);
        out << l.v << ',' << simulation::MultipletComponent(system.description.upper.twoS, l.level) << ',' << l.level.N
            << ',' << ns << ',' << ns << ",1\n";
    }
}

std::pair<int, int> SaveMultipletTable(const database::MultipletEntry& entry, const MultipletTableRequest& request,
                                       const std::string& path) {
    const database::MultipletSystemData& data = entry.data;
    const SystemDescription& d = data.description;
    const std::string system = entry.name + " " + entry.SystemLabel();
    const int q = request.quantity;
    std::string title, unit, band, header;
    const char* format = "%.4f";
    AtomicTextWriter out(path);
    auto begin = [&] {
        out.WriteLine("RADICAL: " + entry.name);
        out.WriteLine("QUANTITY:" + title);
        out.WriteLine("UNITS   :" + unit);
        out.WriteLine("BAND  " + entry.SystemLabel() + band);
    };

    if (request.kind == "vibrational") {
        // The band coefficients and origins: one column per v', one row per v''.
        if (q != 3 && q != 4)
            throw std::invalid_argument(
                "option --quantity: the vibrational table of " + system +
                " holds the band Einstein A (3) and the band origins (4); its bands have no separate emission or "
                "absorption coefficients and no band Hönl-London factor or lifetime");
        title = q == 3 ? "Band Einstein coefficients" : "Band origins";
        unit = q == 3 ? "s-1" : PositionUnit(request.units);
        begin();
        std::string line = entry.lowerLabel + " v'' ";
        for (const auto& [v, c] : data.upper) line += " ," + entry.upperLabel + " v'= " + std::to_string(v) + " ";
        out.WriteLine(line);
        for (const auto& [vLow, low] : data.lower) {
            line = std::to_string(vLow) + "  ";
            for (const auto& [vUp, up] : data.upper) {
                const auto a = data.bandA.find({vUp, vLow});
                if (q == 3)
                    line += a == data.bandA.end() ? "," : ", " + Printed("%.6g", a->second) + " ";
                else
                    line += ", " + Printed("%.4f", PositionIn(up.T - low.T, request.units)) + " ";
            }
            out.WriteLine(line);
        }
        out.Commit();
        return {static_cast<int>(data.lower.size()), static_cast<int>(data.upper.size())};
    }

    TableGrid grid;
    if (request.kind == "terms") {
        const auto& levels = request.upperState ? data.upper : data.lower;
        const int v = request.upperState ? request.vUp : request.vLow;
        const auto c = levels.find(v);
        if (c == levels.end())
            throw std::invalid_argument("option --band: " + system +
                                        " has no vibrational level v = " + std::to_string(v) + " of its " +
                                        (request.upperState ? "upper" : "lower") + " state");
        const StateDescription& state = request.upperState ? d.upper : d.lower;
        const database::StateLevels ladder(database::EngineStateOf(state), c->second,
                                           data.twoJMax + (request.upperState ? 0 : 2));
        for (const database::RotationalLevel& l : ladder.Levels()) {
            // Levels that do not exist (nuclear-spin weight 0) are not listed.
            if (database::LevelNuclearWeight(d, state, l) == 0.0) continue;
            grid.Set(request.caseA ? l.twoJ : l.N, {l.F, l.parity == database::Parity::f, 0, 0, 0},
                     ComponentName(l.F, l.parity), l.energy);
        }
        title = "Energy terms";
        unit = "cm-1";
        band = " " + (request.upperState ? entry.upperLabel : entry.lowerLabel) + " v= " + std::to_string(v) + " ";
        header = request.caseA ? "J  " : "N  ";
    } else if (q == 6) {
        const database::MultipletSystem built = database::BuildMultipletSystem(data);
        bool any = false;
        for (const database::LevelLifetime& l : database::RadiativeLifetimes(built)) {
            if (l.v != request.vUp) continue;
            any = true;
            grid.Set(request.caseA ? l.level.twoJ : l.level.N,
                     {l.level.F, l.level.parity == database::Parity::f, 0, 0, 0},
                     ComponentName(l.level.F, l.level.parity) + " (ns)", l.lifetimeNs);
        }
        if (!any)
            throw std::invalid_argument("option --band: " + system +
                                        " has no radiating level v' = " + std::to_string(request.vUp));
        title = "Radiative lifetimes";
        unit = "ns";
        format = "%.7g";
        band = std::to_string(request.vUp) + " -" + std::to_string(request.vLow) + " ";
        header = request.caseA ? "J' " : "N' ";
    } else {
        if (q < 3 || q > 5)
            throw std::invalid_argument(
                "option --quantity: the lines of " + system +
                " have an Einstein A (3), a position (4) and a Hönl-London factor (5); the emission and absorption "
                "coefficients of the doublet tables (1, 2) are in units of the doublet catalogue");
        database::MultipletSystemData one = data;
        const auto a = one.bandA.find({request.vUp, request.vLow});
        if (a == one.bandA.end())
            throw std::invalid_argument("option --band: " + system + " has no band (" + std::to_string(request.vUp) +
                                        "," + std::to_string(request.vLow) + ")");
        one.bandA = {*a};
        const database::MultipletSystem built = database::BuildMultipletSystem(one);
        for (const database::MultipletLine& l : built.bands.at({request.vUp, request.vLow}).lines) {
            const database::BranchLabel& b = l.branch;
            const bool satellite = b.upperF != b.lowerF;
            const double value = q == 3 ? l.einsteinA : q == 4 ? PositionIn(l.nu, request.units) : l.honlLondon;
            grid.Set(request.caseA ? l.lower.twoJ : l.lower.N,
                     {satellite, b.deltaN, b.upperF, b.lowerF, l.lower.parity == database::Parity::f},
                     database::BranchNameOf(d, l) + " " + ParityLetter(l.lower.parity), value);
        }
        title = q == 3 ? "Einstein coefficients" : q == 4 ? "Line positions" : "H\xC3\xB6nl-London factors";
        unit = q == 3 ? "s-1" : q == 4 ? PositionUnit(request.units) : "";
        format = q == 4 ? "%.4f" : "%.6g";
        band = std::to_string(request.vUp) + " - " + std::to_string(request.vLow) + " ";
        header = request.caseA ? "J''" : "N''";
    }

    begin();
    for (const auto& [key, name] : grid.names) header += " ," + name + " ";
    out.WriteLine(header);
    for (const auto& [row, values] : grid.rows) {
        std::string line = (request.caseA ? HalfInteger(row) : std::to_string(row)) + "  ";
        for (const auto& [key, name] : grid.names) {
            const auto v = values.find(key);
            line += v == values.end() ? "," : ", " + Printed(format, v->second) + " ";
        }
        out.WriteLine(line);
    }
    out.Commit();
    return {static_cast<int>(grid.rows.size()), static_cast<int>(grid.names.size())};
}

}  // namespace velmora::cli
