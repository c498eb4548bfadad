// The physics of a band system follows from the descriptions of its states: no molecule name or
// entry number chooses it in the program's sources, two entries swapped in the catalogue keep
// every line, term value and strength, and the rules derived from the descriptions are those the
// program applied by name and number to every shipped state before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <set>

#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/state_descriptions.h"
#include "database/system_precompute.h"
#include "database/terms.h"
#include "datagen_support.h"
#include "generate.h"
#include "support/temp_dir.h"

namespace velmora::datagen {
namespace {

namespace fs = std::filesystem;
using velmora::testing::ReadFile;
using velmora::testing::TempDir;

const std::vector<EntryDefinition>& Entries() {
    // The entries of VELMORA.SYS: those of the multiplet engine are in MULTIPLET.SYS.
    static const auto e = [] {
        auto all = ReadBuildConfig(testing::SourceDir() / kCatalogueFile, kCatalogueFile);
        std::erase_if(all, [](const EntryDefinition& d) { return d.engine == "multiplet"; });
        return all;
    }();
    return e;
}

// ---------------------------------------------------------------------------------------------
// No molecule name, no entry number in the sources.

/// C++ text with its comments blanked out (string and character literals kept).
std::string WithoutComments(const std::string& text) {
    std::string out = text;
    enum { Code, Line, Block, String, Char } mode = Code;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i], next = i + 1 < out.size() ? out[i + 1] : '\0';
        switch (mode) {
            case Code:
                if (c == '/' && next == '/') mode = Line;
                if (c == '/' && next == '*') mode = Block;
                if (c == '"') mode = String;
                if (c == '\'') mode = Char;
                break;
            case String:
            case Char:
                if (c == '\\')
                    ++i;
                else if (c == (mode == String ? '"' : '\''))
                    mode = Code;
                continue;
            case Line:
                if (c == '\n') mode = Code;
                break;
            case Block:
                if (c == '*' && next == '/') {
                    out[i] = out[i + 1] = ' ';
                    ++i;
                    mode = Code;
                    continue;
                }
                break;
        }
        if ((mode == Line || mode == Block) && c != '\n') out[i] = ' ';
    }
    return out;
}

/// The lines of a source text where a quoted molecule name is compared or keys a table, or an
/// entry number selects a branch ("entry == 7", "switch (systemEntry)").
std::vector<std::string> ChoicesByNameOrNumber(const std::string& text, const std::set<std::string>& names) {
    std::string alternatives;
    for (const auto& n : names)
        alternatives += (alternatives.empty() ? "" : "|") + std::regex_replace(n, std::regex(R"([+.])"), R"(\$&)");
    const std::string name = "\"(" + alternatives + ")\"";
    const std::regex byName("(==|!=)\\s*" + name + "|" + name +
                            "\\s*(==|!=)|(compare|starts_with|ends_with|find)\\s*\\(\\s*" + name + "|\\{\\s*" + name +
                            "\\s*,\\s*(\\{|[0-9]+\\s*\\})");
    const std::regex byNumber(
        R"(\b(entry|systemEntry|LoadedEntry|ConstantsEntry)\s*(==|!=)\s*[1-9]|[1-9][0-9]*\s*(==|!=)\s*(entry|systemEntry)\b|switch\s*\(\s*(entry|systemEntry)\s*\))");
    std::vector<std::string> found;
    std::istringstream lines(WithoutComments(text));
    std::string line;
    while (std::getline(lines, line))
        if (std::regex_search(line, byName) || std::regex_search(line, byNumber)) found.push_back(line);
    return found;
}

/// The molecule codes and names of the catalogue, and the codes of every data folder (CF_AX: CF).
std::set<std::string> MoleculeNames() {
    std::set<std::string> names;
    for (const auto& e : Entries()) names.insert({e.code, e.name});
    for (const auto& d : fs::directory_iterator(testing::SourceDir())) {
        const std::string folder = d.path().filename().string();
        if (d.is_directory() && folder.find('_') != std::string::npos) names.insert(folder.substr(0, folder.find('_')));
    }
    return names;
}

