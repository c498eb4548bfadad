// Reading MULTIPLET.SYS: a damaged file is refused with its line and problem, a database
// without the file has no such systems, and the entries are numbered after VELMORA.SYS.
#include "database/multiplet_catalogue.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace velmora::database {
namespace {

const std::string kHead = "title\r\n1\r\nconstants = T_v B A lambda\r\n";
const std::string kSystem =
    "[system]\r\ncode = AB\r\nname = AB\r\ntitle = AB test\r\nmass = 20\r\nmax_J = 30\r\n"
    "upper = A 1 2 0 0 b\r\nlower = X 0 2 - 0 0\r\nlevel = A 0 30000 1.5 40 0.2\r\nlevel = X 0 0 1.6 0 1.1\r\n"
    "band = 0 0 1e6\r\n";

std::string MessageOf(const std::string& text) {
    try {
        ParseMultipletCatalogue(text, "MULTIPLET.SYS");
    } catch (const FileError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(MultipletCatalogue, ReadsASystemAndRefusesADamagedFileWithItsLine) {
    const auto entries = ParseMultipletCatalogue(kHead + kSystem, "MULTIPLET.SYS");
    ASSERT_EQ(entries.size(), 1u);
    const MultipletEntry& e = entries[0];
    EXPECT_EQ(e.SystemLabel(), "(A-X)");
    EXPECT_EQ(e.data.twoJMax, 60);
    EXPECT_TRUE(e.data.description.lower.IsSigmaMinus());
    EXPECT_EQ(e.data.upper.at(0).A, 40.0);
    EXPECT_EQ(e.data.lower.at(0).spinSpin, 1.1);
    EXPECT_EQ(e.data.bandA.at({0, 0}), 1e6);
    EXPECT_FALSE(e.data.description.molecule.nuclearSpin.homonuclear);

    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = kHead + kSystem;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::pair<std::string, std::string> faults[] = {
        {replaced("\r\n1\r\n", "\r\n2\r\n"), "MULTIPLET.SYS, line 2: format \"2\" is not known (1 is)"},
        {replaced("lambda", "eta"), "MULTIPLET.SYS, line 3: \"eta\" is not a constant of a level"},
        {replaced("max_J", "colour"), "MULTIPLET.SYS, line 9: \"colour\" is not a setting of a band system"},
        {replaced("1.5 40", "1.5x 40"), "MULTIPLET.SYS, line 12: \"1.5x\" is not a number"},
        {replaced("level = X 0 0", "level = Y 0 0"), "MULTIPLET.SYS, line 13: \"Y\" is not a state of the system"},
        {replaced("band = 0 0", "band = 0 1"),
         "MULTIPLET.SYS, line 14: the system ending at this line has a band (0,1) whose levels it does not give"},
        {replaced("1e6", "-1"), "MULTIPLET.SYS, line 14: a band Einstein coefficient must be 0 or more"},
        {replaced("A 1 2 0 0 b", "A 1 2 0 0"),
         "MULTIPLET.SYS, line 10: a state is: label, Lambda, 2S, reflection "
         "(+ - 0), g/u (g u 0), labels (a b 0)"},
        {kHead + "code = AB\r\n", "MULTIPLET.SYS, line 4: \"code\" before the first [system]"},
    };
    for (const auto& [text, message] : faults) EXPECT_EQ(MessageOf(text), message);
}

TEST(MultipletCatalogue, EntriesFollowTheCatalogueAndAMissingFileHasNone) {
    EXPECT_TRUE(ReadMultipletCatalogue("no/such/folder/MULTIPLET.SYS").empty());
    const auto entries = ParseMultipletCatalogue(kHead + kSystem + kSystem, "MULTIPLET.SYS");
    Catalogue cat;
    cat.CatalogueCount = 15;
    for (const auto& [entry, index] : {std::pair{15, -1}, {16, 0}, {17, 1}, {18, -1}, {0, -1}})
        EXPECT_EQ(MultipletIndex(cat, entries, entry), index) << entry;
}

}  // namespace
}  // namespace velmora::database
