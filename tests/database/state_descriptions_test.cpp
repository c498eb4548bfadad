// The descriptions file STATES.SYS beside the catalogue: what it gives each entry and the faults
// it is refused for (a folder without it: datagen/physics_from_data_test).
#include "database/state_descriptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "database/band_loader.h"
#include "database/effective_hamiltonian.h"
#include "database/open_sample.h"
#include "support/file_error.h"
#include "support/sample_database.h"

namespace velmora::database {
namespace {

using ::testing::HasSubstr;
using testing::SampleBandSystem;
using testing::SampleDatabase;
using testing::SampleEntry;
using testing::SampleMolecule;
using testing::SampleState;
using velmora::testing::FileErrorMessage;

/// Two entries of one homonuclear molecule "YY" (states B, X, A) as a sample catalogue.
struct Sample {
    SampleDatabase data;
    std::vector<SampleMolecule> molecules{{"YY", "YY+", 5, 2, 1, 6.0, 3.0}};
    std::vector<SampleState> states{
        {"YY", "B", 0, 1, "-", "u", "0"}, {"YY", "X", 1, 1, "0", "g", "a"}, {"YY", "A", 2, 1, "0", "u", "b"}};
    std::vector<SampleBandSystem> systems{{"YY", "B", "X", "absolute"}, {"YY", "A", "X", "lowest"}};
    std::vector<SampleEntry> entries{2};
    Sample() {
        SampleEntry &sigmaPi = entries[0], &deltaPi = entries[1];
        sigmaPi.code = deltaPi.code = "YY";
        sigmaPi.upper = "B", sigmaPi.lambdaLow = 1, sigmaPi.nuclearSpin = 1, sigmaPi.rotRows = {5};
        deltaPi.lambdaUp = 2, deltaPi.lambdaLow = 1, deltaPi.nuclearSpin = 1, deltaPi.rotRows = {5};
        data.Catalogue(entries, 0, 0, 10);
    }
    /// The first entry without a reference lifetime (0 ns).
    void WithoutReferenceLifetime() {
        entries[0].referenceLifetime = 0.0;
        data.Catalogue(entries, 0, 0, 10);
    }
    DatabaseState Open() {
        data.Descriptions(molecules, states, systems);
        return OpenSample(data);
    }
    std::string Refusal() {
        data.Descriptions(molecules, states, systems);
        return FileErrorMessage([&] { OpenSample(data); });
    }
};

TEST(StateDescriptions, EachEntryFindsItsMoleculeStatesAndSystemByName) {
    Sample s;
    const DatabaseState db = s.Open();
    const SystemDescription& first = db.cat.Description(1);
    EXPECT_EQ(first.molecule.name, "YY+");
    EXPECT_EQ(db.cat.MoleculeName(2), "YY+");
    EXPECT_EQ(first.molecule.hitranMolecule, 5);
    EXPECT_EQ(first.molecule.hitranIsotopologue, 2);
    EXPECT_TRUE(first.molecule.nuclearSpin.homonuclear);
    EXPECT_EQ(first.molecule.nuclearSpin.antisymmetric, 3.0);
    EXPECT_TRUE(first.upper.IsSigmaMinus());
    EXPECT_EQ(first.upper.inversion, Inversion::Ungerade);
    EXPECT_EQ(first.lower.labelling, LevelLabelling::caseA);
    EXPECT_EQ(first.energyZero, EnergyZero::Absolute);
    const SystemDescription second = DescriptionOf(db.cat, 2);
    EXPECT_EQ(second.upper.lambda, 2);
    EXPECT_EQ(second.upper.labelling, LevelLabelling::caseB);
    EXPECT_EQ(second.lower.labelling, LevelLabelling::caseA);  // the X state of both entries
    EXPECT_EQ(second.energyZero, EnergyZero::LowestLevel);
}

TEST(StateDescriptions, FaultsAreNamedWithTheFileLineAndState) {
    struct Case {
        const char* fault;
        std::function<void(Sample&)> damage;
        const char* message;
    };
    const Case cases[] = {
        {"unknown reflection", [](Sample& s) { s.states[0].reflection = "x"; },
         "line 8: reflection symmetry \"x\" (expected \"+\", \"-\", \"0\")"},
        {"Sigma without a sign", [](Sample& s) { s.states[0].reflection = "0"; },
         "line 8: state \"B\" of \"YY\": a Sigma state is + or -"},
        {"labels of a Sigma state", [](Sample& s) { s.states[0].labels = "b"; }, "the levels of a Sigma state take 0"},
        {"case (a) Delta", [](Sample& s) { s.states[2].labels = "a"; },
         "case (a) labels are defined for Pi states only"},
        {"Lambda disagrees",
         [](Sample& s) { s.states[0].lambda = 1, s.states[0].reflection = "0", s.states[0].labels = "b"; },
         "the state \"B\" of \"YY\" has Lambda 1, VELMORA.SYS gives 0 (entry 1 of VELMORA.SYS)"},
        {"state missing", [](Sample& s) { s.states.pop_back(); },
         "describes no state \"A\" of \"YY\" (entry 2 of VELMORA.SYS)"},
        {"system missing", [](Sample& s) { s.systems.pop_back(); }, "describes no band system YY (A-X) (entry 2"},
        {"molecule missing", [](Sample& s) { s.molecules[0].code = "ZZ"; }, "describes no molecule \"YY\""},
        {"flag disagrees", [](Sample& s) { s.molecules[0].homonuclear = 0; },
         "\"YY\" is not homonuclear, but its nuclear-spin flag in VELMORA.SYS is 1"},
        {"no g/u", [](Sample& s) { s.states[1].inversion = "0"; }, "the state \"X\" of \"YY\" needs a g/u symmetry"},
        {"no level", [](Sample& s) { s.molecules[0].symmetric = s.molecules[0].antisymmetric = 0; },
         "both nuclear-spin weights are 0"},
        {"twice", [](Sample& s) { s.states.push_back(s.states[0]); }, "a second description of the state \"B\""},
        {"energy zero", [](Sample& s) { s.systems[0].energyZero = "middle"; }, "energy zero \"middle\""},
        {"absolute scale", [](Sample& s) { s.systems[0].absoluteScale = "maybe"; }, "absolute scale \"maybe\""},
        {"no scale with a lifetime", [](Sample& s) { s.systems[0].absoluteScale = "none"; },
         "YY (B-X) has no absolute scale, but VELMORA.SYS gives it a reference lifetime (entry 1"},
        {"a scale without a lifetime",
         [](Sample& s) {
             s.WithoutReferenceLifetime();
             s.systems[0].absoluteScale = "lifetime";
         },
         "YY (B-X) has an absolute scale, but its reference lifetime in VELMORA.SYS is 0"},
    };
    for (const Case& c : cases) {
        Sample s;
        c.damage(s);
        EXPECT_THAT(s.Refusal(), HasSubstr(c.message)) << c.fault;
    }
}

TEST(StateDescriptions, ASystemWithoutReferenceLifetimeHasNoAbsoluteScale) {
    Sample s;
    s.WithoutReferenceLifetime();
    s.systems[0].absoluteScale = "none";
    s.systems[1].absoluteScale = "lifetime";
    const DatabaseState db = s.Open();
    EXPECT_FALSE(db.cat.Description(1).absoluteScale);
    EXPECT_TRUE(db.cat.Description(2).absoluteScale);
    EXPECT_THAT(NoAbsoluteScale(db.cat, 1),
                HasSubstr("YY+ (B-X) has no absolute scale: the radiative lifetime of B v' = 0 "
                          "is not known"));
    EXPECT_EQ(NoAbsoluteScale(db.cat, 2), "");
    try {
        RequireAbsoluteScale(db.cat, 1, "Lifetimes");
        ADD_FAILURE() << "no refusal";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("Lifetimes cannot be given: YY+ (B-X) has no absolute scale"));
    }
    EXPECT_NO_THROW(RequireAbsoluteScale(db.cat, 2, "Lifetimes"));
}

TEST(StateDescriptions, BandsOfAStateThatIsNoDoubletAreRefused) {
    Sample s;
    s.states[0].twoS = 2;
    DatabaseState db = s.Open();
    EXPECT_THAT(FileErrorMessage([&] { LoadBand(db, 0, 0, 1); }),
                HasSubstr("STATES.SYS: the state \"B\" of YY has multiplicity 3; band systems of doublet states only"));
}

}  // namespace
}  // namespace velmora::database