TEST(PhysicsFromData, TheScannerFindsNameAndNumberChoicesOutsideComments) {
    const std::set<std::string> names = {"NO", "SiH", "N2+", "OH", "N2"};
    struct Case {
        const char* line;
        bool found;
    };
    const Case cases[] = {
        {"    if (code == \"NO\") return true;", true},
        {"    return \"SiH\" != cat.MoleculeCode(i);", true},
        {"    if (name.compare(\"N2+\") == 0) x = 1;", true},
        {"    {\"OH\", {13, 1}},", true},
        {"    {\"OH\", 13},", true},
        {"    GasComposition air{{{\"N2\", 0.79}, {\"O2\", 0.21}}};", false},
        {"    return entry == 7;", true},
        {"    if (systemEntry != 12) return;", true},
        {"    switch (entry) {", true},
        {"    if (3 == systemEntry) y = 2;", true},
        {"    // code == \"NO\" and entry == 7 in a comment", false},
        {"    /* entry == 7 */ int x = 0;", false},
        {"    if (units == \"1CM\") return;", false},
        {"    if (entry < 1 || entry > count) throw;", false},
        {"    const int entry = 7;", false},
        {"    const char* s = \"// not a comment\"; bool b = k == \"NOX\";", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ChoicesByNameOrNumber(c.line, names).size(), c.found ? 1u : 0u) << c.line;
}

TEST(PhysicsFromData, NoSourceFileChoosesPhysicsByMoleculeNameOrEntryNumber) {
    // The names include the folders that are not in the catalogue yet (CF) or come later.
    const std::set<std::string> names = MoleculeNames();
    ASSERT_TRUE(names.count("CF") && names.count("SiH") && names.count("N2+")) << "names of the catalogue and folders";
    int files = 0;
    for (const char* tree : {"src", "tools"})  // the program and the database builder
        for (const auto& f : fs::recursive_directory_iterator(fs::path(VELMORA_SOURCE_DIR) / tree)) {
            const std::string ext = f.path().extension().string();
            if (!f.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            ++files;
            for (const auto& line : ChoicesByNameOrNumber(ReadFile(f.path()), names))
                ADD_FAILURE() << f.path().lexically_relative(VELMORA_SOURCE_DIR).string() << ": " << line;
        }
    EXPECT_GT(files, 100);
}

// ---------------------------------------------------------------------------------------------
// Reordering the catalogue.

DatabaseState Open(const fs::path& folder) {
    DatabaseState db;
    database::SetAppPath(db, folder.string());
    database::LoadCatalogue(db);
    return db;
}

/// The database folder with entries a and b (1-based) of VELMORA.SYS swapped.
void WriteSwappedCatalogue(const fs::path& from, const fs::path& to, int a, int b) {
    velmora::testing::CopyDatabase(from, to);
    std::vector<std::string> lines = velmora::testing::CrLfLines(ReadFile(from / "VELMORA.SYS"));
    constexpr std::size_t kFirstEntryLine = 3;  // after the title, the sizes and the headings
    std::swap(lines.at(kFirstEntryLine + a - 1), lines.at(kFirstEntryLine + b - 1));
    std::ofstream out(to / "VELMORA.SYS", std::ios::binary | std::ios::trunc);
    for (const auto& l : lines) out << l << "\r\n";
}

template <typename Array>
bool Same(const Array& x, const Array& y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

TEST(PhysicsFromData, SwappingTwoCatalogueEntriesChangesNoLineTermValueOrStrength) {
    // CH B-X, the one Sigma- upper state, moves to the front and OH A-X takes its place; SiH A-X,
    // on the absolute energy scale, changes places with the Pi-Pi system NO B-X.
    for (const auto& [a, b] : {std::pair{1, 7}, std::pair{4, 13}}) {
        TempDir dir;
        WriteSwappedCatalogue(testing::CommittedData(), dir / "data", a, b);
        DatabaseState original = Open(testing::CommittedData()), swapped = Open(dir / "data");
        ASSERT_EQ(swapped.cat.MoleculeName(a), original.cat.MoleculeName(b));
        for (const auto& [before, after] : {std::pair{a, b}, std::pair{b, a}}) {
            const std::string system = original.cat.MoleculeName(before) + original.cat.SystemLabel(before);
            Shell quiet;
            original.systemEntry = before, swapped.systemEntry = after;
            database::SystemPrecompute(original, 0.0f, quiet);
            database::SystemPrecompute(swapped, 0.0f, quiet);
            EXPECT_TRUE(Same(original.UpperLevelData, swapped.UpperLevelData)) << system << ": lifetimes, yields";
            EXPECT_TRUE(Same(original.BandData, swapped.BandData)) << system << ": band data";
            int bands = 0;
            for (int vu = 0; vu <= original.cat.NMaxVib(before, 1); ++vu)
                for (int vl = 0; vl <= original.cat.NMaxVib(before, 2); ++vl, ++bands) {
                    database::LoadBand(original, vu, vl, before);
                    database::LoadBand(swapped, vu, vl, after);
                    const std::string band = system + " (" + std::to_string(vu) + "," + std::to_string(vl) + ")";
                    ASSERT_TRUE(Same(original.LineData, swapped.LineData)) << band << ": lines and strengths";
                    ASSERT_TRUE(Same(original.UpperTerm, swapped.UpperTerm)) << band << ": upper terms";
                    ASSERT_TRUE(Same(original.LowerTerm, swapped.LowerTerm)) << band << ": lower terms";
                }
            EXPECT_GT(bands, 1) << system;
        }
    }
}

TEST(PhysicsFromData, WithoutStatesSysTheCatalogueKeepsThePhysicsItCanStateItself) {
    // A folder without STATES.SYS: every entry whose states the catalogue's own values describe
    // (no Sigma- state, no absolute energy scale) gives the same terms and lines, every entry the
    // same molecule name (N2+ and CO+ for the codes N2P and COP), and N2+ the same nuclear-spin
    // weights.
    TempDir dir;
    velmora::testing::CopyDatabase(testing::CommittedData(), dir / "data");
    fs::remove(dir / "data" / database::kStateDescriptionsFile);
    DatabaseState described = Open(testing::CommittedData()), implied = Open(dir / "data");
    int compared = 0;
    for (int entry = 1; entry <= described.cat.CatalogueCount; ++entry) {
        const SystemDescription d = database::DescriptionOf(described.cat, entry);
        const SystemDescription i = database::DescriptionOf(implied.cat, entry);
        const std::string system = described.cat.MoleculeName(entry) + described.cat.SystemLabel(entry);
        EXPECT_EQ(implied.cat.MoleculeName(entry), described.cat.MoleculeName(entry)) << "the name shown";
        for (int s = 1; s <= 2; ++s)
            for (int N = 0; N <= 8; ++N)
                for (const bool e : {true, false})
                    EXPECT_EQ(database::NuclearSpinWeight(i.molecule.nuclearSpin, i.State(s), N, 2 * N + 1, e),
                              database::NuclearSpinWeight(d.molecule.nuclearSpin, d.State(s), N, 2 * N + 1, e))
                        << system;
        if (d.upper.IsSigmaMinus() || d.energyZero == EnergyZero::Absolute) continue;  // CH B-X, SiH A-X
        for (const auto& [vu, vl] : {std::pair{0, 0}, std::pair{described.cat.NMaxVib(entry, 1), 0}}) {
            database::LoadBand(described, vu, vl, entry);
            database::LoadBand(implied, vu, vl, entry);
            EXPECT_TRUE(Same(described.LineData, implied.LineData)) << system;
            EXPECT_TRUE(Same(described.LowerTerm, implied.LowerTerm)) << system;
            EXPECT_TRUE(Same(described.UpperTerm, implied.UpperTerm)) << system;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 2 * 13);
}

// ---------------------------------------------------------------------------------------------
// The derived rules are the rules of every shipped state.

/// What the program decided by entry number and molecule name before the states were described:
/// the lower parity indices and the lower-component exception of each entry, its Sigma- upper
/// state, its absolute energies (the "SiH" rule) and the molecule names shown.
struct EarlierRules {
    const char* folder;
    int l1, l2;
    bool exception, upperSigmaMinus, absolute;
    const char* name;
    int hitran, isotopologue;
};
constexpr EarlierRules kEarlier[] = {
    {"OH_AX", 1, 2, true, false, false, "OH", 13, 1},   {"OD_AX", 1, 2, true, false, false, "OD", 13, 3},
    {"NO_AX", 1, 2, true, false, false, "NO", 8, 1},    {"NO_BX", 2, 1, true, false, false, "NO", 8, 1},
    {"NO_DX", 1, 2, true, false, false, "NO", 8, 1},    {"CH_AX", 2, 1, true, false, false, "CH", 0, 0},
    {"CH_BX", 2, 1, false, true, false, "CH", 0, 0},    {"CH_CX", 1, 2, true, false, false, "CH", 0, 0},
    {"CN_BX", 1, 1, false, false, false, "CN", 0, 0},   {"N2P_BX", 1, 1, false, false, false, "N2+", 0, 0},
    {"COP_BX", 1, 1, false, false, false, "CO+", 0, 0}, {"COP_AX", 2, 1, false, false, false, "CO+", 0, 0},
    {"SIH_AX", 2, 1, true, false, true, "SiH", 0, 0},   {"SH_AX", 1, 2, true, false, false, "SH", 0, 0},
    {"CF_AX", 1, 2, true, false, false, "CF", 0, 0},
};

TEST(PhysicsFromData, TheRulesOfTheDescriptionsAreThoseOfEveryShippedState) {
    ASSERT_EQ(Entries().size(), std::size(kEarlier));
    DatabaseState db = Open(testing::CommittedData());
    int levels = 0;
    for (std::size_t i = 0; i < std::size(kEarlier); ++i) {
        const EarlierRules& was = kEarlier[i];
        const int entry = static_cast<int>(i) + 1;
        const SystemDescription d = database::DescriptionOf(db.cat, entry);
        ASSERT_EQ(Entries()[i].folder, was.folder);
        const auto lp = database::LowerParityIndices(d.upper, d.lower);
        EXPECT_EQ(lp.l1, was.l1) << was.folder;
        EXPECT_EQ(lp.l2, was.l2) << was.folder;
        EXPECT_EQ(database::UsesLowerComponentException(d.upper, d.lower), was.exception) << was.folder;
        EXPECT_EQ(d.upper.IsSigmaMinus(), was.upperSigmaMinus) << was.folder;
        EXPECT_FALSE(d.lower.IsSigmaMinus()) << was.folder;
        EXPECT_EQ(d.energyZero == EnergyZero::Absolute, was.absolute) << was.folder;
        EXPECT_EQ(d.molecule.name, was.name) << was.folder;
        EXPECT_EQ(d.molecule.hitranMolecule, was.hitran) << was.folder;
        EXPECT_EQ(d.molecule.hitranIsotopologue, was.isotopologue) << was.folder;

        // Level labels at every level: the term routine's case (a) rule (A/B > 4, and always for
        // NO), the band loader's (A''/B'' >= 4 for both Pi states), that of the populations
        // (A/B > 3) and, for a 2Delta upper state, A'/B'' > 4.
        database::ReadStateConstants(db, entry);
        const std::string code = db.cat.MoleculeCode(entry);
        auto ratio = [&](int s, int v, int sB, int vB) { return database::SpinOrbitRatio(db, s, v, sB, vB); };
        for (int s = 1; s <= 2; ++s) {
            const StateDescription st = d.State(s);
            for (int v = 0; v <= db.cat.NMaxVib(entry, s); ++v, ++levels) {
                const float own = ratio(s, v, s, v);
                const bool caseA = database::CaseALabels(st, own);
                const std::string level =
                    std::string(was.folder) + (s == 1 ? " upper" : " lower") + " v=" + std::to_string(v);
                if (st.lambda == 1) {
                    EXPECT_EQ(caseA, own > 4.0f || code == "NO") << level << ": term routine";
                    EXPECT_EQ(caseA, own > 3.0f) << level << ": populations";
                    for (int vl = 0; vl <= db.cat.NMaxVib(entry, 2); ++vl)
                        EXPECT_EQ(caseA, ratio(2, vl, 2, vl) >= 4.0f) << level << ": band loader, v''=" << vl;
                } else if (st.lambda == 2) {
                    for (int vl = 0; vl <= db.cat.NMaxVib(entry, 2); ++vl)
                        EXPECT_EQ(database::CaseALabels(st, ratio(1, v, 2, vl)), ratio(1, v, 2, vl) > 4.0f) << level;
                } else {
                    EXPECT_FALSE(caseA) << level;
                }
            }
            // Nuclear-spin weights: odd N 1.5 and even N 0.75 in the upper state of a flagged
            // entry, the reverse in the lower state; 1 elsewhere.
            for (int N = 0; N <= 6; ++N) {
                const bool favoured = (N % 2 == 1) == (s == 1);
                const double earlier = db.cat.NuclearSpinFlag(entry) == 1 ? (favoured ? 1.5 : 0.75) : 1.0;
                if (st.lambda != 0) continue;
                EXPECT_EQ(database::NuclearSpinWeight(d.molecule.nuclearSpin, st, N, 2 * N + 1, true), earlier)
                    << was.folder << " N=" << N;
                // The e/f labels of Sigma levels: F1 e and F2 f, the reverse for the Sigma- state.
                if (N > 0) {
                    EXPECT_EQ(database::SigmaLevelIsE(st, N, 2 * N - 1), s == 1 && was.upperSigmaMinus) << was.folder;
                }
            }
        }
    }
    EXPECT_EQ(levels, 234);  // every vibrational level of both states of the 15 entries
}

}  // namespace
}  // namespace velmora::datagen
