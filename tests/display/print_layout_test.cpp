#include "display/print_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "display/plot_fixture.h"
#include "display/plot_frame.h"
#include "table/catalogue_fixture.h"
#include "table/table_model.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

AppState Simulated() {
    AppState s;
    MakeCatalogue(s, 0, 1);
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::AxisUnit::Wavenumber;
    s.sim.conditions.kind = simulation::SpectrumKind::Emission;
    MakeSimulation(s, 3000, 3100, 10, {1.0}, [](int, double) { return 1.0; });
    s.sim.result.system = "OH (A-X)  Emission";
    return s;
}

TEST(SpectrumPage, BlackOnWhiteWhateverTheSchemeAndTheSchemeComesBack) {
    AppState s = Simulated();
    s.plot.intColor = 1;
    s.plot.BackColorIndex = 0;
    s.plot.ForeColorIndex = 15;
    MakeExperiment(s, 3000, 3100, 20, [](double) { return 30.0; });
    RecordingCanvas page(800, 1130);
    PageSetup setup;
    setup.date = "02/01/2025";
    DrawSpectrumPage(s, page, setup);
    ASSERT_FALSE(page.items.empty());
    EXPECT_EQ(page.items[0].text,
              "VELMORA  (02/01/2025)     Simulation   OH (A-X)  Emission          Exp. spectra: oh.dat");
    EXPECT_EQ(page.items[0].fontName, "Arial");
    EXPECT_EQ(page.items[0].fontSize, 10);
    for (const auto& p : page.items)  // white only as the fill of the legend box
        if (p.kind != Primitive::FilledBox) {
            EXPECT_NE(p.color, PaletteColor(15)) << p.kind << " " << p.text;
        }
    const auto frames = page.Of(Primitive::Box);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].color, PaletteColor(0));
    EXPECT_DOUBLE_EQ(frames[0].x1, 3000.0);
    EXPECT_DOUBLE_EQ(frames[0].y1, 105.0);
    EXPECT_EQ(s.plot.intColor, 1);
    EXPECT_EQ(s.plot.BackColorIndex, 0);
    EXPECT_EQ(s.plot.ForeColorIndex, 15);
    // Page coordinates: 20 % of the view on each side, y stretched by the page's aspect.
    const double a = setup.heightTwips / setup.widthTwips;
    EXPECT_DOUBLE_EQ(page.left, 2980.0);
    EXPECT_DOUBLE_EQ(page.right, 3120.0);
    EXPECT_NEAR(page.top, 105.0 * a, 1e-9);
    EXPECT_NEAR(page.bottom, -35.0 * a, 1e-9);
    // Tick labels and caption on the page, below the frame; the intensity scale in the left
    // margin.
    const auto texts = page.Of(Primitive::Text);
    int xLabels = 0, yLabels = 0;
    for (const auto& t : texts) {
        if (!IsNumeric(t.text)) continue;
        if (std::fabs(t.y1 + 4.0 * a) < 1e-9) ++xLabels;
        if (t.x1 + page.TextWidth(t.text) < 3000.0 && t.x1 > 2980.0) ++yLabels;
    }
    EXPECT_GE(xLabels, 4);
    EXPECT_GE(yLabels, 4);
    const auto caption =
        std::find_if(texts.begin(), texts.end(), [](const Primitive& p) { return p.text == "Wavenumber (cm-1)"; });
    ASSERT_NE(caption, texts.end());
    EXPECT_NEAR(caption->y1, -8.0 * a, 1e-9);
    const auto upright = page.Of(Primitive::TextUp);
    ASSERT_EQ(upright.size(), 1u);
    EXPECT_EQ(upright[0].text, kIntensityCaption);
    EXPECT_GT(upright[0].x1, 2980.0);
    EXPECT_LT(upright[0].x1, 3000.0);
}

