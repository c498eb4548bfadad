#include "simulation/condition_fields.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <memory>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/catalogue.h"
#include "database/gas_composition.h"
#include "database/quenching.h"
#include "simulation/detection_filter.h"
#include "simulation/slit_file.h"

namespace velmora::simulation {

namespace {

using C = SimulationConditions;
using G = ViewGroup;
using D = Derived;

/// The largest number a field of "0 or more" takes.
constexpr double kLargest = std::numeric_limits<float>::max();

template <auto Member>
double Get(const C& c) {
    using T = std::decay_t<decltype(c.*Member)>;
    if constexpr (std::is_enum_v<T>)
        return StoredValue(c.*Member);
    else
        return static_cast<double>(c.*Member);
}

template <auto Member>
void Set(C& c, double v) {
    using T = std::decay_t<decltype(c.*Member)>;
    if constexpr (std::is_enum_v<T>)
        c.*Member = StoredMode<T>(static_cast<int>(v));
    else if constexpr (std::is_same_v<T, bool>)
        c.*Member = v != 0.0;
    else
        c.*Member = v;
}

/// The pressure is given in the pressure unit of the conditions and held in Torr.
double PressureScale(const C& c) {
    static const Catalogue fixed = [] {
        Catalogue cat;
        database::FillFixedTables(cat);
        return cat;
    }();
    const int u = StoredValue(c.pressureUnit);
    return fixed.PressureToTorr.Contains(u) ? fixed.PressureToTorr(u) : 1.0;
}

Limits AxisRange(const C& c) { return RangeLimits(StoredValue(c.unit)); }

std::string CompositionOf(const C& c) { return database::CompositionText(c.composition); }

void SetComposition(C& c, const std::string& text) {
    database::GasComposition gas = database::ParseComposition(text);
    if (gas.Empty()) throw std::invalid_argument("no gas given");
    c.composition = std::move(gas);
}

std::string SlitOf(const C& c) { return c.slit ? c.slit->file : std::string(); }

void SetSlit(C& c, const std::string& path) {
    if (path.empty()) {
        c.slit.reset();
        return;
    }
    c.slit = std::make_shared<const MeasuredSlit>(ReadSlitFile(path, c.slitUnit));
}

std::string FilterOf(const C& c) { return c.detectionFilterFile; }

void SetFilter(C& c, const std::string& path) {
    c.detectionFilter = path.empty() ? TransmissionCurve() : ReadDetectionFilter(path);
    c.detectionFilterFile = path;
}

// The groups a change shows again, by what it changes.
constexpr ViewGroups kWidthGroups = G::Broadening | G::Instrument;
constexpr ViewGroups kYieldGroups = G::Quenching | G::Database;

std::vector<ConditionField> MakeFields() {
    std::vector<ConditionField> f;
    auto add = [&f](ConditionField field) { f.push_back(std::move(field)); };
    // Every condition the simulation takes, in the order the command line lists them.
    add({.name = "kind",
         .keyword = "kind",
         .type = FieldType::Choice,
         .help = "emission|absorption|lif|cubic or 1..4 (default emission)",
         .first = 1,
         .choices = {"emission", "absorption", "lif", "cubic"},
         .setting = {"Simulation", "Kind"},
         .control = "CmbKind",
         .refresh = G::Range | G::Lif | G::Quenching | G::Absorption | kWidthGroups | G::Populations,
         .derived = D::Widths | D::PopulatedState,
         .get = Get<&C::kind>,
         .set = Set<&C::kind>});
    add({.name = "units",
         .keyword = "units",
         .type = FieldType::Choice,
         .help = "vacuum|air|cm-1|nm-vacuum|nm-air or 1..5: axis unit of the range and widths (default vacuum Å)",
         .first = 1,
         .choices = {"vacuum", "air", "cm-1", "nm-vacuum", "nm-air"},
         .setting = {"Simulation", "Units"},
         .control = "CmbUnits",
         .refresh = G::Range | G::Lif | kWidthGroups | G::Experiment | G::Display,
         .derived = D::Widths | D::Shifts,
         .get = Get<&C::unit>,
         .set = Set<&C::unit>});
    add({.name = "start",
         .keyword = "start",
         .type = FieldType::Number,
         .help = "X  range start in the axis unit (default 3050 Å)",
         .outside = true,
         .limitsFor = AxisRange,
         .setting = {"Simulation", "Xini"},
         .control = "TxtStart",
         .refresh = G::Range | kWidthGroups,
         .derived = D::Widths | D::Shifts,
         .get = Get<&C::start>,
         .set = Set<&C::start>});
    add({.name = "end",
         .keyword = "end",
         .type = FieldType::Number,
         .help = "X  range end (default 3150 Å)",
         .outside = true,
         .limitsFor = AxisRange,
         .setting = {"Simulation", "Xend"},
         .control = "TxtEnd",
         .refresh = G::Range | kWidthGroups,
         .derived = D::Widths | D::Shifts,
         .get = Get<&C::end>,
         .set = Set<&C::end>});
    add({.name = "temperature",
         .keyword = "temperature",
         .type = FieldType::Number,
         .help = "K  temperature (default 300)",
         .unit = "K",
         .limits = kTemperatureLimits,
         .setting = {"Simulation", "Temperature"},
         .control = "TxtTemperature",
         .refresh = G::Conditions | kWidthGroups | kYieldGroups | G::Populations,
         .derived = D::Widths | D::Shifts | D::Yields | D::Populations,
         .get = Get<&C::temperature>,
         .set = Set<&C::temperature>});
    add({.name = "pressure",
         .keyword = "pressure",
         .type = FieldType::Number,
         .help = "P  pressure in the pressure unit (default 0)",
         .unit = "Torr",
         .limits = kPressureTorrLimits,
         .scale = PressureScale,
         .setting = {"Simulation", "Pressure"},
         .control = "TxtPressure",
         .refresh = G::Conditions | kWidthGroups | kYieldGroups,
         .derived = D::Widths | D::Shifts | D::Yields,
         .get = Get<&C::pressure>,
         .set = Set<&C::pressure>});
    add({.name = "pressure-units",
         .keyword = "pressure_units",
         .type = FieldType::Choice,
         .help = "torr|atm|mbar|bar|pa|kpa or 0..5 (default torr)",
         .first = 0,
         .choices = {"torr", "atm", "mbar", "bar", "pa", "kpa"},
         .setting = {"Simulation", "Pressure_units"},
         .control = "CmbPressure",
         .refresh = G::Conditions | G::Broadening | G::Quenching,
         .get = Get<&C::pressureUnit>,
         .set = Set<&C::pressureUnit>});
    add({.name = "lineshape",
         .keyword = "lineshape",
         .type = FieldType::Choice,
         .help = "gaussian|lorentzian|voigt|triangle|trapezoid|file or 1..6: instrument function (default gaussian)",
         .first = 1,
         .choices = {"gaussian", "lorentzian", "voigt", "triangle", "trapezoid", "file"},
         .setting = {"Simulation", "Lineshape"},
         .control = "CmbLineshape",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::lineshape>,
         .set = Set<&C::lineshape>});
    add({.name = "resolution",
         .keyword = "resolution",
         .type = FieldType::Number,
         .help = "W  instrumental FWHM in the axis unit (default 1)",
         .limits = kResolutionLimits,
         .accepts = "in the axis unit",
         .outside = true,
         .setting = {"Simulation", "Instrumental resolution"},
         .control = "TxtResolution",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::resolution>,
         .set = Set<&C::resolution>});
    add({.name = "lorentzian",
         .keyword = "lorentzian",
         .type = FieldType::Number,
         .help = "PERCENT  Lorentzian share of a Voigt instrument function (default 0)",
         .unit = "%",
         .limits = kLorentzianLimits,
         .control = "TxtLorentzian",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::lorentzPercent>,
         .set = Set<&C::lorentzPercent>});
    add({.name = "top",
         .keyword = "top",
         .type = FieldType::Number,
         .help = "W  flat-top width of a trapezoid instrument function, at most its FWHM (default 0)",
         .limits = {0.0, kLargest},
         .accepts = "0 or more",
         .setting = {"Simulation", "Trapezoid top"},
         .control = "TxtTrapezoidTop",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::trapezoidTop>,
         .set = Set<&C::trapezoidTop>});
    add({.name = "slit",
         .keyword = "slit",
         .type = FieldType::File,
         .help = "FILE  measured instrument function: offset and relative response (with --lineshape file)",
         .setting = {"Files", "Slit file"},
         .control = "CmdSlitFile",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .getText = SlitOf,
         .setText = SetSlit});
    add({.name = "slit-units",
         .keyword = "slit_units",
         .type = FieldType::Choice,
         .help = "axis|nm: unit of the offsets in the --slit file (default axis)",
         .first = 0,
         .choices = {"axis", "nm"},
         .setting = {"Simulation", "Slit units"},
         .control = "CmbSlitUnits",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::slitUnit>,
         .set = Set<&C::slitUnit>});
    add({.name = "slit-scale",
         .keyword = "slit_scale",
         .type = FieldType::Number,
         .help = "F  width factor of the measured instrument function (default 1)",
         .limits = {1e-6, kLargest},
         .accepts = "above 0",
         .setting = {"Simulation", "Slit scale"},
         .control = "TxtSlitScale",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::slitScale>,
         .set = Set<&C::slitScale>});
    add({.name = "resolution-slope",
         .keyword = "resolution_slope",
         .type = FieldType::Number,
         .help = "S  change of the instrumental FWHM per axis unit across the range (default 0)",
         .limits = {-kLargest, kLargest},
         .accepts = "a number",
         // The Gaussian, Lorentzian and Voigt are drawn line by line at one width.
         .rule = [](const C& c) { return c.resolutionSlope == 0.0 || IsConvolvedInstrument(c.lineshape); },
         .ruleWith = "lineshape",
         .ruleWords = "applies to the convolved instrument functions ({} triangle, trapezoid or file), not to the "
                      "one chosen",
         .setting = {"Simulation", "Resolution slope"},
         .control = "TxtResolutionSlope",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::resolutionSlope>,
         .set = Set<&C::resolutionSlope>});
    add({.name = "density",
         .keyword = "density",
         .type = FieldType::Choice,
         .help = "low|standard|high|very-high or 0..3: points per width 5, 7, 14, 21 (default standard)",
         .first = 0,
         .choices = {"low", "standard", "high", "very-high"},
         .setting = {"Simulation", "PointDensity"},
         .control = "CmbPointDensity",
         .refresh = G::Instrument,
         .get = Get<&C::density>,
         .set = Set<&C::density>});
    add({.name = "doppler",
         .keyword = "doppler",
         .type = FieldType::Switch,
         .help = "on|off  Doppler broadening (default off)",
         .choices = {"off", "on"},
         .setting = {"Simulation", "DopplerBroadening"},
         .control = "ChkDoppler",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::dopplerBroadening>,
         .set = Set<&C::dopplerBroadening>});
    add({.name = "collisional",
         .keyword = "collisional",
         .type = FieldType::Switch,
         .help = "on|off  collisional broadening (default off)",
         .choices = {"off", "on"},
         .setting = {"Simulation", "CollisionalBroadening"},
         .control = "ChkCollisional",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::collisionalBroadening>,
         .set = Set<&C::collisionalBroadening>});
    add({.name = "predissociation",
         .keyword = "predissociation",
         .type = FieldType::Switch,
         .help = "on|off  predissociation broadening (default on)",
         .choices = {"off", "on"},
         .setting = {"Simulation", "PredissociationBroadening"},
         .control = "ChkPredissociation",
         .refresh = G::Broadening,
         .get = Get<&C::predissociationBroadening>,
         .set = Set<&C::predissociationBroadening>});
    add({.name = "coll-b1",
         .keyword = "coll_b1",
         .type = FieldType::Number,
         .help = "B1  collisional broadening, cm-1/atm at 300 K (default 0)",
         .unit = "cm-1/atm",
         .limits = kCollisionalCoefficientLimits,
         .setting = {"Simulation", "Collisional Broad 1"},
         .control = "TxtCollB1",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::collisionalBroad1>,
         .set = Set<&C::collisionalBroad1>});
    add({.name = "coll-b2",
         .keyword = "coll_b2",
         .type = FieldType::Number,
         .help = "B2  temperature exponent of the broadening (default 1)",
         .limits = kTemperatureExponentLimits,
         .setting = {"Simulation", "Collisional Broad 2"},
         .control = "TxtCollB2",
         .refresh = kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::collisionalBroad2>,
         .set = Set<&C::collisionalBroad2>});
    add({.name = "collisional-shift",
         .keyword = "collisional_shift",
         .type = FieldType::Switch,
         .help = "on|off  collisional shift (default off)",
         .choices = {"off", "on"},
         .control = "ChkCollisionalShift",
         .refresh = G::Broadening,
         .derived = D::Shifts,
         .get = Get<&C::collisionalShift>,
         .set = Set<&C::collisionalShift>});
    add({.name = "shift-a",
         .keyword = "shift_a",
         .type = FieldType::Number,
         .help = "A  collisional shift, cm-1/atm at 300 K, to the red (default 0)",
         .unit = "cm-1/atm",
         .limits = kCollisionalCoefficientLimits,
         .setting = {"Simulation", "Collisional Shift A"},
         .control = "TxTShiftA",
         .refresh = G::Broadening,
         .derived = D::Shifts,
         .get = Get<&C::collisionalShiftA>,
         .set = Set<&C::collisionalShiftA>});
    add({.name = "shift-b",
         .keyword = "shift_b",
         .type = FieldType::Number,
         .help = "B  temperature exponent of the shift (default 1)",
         .limits = kTemperatureExponentLimits,
         .setting = {"Simulation", "Collisional Shift B"},
         .control = "TxtShiftB",
         .refresh = G::Broadening,
         .derived = D::Shifts,
         .get = Get<&C::collisionalShiftB>,
         .set = Set<&C::collisionalShiftB>});
    add({.name = "doppler-shift",
         .keyword = "doppler_shift",
         .type = FieldType::Switch,
         .help = "on|off  Doppler shift (default off)",
         .choices = {"off", "on"},
         .control = "ChkDopplerShift",
         .refresh = G::Broadening,
         .derived = D::Shifts,
         .get = Get<&C::dopplerShift>,
         .set = Set<&C::dopplerShift>});
    add({.name = "doppler-velocity",
         .keyword = "doppler_velocity",
         .type = FieldType::Number,
         .help = "KM_S  velocity towards the observer, km/s (default 0)",
         .unit = "km/s",
         .limits = kVelocityLimits,
         .setting = {"Simulation", "Doppler shift"},
         .control = "TxtDopplerShift",
         .refresh = G::Broadening,
         .derived = D::Shifts,
         .get = Get<&C::dopplerVelocity>,
         .set = Set<&C::dopplerVelocity>});
    add({.name = "lif-regime",
         .keyword = "lif_regime",
         .type = FieldType::Choice,
         .help = "linear|partial|saturated|rate-equations or 0..3 (default linear)",
         .first = 0,
         .choices = {"linear", "partial", "saturated", "rate-equations"},
         .control = "CmbLIFregime",
         .refresh = G::Lif,
         .get = Get<&C::lifRegime>,
         .set = Set<&C::lifRegime>});
    add({.name = "laser-gauss",
         .keyword = "laser_gauss",
         .type = FieldType::Number,
         .help = "W  Gaussian FWHM of the excitation laser, axis unit (default 0: the instrument function)",
         .limits = {0.0, kResolutionLimits.hi},
         .accepts = "0 or more",
         .setting = {"Simulation", "Laser Gaussian width"},
         .control = "TxtLaserGauss",
         .refresh = G::Lif | kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::laserGaussWidth>,
         .set = Set<&C::laserGaussWidth>});
    add({.name = "laser-lorentz",
         .keyword = "laser_lorentz",
         .type = FieldType::Number,
         .help = "W  Lorentzian FWHM of the excitation laser, axis unit (default 0)",
         .limits = {0.0, kResolutionLimits.hi},
         .accepts = "0 or more",
         .setting = {"Simulation", "Laser Lorentzian width"},
         .control = "TxtLaserLorentz",
         .refresh = G::Lif | kWidthGroups,
         .derived = D::Widths,
         .get = Get<&C::laserLorentzWidth>,
         .set = Set<&C::laserLorentzWidth>});
    add({.name = "pulse-energy",
         .keyword = "pulse_energy",
         .type = FieldType::Number,
         .help = "MJ  laser pulse energy, mJ (default 1)",
         .limits = kPulseEnergyLimits,
         .accepts = "0 mJ or more",
         .setting = {"Simulation", "Pulse energy"},
         .control = "TxtPulseEnergy",
         .refresh = G::Lif,
         .get = Get<&C::pulseEnergy>,
         .set = Set<&C::pulseEnergy>});
    add({.name = "pulse-duration",
         .keyword = "pulse_duration",
         .type = FieldType::Number,
         .help = "NS  laser pulse duration, ns (default 10)",
         .limits = kPulseDurationLimits,
         .accepts = "above 0 ns",
         .setting = {"Simulation", "Pulse duration"},
         .control = "TxtPulseDuration",
         .refresh = G::Lif,
         .get = Get<&C::pulseDuration>,
         .set = Set<&C::pulseDuration>});
    add({.name = "beam-area",
         .keyword = "beam_area",
         .type = FieldType::Number,
         .help = "CM2  laser beam cross section, cm2 (default 0.1)",
         .limits = kBeamAreaLimits,
         .accepts = "above 0 cm2",
         .setting = {"Simulation", "Beam area"},
         .control = "TxtBeamArea",
         .refresh = G::Lif,
         .get = Get<&C::beamArea>,
         .set = Set<&C::beamArea>});
    add({.name = "spectral-irradiance",
         .keyword = "spectral_irradiance",
         .type = FieldType::Number,
         .help = "I  laser spectral irradiance at its centre, W cm-2 per cm-1 (default 0: from the pulse)",
         .limits = kIrradianceLimits,
         .accepts = "0 or more",
         .setting = {"Simulation", "Spectral irradiance"},
         .control = "TxtSpectralIrradiance",
         .refresh = G::Lif,
         .get = Get<&C::spectralIrradiance>,
         .set = Set<&C::spectralIrradiance>});
    add({.name = "filter",
         .keyword = "filter",
         .type = FieldType::File,
         .help = "FILE  detection filter: lines of wavelength (nm) and transmission (0..1); replaces the window",
         .control = "CmdDetectionFilter",
         .refresh = G::Lif,
         .getText = FilterOf,
         .setText = SetFilter});
    add({.name = "gate",
         .keyword = "gate",
         .type = FieldType::Choice,
         .help = "total|resolved or 0..1: detection gate (default total integration)",
         .first = 0,
         .choices = {"total", "resolved"},
         .control = "CmbGate",
         .refresh = G::Lif,
         .get = Get<&C::gate>,
         .set = Set<&C::gate>});
    add({.name = "delay",
         .keyword = "delay",
         .type = FieldType::Number,
         .help = "NS  gate delay (default 0)",
         .unit = "ns",
         .limits = kGateLimits,
         .control = "TxtDelay",
         .refresh = G::Lif,
         .get = Get<&C::gateDelay>,
         .set = Set<&C::gateDelay>});
    add({.name = "gate-width",
         .keyword = "gate_width",
         .type = FieldType::Number,
         .help = "NS  gate width (default 10)",
         .unit = "ns",
         .limits = kGateLimits,
         .control = "TxtGate",
         .refresh = G::Lif,
         .get = Get<&C::gateWidth>,
         .set = Set<&C::gateWidth>});
    add({.name = "window",
         .keyword = "window",
         .type = FieldType::Choice,
         .help = "full|window or 0..1: spectral detection window (default full)",
         .first = 0,
         .choices = {"full", "window"},
         .control = "CmbSpectralWindow",
         .refresh = G::Lif,
         .get = Get<&C::window>,
         .set = Set<&C::window>});
    add({.name = "window-start",
         .keyword = "window_start",
         .type = FieldType::Number,
         .help = "Å  detection window start (default 0)",
         .unit = "Å",
         .limits = kWindowLimits,
         .control = "TxtStartWindow",
         .refresh = G::Lif,
         .get = Get<&C::windowStart>,
         .set = Set<&C::windowStart>});
    add({.name = "window-end",
         .keyword = "window_end",
         .type = FieldType::Number,
         .help = "Å  detection window end (default 0)",
         .unit = "Å",
         .limits = kWindowLimits,
         .control = "TxtEndWindow",
         .refresh = G::Lif,
         .get = Get<&C::windowEnd>,
         .set = Set<&C::windowEnd>});
    add({.name = "yield",
         .keyword = "fluorescence_yield",
         .type = FieldType::Choice,
         .help = "included|excluded|no-predissociation|no-quenching or 0..3 (default included)",
         .first = 0,
         .choices = {"included", "excluded", "no-predissociation", "no-quenching"},
         .control = "CmbFluorescenceYield",
         .refresh = G::Lif,
         .get = Get<&C::yield>,
         .set = Set<&C::yield>});
    add({.name = "quenching-source",
         .keyword = "quenching_source",
         .type = FieldType::Choice,
         .help = "none|single|files|composition or 0..3 (default none)",
         .first = 0,
         .choices = {"none", "single", "files", "composition"},
         .setting = {"Simulation", "QuenchingSource"},
         .control = "CmbQuenching",
         .refresh = kYieldGroups,
         .derived = D::LevelData | D::Yields,
         .get = Get<&C::quenching>,
         .set = Set<&C::quenching>});
    add({.name = "quenching",
         .keyword = "quenching",
         .type = FieldType::Number,
         .help = "K  quenching rate constant, us-1 Torr-1 (default 0)",
         .limits = {0.0, database::kMaxQuenching},
         .accepts = "0 or more",
         .setting = {"Simulation", "Quenching"},
         .control = "TxtQuenching",
         .refresh = kYieldGroups,
         .derived = D::LevelData | D::Yields,
         .get = Get<&C::quenchingRate>,
         .set = Set<&C::quenchingRate>});
    add({.name = "composition",
         .keyword = "composition",
         .type = FieldType::Text,
         .help = "GAS  mole fractions of the quenching gas, e.g. N2=0.71,H2O=0.19,CO2=0.095,O2=0.005 (one may be "
                 "\"rest\")",
         .setting = {"Simulation", "Quenching composition"},
         .control = "GrdComposition",
         .refresh = kYieldGroups,
         .derived = D::Yields,
         .getText = CompositionOf,
         .setText = SetComposition});
    add({.name = "absorption-units",
         .keyword = "absorption_units",
         .type = FieldType::Choice,
         .help = "relative|cross-section|absorbance|transmittance or 0..3: unit of an absorption spectrum",
         .first = 0,
         .choices = {"relative", "cross-section", "absorbance", "transmittance"},
         .setting = {"Simulation", "Absorption units"},
         .control = "CmbAbsorptionUnits",
         .refresh = G::Absorption,
         .get = Get<&C::absorptionUnit>,
         .set = Set<&C::absorptionUnit>});
    add({.name = "column-density",
         .keyword = "column_density",
         .type = FieldType::Number,
         .help = "N  column density of the absorbers, cm-2",
         .limits = {0.0, kLargest},
         .accepts = "0 or more",
         .setting = {"Simulation", "Column density"},
         .control = "TxtColumnDensity",
         .refresh = G::Absorption,
         .get = Get<&C::columnDensity>,
         .set = Set<&C::columnDensity>});
    add({.name = "number-density",
         .keyword = "number_density",
         .type = FieldType::Number,
         .help = "N  number density of the absorbers, cm-3 (with --path-length)",
         .limits = {0.0, kLargest},
         .accepts = "0 or more",
         .setting = {"Simulation", "Number density"},
         .control = "TxtNumberDensity",
         .refresh = G::Absorption,
         .get = Get<&C::numberDensity>,
         .set = Set<&C::numberDensity>});
    add({.name = "path-length",
         .keyword = "path_length",
         .type = FieldType::Number,
         .help = "L  absorption path length, cm",
         .limits = {0.0, kLargest},
         .accepts = "0 or more",
         .setting = {"Simulation", "Path length"},
         .control = "TxtPathLength",
         .refresh = G::Absorption,
         .get = Get<&C::pathLength>,
         .set = Set<&C::pathLength>});
    return f;
}

/// "lo..hi" of accepted values, as a message names them.
std::string LimitsText(const Limits& limits) { return Trim(Str(limits.lo)) + ".." + Trim(Str(limits.hi)); }

std::string Lower(std::string_view text) {
    std::string s = Trim(text);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return s;
}

/// A resolution converted to another axis unit as its box shows it: up to six decimals, or the
/// single-precision form when it is finer than that.
double ConvertedResolution(double resolution) {
    std::string shown = Format(resolution, "##0.0#####");
    if (Val(shown) <= 0.0) shown = Str(static_cast<float>(resolution));
    return Val(shown);
}

}  // namespace

std::span<const ConditionField> ConditionFields() {
    static const std::vector<ConditionField> fields = MakeFields();
    return fields;
}

const ConditionField* FindField(std::string_view name) {
    for (const ConditionField& f : ConditionFields())
        if (name == f.name) return &f;
    return nullptr;
}

const ConditionField* FindKeyword(std::string_view keyword) {
    for (const ConditionField& f : ConditionFields())
        if (keyword == f.keyword) return &f;
    return nullptr;
}

const ConditionField& Field(std::string_view name) {
    if (const ConditionField* f = FindField(name)) return *f;
    throw std::logic_error("no condition field " + std::string(name));
}

FieldError::FieldError(const ConditionField& f, Kind k, std::string w, const ConditionField* o)
    : std::invalid_argument(std::string(f.name) + ": " + w), field(f), kind(k), words(std::move(w)), other(o) {}

std::string FieldError::WordsNaming(std::string_view otherName) const {
    std::string text = words;
    if (const std::size_t at = text.find("{}"); at != std::string::npos) text.replace(at, 2, otherName);
    return text;
}

void CheckFieldRules(const SimulationConditions& c) {
    for (const ConditionField& f : ConditionFields())
        if (f.rule && !f.rule(c)) throw FieldError(f, FieldError::Kind::Conflict, f.ruleWords, &Field(f.ruleWith));
}

Limits FieldLimits(const ConditionField& f, const SimulationConditions& c) {
    return f.limitsFor ? f.limitsFor(c) : f.limits;
}

double FieldScale(const ConditionField& f, const SimulationConditions& c) { return f.scale ? f.scale(c) : 1.0; }

std::string RefusalWords(const ConditionField& f, const SimulationConditions& c) {
    std::string what;
    if (f.limitsFor)
        what = LimitsText(FieldLimits(f, c)) + " " + AxisUnitName(c.unit);
    else if (f.accepts)
        what = f.outside ? LimitsText(f.limits) + " " + f.accepts : f.accepts;
    else
        what = LimitsText(f.limits) + (*f.unit ? std::string(" ") + f.unit : std::string());
    return f.outside ? "is outside " + what : "is not accepted (" + what + ")";
}

std::string CheckNumber(const ConditionField& f, const SimulationConditions& c, double given) {
    return FieldLimits(f, c).Contains(given * FieldScale(f, c)) ? std::string() : RefusalWords(f, c);
}

int ParseChoice(const ConditionField& f, std::string_view text) {
    const std::string value = Lower(text);
    int number = f.first;
    for (const char* n : f.choices) {
        if (value == n) return number;
        ++number;
    }
    const int last = f.first + static_cast<int>(f.choices.size()) - 1;
    if (IsNumeric(value) && Val(value) == static_cast<int>(Val(value)) && Val(value) >= f.first && Val(value) <= last)
        return static_cast<int>(Val(value));
    std::string list;
    for (const char* n : f.choices) list += (list.empty() ? "" : ", ") + std::string(n);
    throw FieldError(f, FieldError::Kind::NotChoice,
                     "is not one of " + list + " (or " + std::to_string(f.first) + ".." + std::to_string(last) + ")");
}

std::string ChoiceName(const ConditionField& f, int value) {
    const int k = value - f.first;
    return k >= 0 && k < static_cast<int>(f.choices.size()) ? f.choices[static_cast<std::size_t>(k)]
                                                            : std::to_string(value);
}

double HeldValue(const ConditionField& f, const SimulationConditions& c) { return f.get ? f.get(c) : 0.0; }

double GivenValue(const ConditionField& f, const SimulationConditions& c) { return HeldValue(f, c) / FieldScale(f, c); }

std::string FieldText(const ConditionField& f, const SimulationConditions& c) {
    if (!f.IsNumeric()) return f.getText(c);
    return f.type == FieldType::Number ? CompactStr(GivenValue(f, c)) : Str(static_cast<int>(HeldValue(f, c)));
}

void SetGivenNumber(const ConditionField& f, SimulationConditions& c, double given) {
    const std::string refusal = CheckNumber(f, c, given);
    if (!refusal.empty()) throw FieldError(f, FieldError::Kind::Refused, refusal);
    f.set(c, given * FieldScale(f, c));
}

void SetFieldText(const ConditionField& f, SimulationConditions& c, std::string_view text) {
    switch (f.type) {
        case FieldType::Number: {
            const std::string t = Trim(text);
            if (!IsNumeric(t)) throw FieldError(f, FieldError::Kind::NotNumber, "is not a number");
            SetGivenNumber(f, c, Val(t));
            return;
        }
        case FieldType::Switch:
        case FieldType::Choice:
            f.set(c, ParseChoice(f, text));
            return;
        case FieldType::Text:
            try {
                f.setText(c, std::string(text));
            } catch (const std::invalid_argument& e) {
                throw FieldError(f, FieldError::Kind::Invalid, e.what());
            }
            return;
        case FieldType::File:
            // The file's own problem names the file; the measured instrument function also
            // names its option.
            if (f.setText == SetSlit) {
                try {
                    f.setText(c, std::string(text));
                } catch (const std::exception& e) {
                    throw FieldError(f, FieldError::Kind::Invalid, e.what());
                }
            } else {
                f.setText(c, std::string(text));
            }
            return;
    }
}

SimulationConditions ConditionsFromFields(const std::vector<GivenField>& given) {
    SimulationConditions c;
    auto find = [&given](const ConditionField& f) -> const GivenField* {
        for (const GivenField& g : given)
            if (g.field == &f) return &g;
        return nullptr;
    };
    auto apply = [&c](const GivenField& g) {
        if (g.number && g.field->type == FieldType::Number)
            SetGivenNumber(*g.field, c, *g.number);
        else
            SetFieldText(*g.field, c, g.text);
    };
    const auto fields = ConditionFields();
    for (const ConditionField& f : fields) {
        if (f.type != FieldType::Choice && f.type != FieldType::Switch) continue;
        if (const GivenField* g = find(f)) apply(*g);
        // The default range and resolution in the unit given, as the window converts them;
        // a range or resolution given replaces them in that unit.
        if (&f == &Field("units") && c.unit != AxisUnit::AngstromVacuum) {
            const AxisUnit to = c.unit;
            c.unit = AxisUnit::AngstromVacuum;
            ChangeAxisUnit(c, to);
        }
    }
    for (const ConditionField& f : fields) {
        if (f.type == FieldType::Choice || f.type == FieldType::Switch) continue;
        if (const GivenField* g = find(f)) apply(*g);
    }
    // A gas composition alone is the source of the quenching.
    if (find(Field("composition")) && !find(Field("quenching-source"))) c.quenching = QuenchingSource::GasComposition;
    CheckFieldRules(c);
    return c;
}

double AsShown(double value) { return Val(Str(static_cast<float>(value))); }

void ChangeAxisUnit(SimulationConditions& c, AxisUnit to) {
    const AxisUnit from = c.unit;
    c.unit = to;
    if (from == to) return;
    const double s = c.start, e = c.end;
    using enum AxisUnit;
    // Air wavelengths are made vacuum ones with n_air of themselves, vacuum ones air with n_air
    // of the vacuum wavelength.
    const bool reciprocal = (from == Wavenumber) != (to == Wavenumber);
    const double fromStart = reciprocal ? e : s, fromEnd = reciprocal ? s : e;
    auto convert = [&](double x) { return AsShown(ConvertAxisValue(x, StoredValue(from), StoredValue(to))); };
    if (!(reciprocal && fromStart == 0.0)) c.start = convert(fromStart);
    if (!(reciprocal && fromEnd == 0.0)) c.end = convert(fromEnd);

    // Between vacuum and air wavelengths the widths stay.
    auto family = [](AxisUnit u) { return u == Wavenumber ? 0.0 : UnitsPerAngstrom(u); };
    if (family(from) == family(to) || s + e == 0.0) return;
    const double ratio = (c.start + c.end) / (s + e);
    c.laserGaussWidth *= ratio;
    c.laserLorentzWidth *= ratio;
    const double res = c.resolution * ratio;
    if (res > 0.0 && kResolutionLimits.Contains(ConvertedResolution(res))) c.resolution = ConvertedResolution(res);
}

}  // namespace velmora::simulation
