// The line list of every shipped band system against the database it comes from: the same lines
// as the lines of each band, A values that sum to the lifetimes of every level, and the
// isotopologue conventions (nuclear-spin degeneracies, abundances) against their published values.
#include "database/line_list_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "database/catalogue.h"
#include "database/line_list_files.h"
#include "database/line_positions.h"
#include "database/line_rows.h"
#include "database/multiplet_catalogue.h"
#include "database/state_descriptions.h"

namespace velmora::database {
namespace {

DatabaseState ShippedDatabase() {
    DatabaseState db;
    SetAppPath(db, std::string(VELMORA_DATA_DIR) + "/");
    LoadCatalogue(db);
    return db;
}

TEST(LineListExport, EveryShippedSystemListsTheLinesOfItsBandsAndTheirASumToTheLifetimes) {
    DatabaseState db = ShippedDatabase();
    Shell quiet;
    for (int entry = 1; entry <= db.cat.CatalogueCount; ++entry) {
        if (!NoAbsoluteScale(db.cat, entry).empty()) continue;  // refused (simulation/relative_scale_test)
        const ExportedLineList list = CollectLineList(db, entry, quiet);
        SCOPED_TRACE(db.cat.MoleculeName(entry) + db.cat.SystemLabel(entry));
        const int lambdaUp = db.cat.StateLambda(1, entry);
        // A line by its band and its two levels (v, N, F, e/f).
        using Key = std::tuple<int, int, int, int, char, int, int, char>;
        auto key = [](int vUp, int vLow, int nUp, int fUp, char pUp, int nLow, int fLow, char pLow) {
            return Key{vUp, vLow, nUp, fUp, pUp, nLow, fLow, pLow};
        };
        std::map<Key, const ExportedLine*> exported;
        std::map<int, double> decay;  // sum of A per upper level id
        for (const ExportedLine& t : list.lines) {
            const ExportedLevel &up = list.levels[t.upper - 1], &low = list.levels[t.lower - 1];
            ASSERT_EQ(t.nu, up.energy - low.energy);
            exported[key(up.v, low.v, up.N, up.F, up.parity, low.N, low.F, low.parity)] = &t;
            decay[t.upper] += t.A;
        }

        // Every line `lines` lists, and no other; its A is the line's Einstein A of the absolute
        // units (emission coefficient times the unit factor), rescaled only where a level file
        // anchors the lifetimes of a v' to a measurement: by one factor for all lines of that v'.
        std::size_t listed = 0;
        std::map<int, double> anchor;
        for (int vUp = 0; vUp <= db.cat.NMaxVib(entry, 1); ++vUp)
            for (int vLow = 0; vLow <= db.cat.NMaxVib(entry, 2); ++vLow)
                for (const LineRow& r : BandLineRows(db, vUp, vLow)) {
                    const BranchShape sh = BranchShapeOf(r.branch);
                    const auto it = exported.find(
                        key(vUp, vLow, r.NLow + sh.deltaN, sh.upperF, r.parityUp, r.NLow, sh.lowerF, r.parityLow));
                    ASSERT_NE(it, exported.end()) << r.nameB << "(" << r.NLow << ") of (" << vUp << "," << vLow << ")";
                    ++listed;
                    const double A = r.emission * db.LineUnitFactor[0];
                    if (A == 0.0) {
                        EXPECT_EQ(it->second->A, 0.0);
                        continue;
                    }
                    const double k = it->second->A / A;
                    if (!anchor.count(vUp)) anchor[vUp] = k;
                    EXPECT_NEAR(k, anchor[vUp], 1e-6 * anchor[vUp]) << r.nameB << "(" << r.NLow << ")";
                }
        EXPECT_EQ(listed, list.lines.size());
        // The level files anchor NO A v' = 1, 2 to measured lifetimes (186.2 and 179.4 ns against
        // 187.4 and 183.2 ns of the band sums, data/README.md); every other factor is 1.
        const bool no = db.cat.MoleculeName(entry) == "NO" && db.cat.SystemLabel(entry) == " (A-X)";
        for (const auto& [v, k] : anchor) {
            const double expected = no && v == 1 ? 187.4 / 186.2 : no && v == 2 ? 183.2 / 179.4 : 1.0;
            EXPECT_NEAR(k, expected, expected == 1.0 ? 1e-6 : 1e-3) << "v' " << v;
        }

        // Per upper level: the A of its lines sum to 1 / tau of the lifetimes, and the two lists
        // hold the same levels.
        std::map<std::tuple<int, int, int>, int> upper;  // (v', component, N') -> id
        for (const ExportedLevel& l : list.levels)
            if (l.state == 1)
                upper[{l.v, lambdaUp == 0 || (l.F == 1) == (l.parity == 'e') ? l.F : l.F + 2, l.N}] = l.id;
        int levels = 0;
        for (const LifetimeRow& r : LevelLifetimeRows(db)) {
            const auto it = upper.find({r.vUp, r.component, r.NUp});
            ASSERT_EQ(r.exists, it != upper.end()) << "v' " << r.vUp << " component " << r.component << " N' " << r.NUp;
            if (!r.exists) continue;
            EXPECT_NEAR(decay[it->second] * r.radiative * 1e-9, 1.0, 1e-6)
                << "v' " << r.vUp << " component " << r.component << " N' " << r.NUp;
            ++levels;
        }
        EXPECT_EQ(levels, static_cast<int>(upper.size()));
    }
}

TEST(LineListExport, TheAOfTripletListsSumToTheLifetimes) {
    // Every band system of any multiplicity: the A out of each upper level sum to 1 / tau of its
    // lifetime (the files keep five digits of A: tests/cli).
    const auto entries = MultipletEntriesOf(std::string(VELMORA_DATA_DIR) + "/");
    ASSERT_EQ(entries.size(), 4u);
    for (const MultipletEntry& e : entries) {
        SCOPED_TRACE(e.name + " " + e.SystemLabel());
        const ExportedLineList list = CollectMultipletLineList(e);
        std::map<std::tuple<int, int, int, char>, double> decay;  // (v', 2J', F', e/f) -> sum of A
        for (const ExportedLine& t : list.lines) {
            const ExportedLevel& up = list.levels[static_cast<std::size_t>(t.upper - 1)];
            decay[{up.v, static_cast<int>(std::lround(2 * up.J)), up.F, up.parity}] += t.A;
        }
        const std::vector<LevelLifetime> lifetimes = RadiativeLifetimes(BuildMultipletSystem(e.data));
        EXPECT_EQ(lifetimes.size(), decay.size());
        for (const LevelLifetime& l : lifetimes) {
            const auto it = decay.find({l.v, l.level.twoJ, l.level.F, l.level.parity == Parity::e ? 'e' : 'f'});
            ASSERT_NE(it, decay.end()) << "v' " << l.v << " 2J' " << l.level.twoJ;
            EXPECT_NEAR(it->second * l.lifetimeNs * 1e-9, 1.0, 1e-6) << "v' " << l.v << " 2J' " << l.level.twoJ;
        }
    }
}

TEST(Isotopologue, NamesNuclearSpinsAndAbundancesOfTheShippedMolecules) {
    // g_ns = (2 I1 + 1)(2 I2 + 1) (ExoMol), of 1H 1/2, 2H 1, 14N 1, 12C, 16O, 28Si, 32S 0; the
    // abundances HITRAN lists for 16OH (0.997473), 16OD (1.553710E-04) and 14N16O (0.993974).
    const struct {
        const char* formula;
        double mass;
        const char* slug;
        const char* isoFormula;
        int gns;
        double abundance;  ///< 0: not checked
    } cases[] = {
        {"OH", 17.0027396518, "16O-1H", "(16O)(1H)", 2, 0.997473},
        {"OD", 18.0090163977, "16O-2H", "(16O)(2H)", 3, 1.553710e-4},
        {"NO", 29.997988, "14N-16O", "(14N)(16O)", 3, 0.993974},
        {"CH", 13.007825, "12C-1H", "(12C)(1H)", 2, 0},
        {"CN", 26.003074, "12C-14N", "(12C)(14N)", 3, 0},
        {"CO+", 27.994366, "12C-16O_p", "(12C)(16O)+", 1, 0},
        {"SiH", 28.984752, "28Si-1H", "(28Si)(1H)", 2, 0},
        {"SH", 32.979896, "32S-1H", "(32S)(1H)", 2, 0},
        {"N2+", 28.0055994, "14N2_p", "(14N)2+", 9, 0},
        {"OH", 19.006, "18O-1H", "(18O)(1H)", 2, 0},  // the mass picks the isotope
    };
    for (const auto& c : cases) {
        const Isotopologue iso = IdentifyIsotopologue(c.formula, c.mass);
        ASSERT_TRUE(iso.identified) << c.formula;
        EXPECT_EQ(iso.IsoSlug(), c.slug);
        EXPECT_EQ(iso.IsoFormula(), c.isoFormula);
        EXPECT_EQ(iso.NuclearSpinDegeneracy(), c.gns) << c.formula;
        if (c.abundance > 0) {
            EXPECT_NEAR(iso.Abundance(), c.abundance, 2e-5 * c.abundance) << c.formula;
        }
        EXPECT_NEAR(iso.mass, c.mass, 0.01) << c.formula;
    }
    // 14N2: nuclei of spin 1, bosons: 6 symmetric and 3 antisymmetric spin functions.
    const NuclearSpinWeights w = IdenticalNucleiWeights(IdentifyIsotopologue("N2+", 28.0056).atoms[0].twiceSpin);
    EXPECT_EQ(w.symmetric, 6.0);
    EXPECT_EQ(w.antisymmetric, 3.0);
    // A formula of no known element, or a mass no combination has: not identified, weight 1.
    for (const auto& [formula, mass] : {std::pair{"AB", 13.5}, std::pair{"OH", 25.0}, std::pair{"O", 16.0}}) {
        const Isotopologue iso = IdentifyIsotopologue(formula, mass);
        EXPECT_FALSE(iso.identified) << formula;
        EXPECT_EQ(iso.NuclearSpinDegeneracy(), 1);
        EXPECT_EQ(iso.Abundance(), 1.0);
        EXPECT_EQ(iso.IsoSlug(), formula);
    }
}

TEST(HitranFields, IntensitiesFitE103AndUncertaintiesTakeTheirCodes) {
    // E10.3 has a two-digit exponent: below 1E-99 the field is 0.
    for (const auto& [value, field] : std::vector<std::pair<double, std::string>>{{8.073e-100, " 0.000E+00"},
                                                                                  {1e-99, " 1.000E-99"},
                                                                                  {2.6786e-98, " 2.679E-98"},
                                                                                  {0.0, " 0.000E+00"},
                                                                                  {8.7426e5, " 8.743E+05"}})
        EXPECT_EQ(HitranE103(value), field) << value;
    // Wavenumber codes: 0 for 1 cm-1 or more, then one per decade.
    for (const auto& [u, code] : std::vector<std::pair<double, int>>{
             {2.0, 0}, {1.0, 0}, {0.5, 1}, {0.1, 1}, {0.05, 2}, {0.01, 2}, {0.005, 3}, {2e-6, 6}, {1e-12, 9}})
        EXPECT_EQ(HitranWavenumberCode(u), code) << u;
}

}  // namespace
}  // namespace velmora::database