TEST(SpectrumPage, ConditionsSayWhatWasSimulated) {
    AppState s = Simulated();
    s.db.cat.LineshapeName.Resize(1, 3);
    s.db.cat.LineshapeName(3) = "Voigt";
    // The conditions the spectrum was simulated under.
    simulation::SimulationConditions& c = s.sim.result.conditions;
    c.lineshape = simulation::Lineshape::Voigt;
    c.lorentzPercent = 30.0;
    c.resolution = 0.5;
    c.dopplerBroadening = true;
    c.predissociationBroadening = true;
    c.temperature = 2500.0;
    s.sim.result.widths.totalWidth = 0.62f;
    // Conditions, populations and the band system changed since then do not enter the page.
    s.sim.conditions.resolution = 2.0;
    s.sim.conditions.lineshape = simulation::Lineshape::Lorentzian;
    s.sim.conditions.temperature = 300.0;
    s.sim.conditions.kind = simulation::SpectrumKind::Absorption;
    s.pop.ThermalFlag = 0;
    s.db.cat.MoleculeName(1) = "CH";
    EXPECT_EQ(SpectrumPageTitle(s), "Simulation   OH (A-X)  Emission");
    auto lines = SpectrumPageConditions(s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Range 3000 to 3100 cm-1    Temperature 2500 K (thermalized system)");
    EXPECT_EQ(lines[1],
              "Lineshape Voigt (30 % Lorentzian), instrumental resolution 0.5 cm-1 (FWHM), with Doppler and "
              "predissociation broadening: total width 0.62 cm-1    Pressure 0 Torr");

    // Edited populations give the temperatures of each level; the file shown its corrections.
    s.sim.result.temperatures = {false, 1800.0, {std::nullopt}};
    MakeExperiment(s, 3000, 3100, 20, [](double) { return 30.0; });
    s.exp.Baseline = 2.0f;
    s.exp.WavelengthCorrection = -0.25f;
    s.exp.LblCorrelation = "Peak correlation: 0.912345";
    lines = SpectrumPageConditions(s);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "Range 3000 to 3100 cm-1    Populations not thermalized: vibrational 1800 K; rotational v'=0 as edited");
    EXPECT_EQ(
        lines[2].substr(0, 103),
        "Experimental spectrum oh.dat: baseline correction 2 %, wavelength correction -0.25, multiplied by 1    ");
    EXPECT_NE(lines[2].find("Peak correlation: 0.912345"), std::string::npos);
}

TEST(SpectrumPage, EverythingLiesOnTheSheetOfA4AndLetterInBothOrientations) {
    // Sheets in twips (1/1440 in): A4 210 x 297 mm, Letter 8.5 x 11 in.
    struct Sheet {
        const char* name;
        double width, height;
    };
    const Sheet sheets[] = {{"A4 portrait", 210 / 25.4 * 1440, 297 / 25.4 * 1440},
                            {"A4 landscape", 297 / 25.4 * 1440, 210 / 25.4 * 1440},
                            {"Letter portrait", 8.5 * 1440, 11 * 1440},
                            {"Letter landscape", 11 * 1440, 8.5 * 1440}};
    AppState s = Simulated();
    s.db.cat.LineshapeName.Resize(1, 3);
    s.db.cat.LineshapeName(3) = "Voigt";
    simulation::SimulationConditions& c = s.sim.result.conditions;
    c.lineshape = simulation::Lineshape::Voigt;
    c.lorentzPercent = 30.0;
    c.dopplerBroadening = c.collisionalBroadening = c.predissociationBroadening = true;
    s.sim.result.widths.totalWidth = 0.6234f;
    c.pressure = 760.0;
    s.plot.intColor = 1;  // the dark scheme on screen
    MakeExperiment(s, 3000, 3100, 20, [](double) { return 30.0; });
    s.exp.ExpFiles[0].Title = "flame_OH_A-X_2200K_phi1.05_height12mm_averaged_over_200_shots.dat";
    s.exp.Baseline = 2.5f, s.exp.WavelengthCorrection = -0.125f, s.exp.Multiply = 1.25f;
    for (const Sheet& sheet : sheets) {
        // One pixel of 15 twips (96 per inch), characters 7 px wide and 13 px high: 10-point Arial.
        RecordingCanvas page(static_cast<int>(sheet.width / 15), static_cast<int>(sheet.height / 15));
        PageSetup setup;
        setup.widthTwips = sheet.width, setup.heightTwips = sheet.height;
        setup.landscape = sheet.width > sheet.height;
        setup.date = "02/01/2025";
        DrawSpectrumPage(s, page, setup);
        const auto frame = std::find_if(page.items.begin(), page.items.end(),
                                        [](const Primitive& p) { return p.kind == Primitive::Box; });
        ASSERT_NE(frame, page.items.end()) << sheet.name;
        // The lines over the plot are in twips: each within the sheet less its margins, above
        // the frame, and together they hold every word of the conditions.
        const double frameTop = (page.top - frame->y1) / (page.top - page.bottom) * sheet.height;
        std::string printed;
        for (auto t = page.items.begin(); t != frame; ++t) {
            if (t->kind != Primitive::Text) continue;
            EXPECT_GE(t->x1, 0.0) << sheet.name;
            EXPECT_LE(t->x1 + 15.0 * 7.0 * Utf8Length(t->text), sheet.width) << sheet.name << ": " << t->text;
            EXPECT_LT(t->y1 + 15.0 * 13.0, frameTop) << sheet.name << ": " << t->text;
            EXPECT_EQ(t->color, PaletteColor(0)) << t->text;
            printed += t->text + " ";
        }
        // Blanks collapsed: a line broken at a blank continues indented.
        std::string words;
        for (const char ch : printed)
            if (ch != ' ' || (!words.empty() && words.back() != ' ')) words += ch;
        for (const char* word : {"averaged_over_200_shots.dat", "760 Torr", "multiplied by 1.25",
                                 "Peak correlation:", "Chi-square :", "total width 0.6234 cm-1"})
            EXPECT_NE(words.find(word), std::string::npos) << sheet.name << ": " << word << " in " << words;
        // The plot in the page's own scale: every primitive inside the sheet.
        auto inside = [&](double x, double y) {
            return x >= page.left && x <= page.right && y <= page.top && y >= page.bottom;
        };
        for (auto p = frame; p != page.items.end(); ++p) {
            EXPECT_TRUE(inside(p->x1, p->y1) && inside(p->x2, p->y2)) << sheet.name << " " << p->kind << " " << p->text;
        }
    }
}

