#include "experiment/spectrum_units.h"

#include <algorithm>

#include "common/number_format.h"
#include "common/numerics.h"
#include "experiment/corrections.h"

namespace velmora::experiment {

int ReadXUnit(int fileUnit, int axisUnits) {
    // Automatic: the reader has made values below 1000 (nm) into Å; the rest are in the axis's
    // own medium, and nm axes take them as Å too. A named unit is read as written.
    if (fileUnit != kAutomaticXUnit) return fileUnit;
    return axisUnits >= 4 ? axisUnits - 3 : axisUnits;
}

int DeclaredReadUnit(int chosen, DeclaredXUnit declared, int axisUnits) {
    if (declared == DeclaredXUnit::None) return ReadXUnit(chosen, axisUnits);
    if (declared == DeclaredXUnit::Wavenumber) return 3;
    const bool chosenWavelength = chosen != kAutomaticXUnit && chosen != 3;
    const bool air = chosenWavelength ? IsAirUnit(chosen) : IsAirUnit(axisUnits);
    return (declared == DeclaredXUnit::Nanometre ? 4 : 1) + (air ? 1 : 0);
}

bool ContradictsDeclaredUnit(int chosen, DeclaredXUnit declared) {
    if (chosen == kAutomaticXUnit || declared == DeclaredXUnit::None) return false;
    const DeclaredXUnit named = chosen == 3   ? DeclaredXUnit::Wavenumber
                                : chosen >= 4 ? DeclaredXUnit::Nanometre
                                              : DeclaredXUnit::Angstrom;
    return named != declared;
}

const std::vector<std::string>& SpectrumXUnitItems() {
    static const std::vector<std::string> items = {
        "Automatic (below 1000: nm)", "\xC3\x85 (Vacuum)", "\xC3\x85 (Air)", "cm-1", "nm (Vacuum)", "nm (Air)"};
    return items;
}

std::pair<double, double> SpectrumExtent(const ExperimentState& exp) {
    if (!HasExperimentalPoints(exp)) return {0.0, 0.0};
    double low = exp.ExpX(0), high = low;
    for (int i = 0; i <= exp.ExpPoints; ++i) {
        low = std::min(low, static_cast<double>(exp.ExpX(i)));
        high = std::max(high, static_cast<double>(exp.ExpX(i)));
    }
    return {low, high};
}

void ConvertSpectrumX(ExperimentState& exp, int fileUnit, int axisUnits) {
    if (!HasExperimentalPoints(exp)) return;
    const int readUnit = ReadXUnit(fileUnit, axisUnits);
    if (readUnit == axisUnits) return;
    for (int i = 0; i <= exp.ExpPoints; ++i)
        exp.ExpXRaw(i) = static_cast<float>(ConvertAxisValue(exp.ExpXRaw(i), readUnit, axisUnits));
}

void ConvertSpectraToAxis(ExperimentState& exp, int oldUnits, int newUnits, double centre) {
    if (oldUnits == newUnits || exp.ExpCount <= 0) return;
    if (HasExperimentalPoints(exp))
        for (int i = 0; i <= exp.ExpPoints; ++i)
            exp.ExpXRaw(i) = static_cast<float>(ConvertAxisValue(exp.ExpXRaw(i), oldUnits, newUnits));
    // A correction c moves the spectrum from x to x - c: the same move in the new unit.
    auto shift = [&](double c) {
        if (c == 0.0 || centre == 0.0) return c;
        return ConvertAxisValue(centre, oldUnits, newUnits) - ConvertAxisValue(centre - c, oldUnits, newUnits);
    };
    for (ExpFile& f : exp.ExpFiles) f.Wavelength = static_cast<float>(shift(f.Wavelength));
    exp.WavelengthCorrection = static_cast<float>(shift(exp.WavelengthCorrection));
    exp.TxtWavelength = Trim(Str(exp.WavelengthCorrection));
    ApplyCorrections(exp);
}

}  // namespace velmora::experiment
