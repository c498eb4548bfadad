#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

#include "common/errors.h"
#include "display/plot_fixture.h"
#include "display/plot_svg.h"
#include "display/svg_canvas.h"
#include "support/temp_dir.h"
#include "table/catalogue_fixture.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

/// One element of an SVG text: tag, attributes and text content.
struct Element {
    std::string tag;
    std::map<std::string, std::string> attributes;
    std::string text;
};

std::vector<Element> ParseSvg(const std::string& svg) {
    std::vector<Element> out;
    static const std::regex tagRe(R"(<([a-zA-Z]+)((?:\s+[a-zA-Z0-9:-]+="[^"]*")*)\s*(/?)>([^<]*))");
    static const std::regex attrRe(R"(([a-zA-Z0-9:-]+)="([^"]*)\")");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tagRe); it != std::sregex_iterator(); ++it) {
        Element e;
        e.tag = (*it)[1];
        const std::string attrs = (*it)[2];
        for (auto a = std::sregex_iterator(attrs.begin(), attrs.end(), attrRe); a != std::sregex_iterator(); ++a)
            e.attributes[(*a)[1]] = (*a)[2];
        if ((*it)[3] != "/") e.text = (*it)[4];
        out.push_back(std::move(e));
    }
    return out;
}

bool IsNumber(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end == s.c_str() + s.size();
}

/// Same elements in the same order; numeric attributes within `tolerance` pixels.
void ExpectSameStructure(const std::string& actual, const std::string& golden, double tolerance) {
    const auto a = ParseSvg(actual), g = ParseSvg(golden);
    ASSERT_EQ(a.size(), g.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].tag, g[i].tag) << "element " << i;
        EXPECT_EQ(a[i].text, g[i].text) << "element " << i;
        ASSERT_EQ(a[i].attributes.size(), g[i].attributes.size()) << "element " << i;
        for (const auto& [name, value] : g[i].attributes) {
            ASSERT_TRUE(a[i].attributes.count(name)) << name << " of element " << i;
            double x, y;
            if (IsNumber(value, x) && IsNumber(a[i].attributes.at(name), y))
                EXPECT_NEAR(y, x, tolerance) << name << " of element " << i << " <" << g[i].tag << ">";
            else
                EXPECT_EQ(a[i].attributes.at(name), value) << name << " of element " << i;
        }
    }
}

TEST(SvgCanvas, UserCoordinatesTextAndClipping) {
    SvgDocument doc(200, 100);
    SvgCanvas& c = doc.AddRegion(10, 20, 100, 50);
    c.SetScale(0, 10, 1000, 0);  // y up
    c.SetBackColor(PaletteColor(15));
    c.Clear();
    c.Line(0, 0, 1000, 10, PaletteColor(4));
    c.Box(250, 2, 500, 8, PaletteColor(1), true);
    c.Text(100, 10, "a<b & \xC3\x85", PaletteColor(0));
    EXPECT_EQ(c.WidthPixels(), 100);
    EXPECT_EQ(c.ElementCount(), 4u);
    // 9 pt = 12 px: 0.55 em per character, 1.15 em per line, in user units.
    EXPECT_NEAR(c.TextWidth("abcd"), 4 * 0.55 * 12 * 10.0, 1e-9);
    EXPECT_NEAR(c.TextHeight("1"), 1.15 * 12 * 0.2, 1e-9);
    const auto e = ParseSvg(doc.Markup());
    ASSERT_GE(e.size(), 8u);
    EXPECT_EQ(e[0].tag, "svg");
    auto find = [&](const std::string& tag) {
        for (const auto& x : e)
            if (x.tag == tag && x.attributes.count("x1")) return x;
        return Element{};
    };
    const Element line = find("line");
    EXPECT_EQ(line.attributes.at("x1"), "0");
    EXPECT_EQ(line.attributes.at("y1"), "50");
    EXPECT_EQ(line.attributes.at("x2"), "100");
    EXPECT_EQ(line.attributes.at("y2"), "0");
    EXPECT_EQ(line.attributes.at("stroke"), "#800000");
    bool text = false, group = false, box = false;
    for (const auto& x : e) {
        if (x.tag == "text") text = x.text == "a&lt;b &amp; \xC3\x85" && x.attributes.at("x") == "10";
        if (x.tag == "g") group = x.attributes.at("transform") == "translate(10,20)" && x.attributes.count("clip-path");
        if (x.tag == "rect" && x.attributes.count("fill") && x.attributes.at("fill") == "#000080")
            box = x.attributes.at("x") == "25" && x.attributes.at("y") == "10" && x.attributes.at("width") == "25" &&
                  x.attributes.at("height") == "30";
    }
    EXPECT_TRUE(text);
    EXPECT_TRUE(group);
    EXPECT_TRUE(box);
}

/// The simulation of the golden picture: three levels, an experimental spectrum with residuals,
/// vibrational assignment combs and the legend.
AppState GoldenSimulation() {
    AppState s;
    MakeCatalogue(s, 0, 1, 20, 2, 2);
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::AxisUnit::AngstromVacuum;
    s.sim.result.system = "OH (A-X)  Emission";
    MakeSimulation(s, 3050, 3150, 400, {0.6, 0.3, 0.1}, [](int k, double x) { return Lines(k, x, 3050, 3150); });
    MakeExperiment(s, 3050, 3150, 200, [](double x) { return 40.0 * std::exp(-std::pow((x - 3100.0) / 8.0, 2)); });
    for (int i = 0; i <= 200; ++i) s.exp.Residual(i) = static_cast<float>(5.0 * std::sin(0.1 * i));
    s.plot.HideResiduals = 0;
    s.plot.DisplayMode = 1;
    s.plot.ShowAssignment = 1;
    s.pop.PopState = ElectronicState::Upper;
    for (int vu = 0; vu <= 2; ++vu)
        for (int vl = 0; vl <= 2; ++vl)
            s.db.BandData(4, vu, vl) = static_cast<float>(32600.0 - 600.0 * vl + 400.0 * vu);
    return s;
}

TEST(PlotSvg, GoldenPictureComparedStructurally) {
    AppState s = GoldenSimulation();
    const std::string svg = PlotSvg(s, 900, 600);
    const std::string goldenPath = std::string(VELMORA_SOURCE_DIR) + "/tests/data/display/plot_golden.svg";
    if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
        std::ofstream(goldenPath, std::ios::binary) << svg;
        GTEST_SKIP() << "golden picture written";
    }
    std::ifstream in(goldenPath, std::ios::binary);
    ASSERT_TRUE(in) << goldenPath;
    const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ExpectSameStructure(svg, golden, 0.05);
}

TEST(PlotSvg, WrittenFileAndErrors) {
    AppState s = GoldenSimulation();
    TempDir dir;
    WritePlotSvg(s, dir / "plot.svg");
    const std::string text = ReadFile(dir / "plot.svg");
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("<title>Simulation   OH (A-X)  Emission</title>"), std::string::npos);
    EXPECT_NE(text.find("Wavelength (\xC3\x85) (Vacuum)"), std::string::npos);
    s.plot.PlotReady = false;
    EXPECT_THROW(WritePlotSvg(s, dir / "none.svg"), FileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.svg"));
}

}  // namespace
}  // namespace velmora::display