TEST(SpectrumPage, AreasWithFourStrokesPerIntervalAndANarrowerLegend) {
    AppState s = Simulated();
    s.plot.DisplayMode = 2;
    RecordingCanvas page(800, 1130);
    DrawSpectrumPage(s, page, PageSetup{});
    std::vector<double> xs;
    for (const auto& p : page.Of(Primitive::Line))
        if (p.color == PaletteColor(12) && p.x1 == p.x2) xs.push_back(p.x1);  // level 1, light scheme
    // Interval ends (shared by neighbours) and the thirds of each of the 10 intervals.
    EXPECT_EQ(xs.size(), 31u);
    EXPECT_NE(std::find_if(xs.begin(), xs.end(), [](double x) { return std::fabs(x - 3003.3333333) < 1e-5; }),
              xs.end());
    const auto boxes = page.Of(Primitive::Box);
    ASSERT_GE(boxes.size(), 2u);
    const Primitive& legend = boxes.back();
    EXPECT_NEAR(legend.x2 - legend.x1, 6.5 * page.TextWidth("A"), 1e-9);
}

TEST(SpectrumPage, NothingWithoutASimulation) {
    AppState s = Simulated();
    s.plot.PlotReady = false;
    RecordingCanvas page;
    DrawSpectrumPage(s, page, PageSetup{});
    EXPECT_TRUE(page.items.empty());
}

TEST(TablePages, SigmaSigmaRotationalTablePrintsTwoSectionsOfSixBranches) {
    AppState s;
    MakeCatalogue(s, 0, 0);
    MarkBandLoaded(s, 0, 1, 4);
    for (int N = 0; N <= 4; ++N) s.db.LineData(5, 3, N) = 0.5f * N;
    s.table.tableKind = 2;
    s.table.icoef = 5;
    s.table.nomenclature = 0;
    s.table.DbVLower = 1;
    table::RefreshDatabaseTable(s);
    const auto lines = DatabaseTablePrintLines(s);
    std::vector<std::string> texts;
    for (const auto& l : lines) texts.push_back(l.text);
    auto at = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) - texts.begin(); };
    EXPECT_LT(at("RADICAL : OH"), static_cast<long>(texts.size()));
    EXPECT_LT(at("SYSTEM :  (A-X)"), static_cast<long>(texts.size()));
    EXPECT_LT(at("QUANTITY: H\xC3\xB6nl-London factors"), static_cast<long>(texts.size()));
    EXPECT_LT(at("UNITS   : dimensionless"), static_cast<long>(texts.size()));
    EXPECT_LT(at("BAND:     0 - 1 "), static_cast<long>(texts.size()));
    const long main = at("MAIN BRANCHES"), sat = at("SATELLITE BRANCHES");
    ASSERT_LT(main, sat);
    ASSERT_LT(sat, static_cast<long>(texts.size()));
    EXPECT_EQ(texts[static_cast<std::size_t>(main + 1)],
              "   N              P1          P2          Q1          Q2          R1          R2");
    EXPECT_EQ(texts[static_cast<std::size_t>(sat + 1)],
              "   N             O12         Q12         P12         R21         Q21         S21");
    // Rows N = 0..6 in each section (the P and O lines of the top upper level N' = 4 end two rows
    // above it); values right-aligned in 12 characters, dashes for 0.
    const std::string dash = "  --------- ";
    EXPECT_EQ(texts[static_cast<std::size_t>(main + 2)].substr(0, 8), "   0    ");
    EXPECT_EQ(texts[static_cast<std::size_t>(main + 4)],
              "   2    " + dash + dash + "      1.0000" + dash + dash + dash);
    EXPECT_EQ(sat - main, 1 + 1 + 7 + 1);
    EXPECT_TRUE(lines[static_cast<std::size_t>(main)].fixedPitch);
}

