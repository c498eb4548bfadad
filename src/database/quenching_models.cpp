#include "database/quenching_models.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "common/errors.h"
#include "common/list_reader.h"
#include "common/numerics.h"
#include "common/physical_constants.h"

namespace velmora::database {

namespace {

struct FormName {
    const char* name;
    QuenchingForm form;
    int parameters;
};
constexpr FormName kForms[] = {
    {"2exp", QuenchingForm::TwoExponential, 6}, {"harpoon", QuenchingForm::Harpoon, 5},
    {"power", QuenchingForm::PowerLaw, 4},      {"constant", QuenchingForm::Constant, 1},
    {"arrhenius", QuenchingForm::Arrhenius, 3},
};

std::string Kelvin(double T) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f K", T);
    return buf;
}

}  // namespace

const PartnerQuenching* StateQuenching::Find(const std::string& partner) const {
    for (const PartnerQuenching& p : partners)
        if (p.partner == partner) return &p;
    return nullptr;
}

StateQuenching QuenchingModels::For(const std::string& molecule, const std::string& state) const {
    for (const StateQuenching& s : states)
        if (s.molecule == molecule && s.state == state) return s;
    StateQuenching none;
    none.molecule = molecule;
    none.state = state;
    return none;
}

QuenchingModels ReadQuenchingModels(const std::string& path) {
    ListReader in = ListReader::FromFile(path);
    in.SkipLine();
    in.SkipLine();
    QuenchingModels models;
    while (!in.AtEnd()) {
        const std::string molecule = in.ReadString(), state = in.ReadString();
        PartnerQuenching p;
        p.partner = in.ReadString();
        const std::string form = in.ReadString();
        const int line = in.Line();
        const FormName* f = nullptr;
        for (const FormName& k : kForms)
            if (form == k.name) f = &k;
        if (!f) throw FileError::At(in.Source(), line, "\"" + form + "\" is not a known quenching model");
        p.form = f->form;
        p.lowestT = in.ReadDouble();
        p.highestT = in.ReadDouble();
        for (int k = 0; k < f->parameters; ++k) p.c[static_cast<std::size_t>(k)] = in.ReadDouble();
        StateQuenching* s = nullptr;
        for (StateQuenching& known : models.states)
            if (known.molecule == molecule && known.state == state) s = &known;
        if (!s) {
            models.states.push_back({molecule, state, {}});
            s = &models.states.back();
        }
        s->partners.push_back(p);
    }
    return models;
}

double CrossSection(const PartnerQuenching& m, double T) {
    const auto& c = m.c;
    switch (m.form) {
        case QuenchingForm::TwoExponential: {
            const double r = c[5] / T;
            return c[0] + c[1] * std::exp(-c[2] * r) + c[3] * std::exp(-c[4] * r);
        }
        case QuenchingForm::Harpoon: {
            // (1 + η) e^-η: a constant cross section above a threshold η k_B T, thermally
            // averaged; η^(1/3) P(5/3, η): a capture cross section ∝ E^(-1/3) below it.
            const double r = c[4] / T;
            const double eta = c[2] * r + c[3] * r * r;
            return c[0] * ((1.0 + eta) * std::exp(-eta) + c[1] * std::cbrt(eta) * RegularizedGammaP(5.0 / 3.0, eta));
        }
        case QuenchingForm::PowerLaw:
            return c[0] + c[1] * std::pow(c[3] / T, c[2]);
        case QuenchingForm::Constant:
            return c[0];
        case QuenchingForm::Arrhenius:
            break;
    }
    throw std::invalid_argument("the Arrhenius form gives a rate coefficient, not a cross section");
}

double RateCoefficient(const PartnerQuenching& m, double T, double radicalMass) {
    if (m.form == QuenchingForm::Arrhenius)
        return m.c[0] * std::pow(T, m.c[1]) * std::exp(-m.c[2] / (kGasConstantCalorie * T)) / kAvogadroConstant;
    // Mean relative speed of the pair, m/s, with the reduced mass in kg.
    const double partnerMass = MolarMass(m.partner);
    const double mu = radicalMass * partnerMass / (radicalMass + partnerMass) / kAvogadroConstant * 1e-3;
    const double speed = std::sqrt(8.0 * kBoltzmannConstant * T / (kPi * mu));
    return CrossSection(m, T) * 1e-16 * speed * 100.0;  // Å² -> cm², m/s -> cm/s
}

CompositionQuenching QuenchingRate(const StateQuenching& models, const GasComposition& gas, double T,
                                   double pressureTorr) {
    CompositionQuenching q;
    const std::string state = models.molecule + " " + models.state;
    if (models.Empty()) {
        q.warnings.push_back("the database has no quenching model for " + state + ": no quenching");
        return q;
    }
    if (!(T > 0.0)) {
        q.warnings.push_back("quenching by the gas needs a temperature above 0 K: no quenching");
        return q;
    }
    const double radicalMass = MolarMass(models.molecule);
    const double density = pressureTorr * kPascalPerTorr / (kBoltzmannConstant * T) * 1e-6;  // cm-3
    std::string missing, outside, zero, unusable;
    for (const auto& [partner, x] : gas.partners) {
        const PartnerQuenching* m = models.Find(partner);
        if (!m) {
            missing += (missing.empty() ? "" : ", ") + partner;
            continue;
        }
        if ((m->lowestT > 0.0 && T < m->lowestT) || (m->highestT > 0.0 && T > m->highestT))
            outside +=
                (outside.empty() ? "" : ", ") + partner + " (" +
                (m->highestT > 0.0 ? Kelvin(m->lowestT) + " to " + Kelvin(m->highestT) : "from " + Kelvin(m->lowestT)) +
                ")";
        if (m->form == QuenchingForm::Constant && m->c[0] == 0.0) zero += (zero.empty() ? "" : ", ") + partner;
        // Parameters far outside physical values (an exponent in the hundreds, say) overflow: such a
        // partner is left out and named, rather than turning the whole rate into NaN or infinity.
        const double k = RateCoefficient(*m, T, radicalMass);
        if (!std::isfinite(k)) {
            unusable += (unusable.empty() ? "" : ", ") + partner;
            continue;
        }
        q.rate += x * density * k;
    }
    if (!missing.empty())
        q.warnings.push_back("no quenching model of " + state + " for " + missing + ": no quenching by them");
    if (!zero.empty())
        q.warnings.push_back("the " + state + " quenching model sets " + zero +
                             " to no quenching (not a measured value)");
    if (!outside.empty())
        q.warnings.push_back(Kelvin(T) + " is outside the range of the " + state + " quenching model for " + outside);
    if (!unusable.empty())
        q.warnings.push_back("the " + state + " quenching model for " + unusable + " gives no finite rate at " +
                             Kelvin(T) + ": no quenching by them");
    return q;
}

double CollisionRateNs(int source, double singleRateConstant, double levelRateConstant, double pressureTorr,
                       double compositionRate) {
    // Rate constants are per microsecond and Torr; 0.001 turns them into per nanosecond.
    switch (source) {
        case 1:
            return singleRateConstant * 0.001 * pressureTorr;
        case 2:
            return pressureTorr * levelRateConstant * 0.001;
        case 3:
            return compositionRate * 1e-9;
        default:
            return 0.0;
    }
}

}  // namespace velmora::database
