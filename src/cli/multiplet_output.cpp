#include "cli/multiplet_output.h"

#include <cstdio>
#include <stdexcept>

#include "simulation/multiplet_model.h"

namespace velmora::cli {

namespace {

std::string HalfInteger(int twice) { return std::to_string(twice / 2) + (twice % 2 ? ".5" : ""); }

char ParityLetter(database::Parity p) { return p == database::Parity::e ? 'e' : 'f'; }

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
        std::snprintf(numbers, sizeof numbers, "%.4f,%.6g,%.6g,%g", l.nu, l.honlLondon, l.einsteinA, l.nuclearWeight);
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

}  // namespace velmora::cli
