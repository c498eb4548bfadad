// Settings between runs: defaults of a first run, the text conversions, the write order.
#include "program/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "database/gas_composition.h"
#include "simulation/conditions.h"

namespace velmora::program {
namespace {

using namespace simulation;

TEST(Settings, FirstRunTakesEveryDefault) {
    AppState app;
    SimulationConditions& c = app.sim.conditions;
    app.db.systemEntry = 7, app.table.icoef = 4, c.kind = SpectrumKind::LifExcitation, c.start = 1.0,
    c.temperature = 2000.0;
    c.predissociationBroadening = false, app.pop.MinimumPopulation = 0.5f, app.shell.SpectraDirectory = "/old";
    LoadSettings(app, MemoryStore{});
    MemoryStore written;
    SaveSettings(app, written);
    // In the write order: Main, then Simulation (Kind .. Doppler shift), then the folder.
    const std::vector<std::string> defaults = {"1",
                                               "1",
                                               "1",
                                               "1",
                                               "1",
                                               "1",
                                               "0",
                                               "0",  // Main
                                               "1",
                                               "1",
                                               "1",
                                               "3050",
                                               "3150",
                                               "1",
                                               "0",
                                               "0",
                                               "300",
                                               "1E-05",  // Kind .. MinimumPopulation
                                               "0",
                                               "0",
                                               "1",
                                               "0",
                                               "0",
                                               "0",
                                               "1",
                                               "0",
                                               "1",
                                               "0",
                                               "1",
                                               "0",  // flags .. Doppler shift
                                               "N2=0.79,O2=0.21",
                                               "0",
                                               "0",
                                               "1",
                                               "10",
                                               "0.1",
                                               "0",  // gas and laser
                                               "",   // the folder
                                               "0",
                                               "0",
                                               "0",
                                               "1",
                                               "",
                                               "0",
                                               "0",
                                               "0",
                                               "0",
                                               "",    // instrument, absorption, response
                                               "0"};  // intensity column: automatic
    ASSERT_EQ(written.writes.size(), defaults.size());
    for (std::size_t i = 0; i < defaults.size(); ++i)
        EXPECT_EQ(written.writes[i].value, defaults[i]) << written.writes[i].key;
}

TEST(Settings, WritesEveryKeyInItsOrderAsNumberText) {
    AppState app;
    app.db.systemEntry = 3;
    app.sim.conditions.start = 3071.25;
    app.sim.conditions.pressure = -0.5;
    app.pop.MinimumPopulation = 0.00001f;
    app.shell.SpectraDirectory = "C:/spectra with blanks";
    MemoryStore store;
    SaveSettings(app, store);

    const std::vector<std::string> order = {"Main/irad",
                                            "Main/icoef",
                                            "Main/itran",
                                            "Main/intHund",
                                            "Main/intWindows",
                                            "Main/intTabMain",
                                            "Main/intTabPop",
                                            "Main/intColor",
                                            "Simulation/Kind",
                                            "Simulation/Lineshape",
                                            "Simulation/Instrumental resolution",
                                            "Simulation/Xini",
                                            "Simulation/Xend",
                                            "Simulation/Units",
                                            "Simulation/Pressure",
                                            "Simulation/Pressure_units",
                                            "Simulation/Temperature",
                                            "Simulation/MinimumPopulation",
                                            "Simulation/DopplerBroadening",
                                            "Simulation/CollisionalBroadening",
                                            "Simulation/PredissociationBroadening",
                                            "Simulation/Quenching",
                                            "Simulation/QuenchingUnits",
                                            "Simulation/QuenchingSource",
                                            "Simulation/PointDensity",
                                            "Simulation/Collisional Shift A",
                                            "Simulation/Collisional Shift B",
                                            "Simulation/Collisional Broad 1",
                                            "Simulation/Collisional Broad 2",
                                            "Simulation/Doppler shift",
                                            "Simulation/Quenching composition",
                                            "Simulation/Laser Gaussian width",
                                            "Simulation/Laser Lorentzian width",
                                            "Simulation/Pulse energy",
                                            "Simulation/Pulse duration",
                                            "Simulation/Beam area",
                                            "Simulation/Spectral irradiance",
                                            "Files/Spectra directory",
                                            "Simulation/Trapezoid top",
                                            "Simulation/Resolution slope",
                                            "Simulation/Slit units",
                                            "Simulation/Slit scale",
                                            "Files/Slit file",
                                            "Simulation/Absorption units",
                                            "Simulation/Column density",
                                            "Simulation/Number density",
                                            "Simulation/Path length",
                                            "Files/Response file",
                                            "Files/Spectra column"};
    ASSERT_EQ(store.writes.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(store.writes[i].section + "/" + store.writes[i].key, order[i]) << i;

    // Numbers without a leading blank; the folder as it stands.
    EXPECT_EQ(store.Get("Main", "irad"), "3");
    EXPECT_EQ(store.Get("Simulation", "Xini"), "3071.25");
    EXPECT_EQ(store.Get("Simulation", "Pressure"), "-0.5");
    EXPECT_EQ(store.Get("Simulation", "MinimumPopulation"), "1E-05");
    EXPECT_EQ(store.Get("Files", "Spectra directory"), "C:/spectra with blanks");
}

TEST(Settings, RoundTripRestoresEveryValue) {
    AppState app;
    app.db.systemEntry = 5, app.table.icoef = 6, app.table.tableKind = 2, app.table.nomenclature = 0;
    app.shell.intWindows = 4, app.shell.intTabMain = 0, app.pop.intTabPop = 2, app.plot.intColor = 1;
    SimulationConditions& c = app.sim.conditions;
    c.kind = SpectrumKind::LifExcitation, c.lineshape = Lineshape::Voigt, c.resolution = 0.125;
    c.start = 31000.5, c.end = 33300.75, c.unit = AxisUnit::Wavenumber, c.pressure = 760.0;
    c.pressureUnit = PressureUnit::Kilopascal, c.quenchingRate = 0.3456789, c.quenching = QuenchingSource::FromFiles;
    app.sim.QuenchingUnits = 1;
    c.density = PointDensity::VeryHigh, c.temperature = 1234.5, app.pop.MinimumPopulation = 3.5e-7f;
    c.dopplerBroadening = c.collisionalBroadening = true, c.predissociationBroadening = false;
    c.collisionalShiftA = 0.0123, c.collisionalShiftB = 0.75, c.collisionalBroad1 = 0.1;
    c.collisionalBroad2 = 0.5, c.dopplerVelocity = -12.5, app.shell.SpectraDirectory = "";
    // A value typed in double precision is kept as typed, not rounded to single precision.
    c.laserGaussWidth = 0.35, c.pulseEnergy = 2197.66800123;
    app.shell.SpectraColumn = 3;
    MemoryStore store;
    SaveSettings(app, store);

    AppState back;
    LoadSettings(back, store);
    MemoryStore again;
    SaveSettings(back, again);
    ASSERT_EQ(again.writes.size(), store.writes.size());
    for (std::size_t i = 0; i < store.writes.size(); ++i)
        EXPECT_EQ(again.writes[i].value, store.writes[i].value) << store.writes[i].key;
    EXPECT_TRUE(back.sim.conditions == app.sim.conditions);
    EXPECT_EQ(back.sim.conditions.end, 33300.75);
    EXPECT_EQ(back.sim.conditions.quenchingRate, 0.3456789);
    EXPECT_EQ(back.sim.conditions.pulseEnergy, 2197.66800123);
    EXPECT_EQ(back.sim.QuenchingUnits, 1);
    EXPECT_EQ(back.pop.MinimumPopulation, 3.5e-7f);
    EXPECT_EQ(back.shell.SpectraDirectory, "");  // an empty folder stays empty
    EXPECT_EQ(back.shell.SpectraColumn, 3);
}

TEST(Settings, TextIsConvertedAsTheNumberItStartsWith) {
    MemoryStore store;
    store.Set("Main", "irad", " 2");         // the leading blank earlier versions stored
    store.Set("Main", "intTabMain", "0.5");  // whole numbers round halves to even
    store.Set("Main", "intTabPop", "1.5");
    store.Set("Simulation", "Temperature", "abc");   // no number: 0
    store.Set("Simulation", "Xini", "  3100.5 nm");  // the leading numeric part
    store.Set("Simulation", "Xend", "");             // empty: the default
    store.Set("Simulation", "Pressure", "1e40");     // beyond a single: the default
    AppState app;
    LoadSettings(app, store);
    EXPECT_EQ(app.db.systemEntry, 2);
    EXPECT_EQ(app.shell.intTabMain, 0);
    EXPECT_EQ(app.pop.intTabPop, 2);
    EXPECT_EQ(app.sim.conditions.temperature, 0.0);
    EXPECT_EQ(app.sim.conditions.start, 3100.5);
    EXPECT_EQ(app.sim.conditions.end, 3150.0);
    EXPECT_EQ(app.sim.conditions.pressure, 0.0);
}

TEST(Settings, AListIndexOutsideItsListTakesTheDefault) {
    MemoryStore store;
    store.Set("Main", "icoef", " 9");
    store.Set("Main", "intColor", "-1");
    store.Set("Simulation", "Kind", "x");  // 0 is no kind
    store.Set("Simulation", "Pressure_units", " 6");
    store.Set("Simulation", "QuenchingUnits", " 1");
    store.Set("Simulation", "QuenchingSource", " 4");
    store.Set("Simulation", "PointDensity", " 3");
    store.Set("Files", "Spectra column", " 1001");
    AppState app;
    LoadSettings(app, store);
    EXPECT_EQ(app.table.icoef, 1);
    EXPECT_EQ(app.plot.intColor, 0);
    EXPECT_EQ(app.sim.conditions.kind, SpectrumKind::Emission);
    EXPECT_EQ(app.sim.conditions.pressureUnit, PressureUnit::Torr);
    EXPECT_EQ(app.sim.QuenchingUnits, 1);
    EXPECT_EQ(app.sim.conditions.quenching, QuenchingSource::None);
    EXPECT_EQ(app.sim.conditions.density, PointDensity::VeryHigh);
    EXPECT_EQ(app.shell.SpectraColumn, 0);
}

TEST(Settings, TheQuenchingGasIsStoredAsItsCompositionAndAnUnreadableOneTakesAir) {
    AppState app;
    app.sim.conditions.composition = database::ParseComposition("N2=0.71,H2O=0.19,CO2=0.095,O2=0.005");
    MemoryStore store;
    SaveSettings(app, store);
    EXPECT_EQ(store.Get("Simulation", "Quenching composition"), "N2=0.71,H2O=0.19,CO2=0.095,O2=0.005");
    AppState restored;
    LoadSettings(restored, store);
    EXPECT_EQ(restored.sim.conditions.composition, app.sim.conditions.composition);
    store.Set("Simulation", "Quenching composition", "N2=0.5");
    LoadSettings(restored, store);
    EXPECT_EQ(database::CompositionText(restored.sim.conditions.composition), "N2=0.79,O2=0.21");
}

TEST(Settings, ANumberItsControlRefusesTakesTheDefault) {
    // Values of a hand-edited or damaged store; each falls back to its first-run default.
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"Instrumental resolution", "0"}, {"Temperature", "-20"},        {"Pressure", "1e30"},
        {"MinimumPopulation", "5"},       {"Collisional Shift A", "-1"}, {"Collisional Broad 2", "1e38"},
        {"Doppler shift", "4e5"},         {"Quenching", "-0.5"},         {"DopplerBroadening", "7"},
    };
    MemoryStore store;
    for (const auto& [key, value] : bad) store.Set("Simulation", key, value);
    AppState app;
    LoadSettings(app, store);
    MemoryStore written, defaults;
    SaveSettings(app, written);
    AppState first;
    LoadSettings(first, MemoryStore{});
    SaveSettings(first, defaults);
    ASSERT_EQ(written.writes.size(), defaults.writes.size());
    for (std::size_t i = 0; i < written.writes.size(); ++i)
        EXPECT_EQ(written.writes[i].value, defaults.writes[i].value) << written.writes[i].key;

