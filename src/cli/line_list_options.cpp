#include "cli/line_list_options.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "common/errors.h"

namespace velmora::cli {

std::optional<std::string> LineListOption(const Args& args) {
    if (!args.Has("line-list")) return std::nullopt;
    if (args.Has("entry"))
        throw std::invalid_argument("options --entry and --line-list exclude each other: give one band system");
    const std::string path = args.Get("line-list");
    if (path.empty()) throw std::invalid_argument("option --line-list: no file given");
    return path;
}

void RefuseLineList(const Args& args, const std::string& command) {
    if (args.Has("line-list"))
        throw std::invalid_argument("option --line-list: " + command +
                                    " works on catalogue entries only; give --entry N (simulate, compare, lines and "
                                    "lifetimes read line lists)");
}

database::WavenumberWindow LineWindowOption(const Args& args) {
    if (!args.Has("line-window")) return {};
    const auto [lo, hi] = NumberPair(args, "line-window");
    if (!(lo >= 0.0 && hi > lo))
        throw std::invalid_argument("option --line-window: LO:HI must be wavenumbers (cm-1) with 0 <= LO < HI");
    return {lo, hi};
}

namespace {

std::string Number(const char* format, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

/// A label as one CSV field.
std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

void WriteListedLines(const database::ImportedLineList& list, std::ostream& out) {
    out << "position_cm-1,lower_energy_cm-1,upper_energy_cm-1,g_up,g_low,einstein_A_s-1,gamma_air_cm-1/atm,"
           "gamma_self_cm-1/atm,n_air,delta_air_cm-1/atm,upper,lower\n";
    for (const database::ListedLine& l : list.lines)
        out << Number("%.6f", l.nu) << ',' << Number("%.6f", l.lowerEnergy) << ',' << Number("%.6f", l.UpperEnergy())
            << ',' << Number("%g", l.gUpper) << ',' << Number("%g", l.gLower) << ',' << Number("%.6g", l.A) << ','
            << Number("%g", l.gammaAir) << ',' << Number("%g", l.gammaSelf) << ',' << Number("%g", l.nAir) << ','
            << Number("%g", l.deltaAir) << ',' << Quoted(list.levels[l.upper].label) << ','
            << Quoted(list.levels[l.lower].label) << '\n';
}

void WriteListedLifetimes(const database::ImportedLineList& list, std::ostream& out) {
    const std::vector<double> tau = database::LevelLifetimes(list);
    out << "energy_cm-1,g,J,radiative_ns,level\n";
    for (std::size_t i = 0; i < list.levels.size(); ++i) {
        if (tau[i] == 0.0) continue;  // a lower level only
        const database::ListedLevel& l = list.levels[i];
        out << Number("%.6f", l.energy) << ',' << Number("%g", l.g) << ','
            << (l.J >= 0.0f ? Number("%g", l.J) : std::string()) << ',' << Number("%.7g", tau[i]) << ','
            << Quoted(l.label) << '\n';
    }
}

}  // namespace velmora::cli
