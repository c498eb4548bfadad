// The program's "|"-separated file filters in the form of Qt's file dialogs.
#include <gtest/gtest.h>

#include "app/file_filters.h"

namespace velmora::app {
namespace {

TEST(FileFilters, PairsOfDescriptionAndPatternsBecomeQtNameFilters) {
    const QStringList spectra = QtNameFilters(
        "Experimental spectra (*.dat;*.csv;*.spc;*.txt)|*.dat;*.csv;*.spc;*.txt|Simulation spectra (*.mod)|*.mod|"
        "All files (*.*)|*.*|");
    ASSERT_EQ(spectra.size(), 3);
    EXPECT_EQ(spectra[0], "Experimental spectra (*.dat *.csv *.spc *.txt)");
    EXPECT_EQ(spectra[1], "Simulation spectra (*.mod)");
    EXPECT_EQ(spectra[2], "All files (*)");  // "*.*" would hide files without an extension
    // No trailing bar, and two blanks inside the description.
    EXPECT_EQ(QtNameFilters("Rotational distribution file (*.rot)|*.rot"), QStringList{"Rotational distribution file (*.rot)"});
    EXPECT_EQ(QtNameFilters("Population file  (*.vib)|*.vib|"), QStringList{"Population file (*.vib)"});
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(FileFilters, TheDefaultSuffixIsTheFirstPatternOfTheFilter) {
    EXPECT_EQ(DefaultSuffix("Simulation (*.mod)"), "mod");
    EXPECT_EQ(DefaultSuffix("Experimental spectra (*.dat *.csv)"), "dat");
    EXPECT_EQ(DefaultSuffix("All files (*)"), "");
}

}  // namespace
}  // namespace velmora::app