    // A range that runs backwards, is empty or lies beyond any spectrum in its unit: the default
    // range (in nm on a nm axis). A nm range stays on a nm axis.
    struct RangeCase {
        std::string units, xini, xend;
        double start, end;
    };
    for (const RangeCase& c : std::vector<RangeCase>{{"1", "3100", "3100", 3050, 3150},
                                                     {"1", "3200", "3100", 3050, 3150},
                                                     {"1", "-3e38", "3e38", 3050, 3150},
                                                     {"1", "1e-30", "3150", 3050, 3150},
                                                     {"1", "3050", "1e30", 3050, 3150},
                                                     {"1", "305", "315", 3050, 3150},
                                                     {"5", "305", "315", 305, 315},
                                                     {"4", "50", "315", 305, 315}}) {
        MemoryStore range;
        range.Set("Simulation", "Units", c.units);
        range.Set("Simulation", "Xini", c.xini);
        range.Set("Simulation", "Xend", c.xend);
        AppState a;
        LoadSettings(a, range);
        EXPECT_EQ(a.sim.conditions.start, c.start) << c.units << ": " << c.xini << " " << c.xend;
        EXPECT_EQ(a.sim.conditions.end, c.end) << c.units << ": " << c.xini << " " << c.xend;
    }
}

TEST(Settings, AStoreWrittenByTheSingleProgramLoadsUnchangedAndIsWrittenAgainWithoutLeadingBlanks) {
    // Settings as the program stored them while it held its conditions in
    // single precision (section, key and value per line, tab-separated).
    MemoryStore stored;
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/tests/data/program/stored_settings.tsv");
    for (std::string line; std::getline(in, line);) {
        const auto a = line.find('\t'), b = line.find('\t', a + 1);
        stored.Set(line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1));
    }
    ASSERT_EQ(stored.writes.size(), 49u);
    AppState app;
    LoadSettings(app, stored);
    // Every value as it was typed, in double precision.
    const SimulationConditions& c = app.sim.conditions;
    EXPECT_EQ(c.kind, SpectrumKind::LifExcitation);
    EXPECT_EQ(c.lineshape, Lineshape::Voigt);
    EXPECT_EQ(c.resolution, 0.35);
    EXPECT_EQ(c.start, 2255.5);
    EXPECT_EQ(c.end, 2265.25);
    EXPECT_EQ(c.pressure, 760.0);  // 1013.25 mbar, held in Torr
    EXPECT_EQ(c.pressureUnit, PressureUnit::Millibar);
    EXPECT_EQ(c.temperature, 2197.668);
    EXPECT_EQ(c.quenching, QuenchingSource::GasComposition);
    EXPECT_EQ(c.quenchingRate, 2.5);
    EXPECT_EQ(c.dopplerVelocity, -12.5);
    EXPECT_EQ(database::CompositionText(c.composition), "N2=0.71,H2O=0.19,CO2=0.095,O2=0.005");
    EXPECT_EQ(c.spectralIrradiance, 1e6);
    EXPECT_EQ(c.resolutionSlope, -0.001);
    EXPECT_EQ(c.slitUnit, SlitOffsetUnit::Nanometre);
    EXPECT_EQ(c.numberDensity, 2.5e12);
    EXPECT_EQ(app.pop.MinimumPopulation, 0.0005f);
    EXPECT_EQ(app.shell.SpectraColumn, 2);
    // Written again: the same keys in the same order with the same texts, less the leading
    // blank the earlier program wrote before non-negative numbers.
    MemoryStore written;
    SaveSettings(app, written);
    ASSERT_EQ(written.writes.size(), stored.writes.size());
    for (std::size_t i = 0; i < written.writes.size(); ++i) {
        EXPECT_EQ(written.writes[i].key, stored.writes[i].key);
        const std::string& before = stored.writes[i].value;
        EXPECT_EQ(written.writes[i].value, before.starts_with(' ') ? before.substr(1) : before) << stored.writes[i].key;
    }
}

}  // namespace
}  // namespace velmora::program