TEST(TablePages, CourierBodyAndPagination) {
    AppState s;
    MakeCatalogue(s, 0, 1, 60);
    MarkBandLoaded(s, 0, 0, 60);
    s.table.tableKind = 2;
    s.table.icoef = 1;
    s.table.nomenclature = 1;
    table::RefreshDatabaseTable(s);
    RecordingCanvas page(800, 1130);
    PageSetup setup;
    setup.heightTwips = 8000;  // a short page: the table runs on
    DrawDatabaseTablePages(s, page, setup);
    EXPECT_FALSE(page.Of(Primitive::Page).empty());
    bool courier = false;
    for (const auto& t : page.Of(Primitive::Text)) {
        if (t.text.find("MAIN BRANCHES") != std::string::npos) courier = t.fontName == "Courier";
        EXPECT_LE(t.y1, setup.heightTwips - 800.0);
    }
    EXPECT_TRUE(courier);
    EXPECT_EQ(page.Of(Primitive::Text)[0].text.substr(0, 9), "VELMORA  ");
    // Case (a) labels: the first row (N = 1) is J = 0.5.
    const auto lines = DatabaseTablePrintLines(s);
    const auto header =
        std::find_if(lines.begin(), lines.end(), [](const PrintLine& l) { return l.text.rfind("   J ", 0) == 0; });
    ASSERT_NE(header, lines.end());
    EXPECT_EQ((header + 1)->text.substr(0, 9), " 0.5     ");
}

TEST(ClipboardPicture, EverythingLiesInsideThePictureWhateverItsSize) {
    AppState s = Simulated();
    s.plot.ZoomX = 4.0f;
    RecomputeViewWindow(s.plot, s.sim.result.grid.start, s.sim.result.conditions.end);  // 3037.5 .. 3062.5
    for (const auto& [w, h] : {std::pair{840, 440}, std::pair{400, 200}}) {
        RecordingCanvas pic(w, h);
        DrawClipboardPicture(s, pic);
        const double left = pic.left, right = pic.right, top = pic.top, bottom = pic.bottom;
        auto inside = [&](double x, double y) { return x >= left && x <= right && y <= top && y >= bottom; };
        // The frame is the plot's, wholly inside the picture.
        const auto frame = pic.Of(Primitive::Box);
        ASSERT_FALSE(frame.empty());
        EXPECT_DOUBLE_EQ(frame.back().x1, 3037.5);
        EXPECT_DOUBLE_EQ(frame.back().x2, 3062.5);
        EXPECT_TRUE(inside(frame.back().x1, frame.back().y1) && inside(frame.back().x2, frame.back().y2));
        EXPECT_LT(frame.back().x2, right);
        int xLabels = 0;
        for (const auto& t : pic.Of(Primitive::Text)) {
            EXPECT_EQ(t.fontSize, kClipboardFontSize);
            EXPECT_TRUE(inside(t.x1, t.y1) && inside(t.x1 + pic.TextWidth(t.text), t.y1 - pic.TextHeight(t.text)))
                << t.text << " in a " << w << " x " << h << " picture";
            xLabels += IsNumeric(t.text) && t.y1 < -5.0;
        }
        EXPECT_GE(xLabels, w > 500 ? 4 : 2);
        EXPECT_EQ(pic.Texts().back(), "Wavenumber (cm-1)");
        ASSERT_EQ(pic.Of(Primitive::TextUp).size(), 1u);
        EXPECT_GT(pic.Of(Primitive::TextUp)[0].x1, left);
    }
}

}  // namespace
}  // namespace velmora::display
