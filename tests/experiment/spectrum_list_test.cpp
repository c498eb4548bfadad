#include "experiment/spectrum_list.h"

#include <gtest/gtest.h>

#include "experiment/corrections.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_units.h"
#include "experiment_fixtures.h"
#include "state/app_state.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

namespace {

struct Fixture : testing::AppFixture {
    testing::TempDir dir;
    std::string File(const std::string& name, float x0) {
        std::string text;
        for (int i = 0; i < 5; ++i) text += std::to_string(x0 + i) + " " + std::to_string(10 * (i + 1)) + "\n";
        return dir.Write(name, text).string();
    }
};

}  // namespace

TEST(SpectrumList, ANewFileStartsWithoutCorrectionsAndIsShown) {
    Fixture f;
    f.app.exp.TxtBaseline = "5";
    f.app.exp.TxtMultiply = "2";
    LoadSpectrum(f.app, f.File("a.dat", 3000));
    ASSERT_EQ(f.app.exp.ExpCount, 1);
    EXPECT_EQ(f.app.exp.ExpFiles[0].Title, "a.dat");
    EXPECT_EQ(f.app.exp.ExpCurrent, 0);
    EXPECT_EQ(f.app.exp.UpDExpFileMax, 0);
    EXPECT_EQ(f.app.exp.CurrentFilePath, f.app.exp.ExpFiles[0].Path);
    EXPECT_EQ(f.app.shell.SpectraDirectory, f.dir.path().string());
    // The boxes show no correction, and the largest point stays at 100.
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(4), 100.0f);
    EXPECT_EQ(f.app.exp.TxtBaseline, "0");
    EXPECT_EQ(f.app.exp.TxtMultiply, "1");
    EXPECT_EQ(f.shell.redraws, 1);  // one redraw for the whole selection

    LoadSpectrum(f.app, "");  // cancelled dialog
    EXPECT_EQ(f.app.exp.ExpCount, 1);
}

TEST(SpectrumList, EachFileKeepsItsOwnCorrections) {
    Fixture f;
    LoadSpectrum(f.app, f.File("a.dat", 3000));
    TxtBaseline_Change(f.app, "7");
    LoadSpectrum(f.app, f.File("b.dat", 3100));
    EXPECT_EQ(f.app.exp.TxtBaseline, "0");  // not the 7 of the file shown before
    TxtWavelength_Change(f.app, "1.5");
    EXPECT_FLOAT_EQ(f.app.exp.ExpFiles[1].Baseline, 0.0f);

    UpDExpFile_Change(f.app, 0);
    EXPECT_EQ(f.app.exp.ExpCurrent, 0);
    EXPECT_EQ(f.app.exp.TxtBaseline, "7");
    EXPECT_EQ(f.app.exp.TxtWavelength, "0");
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3000.0f);
    CmbExpFile_Click(f.app, 1);
    EXPECT_EQ(f.app.exp.TxtWavelength, "1.5");
    EXPECT_EQ(f.app.exp.TxtBaseline, "0");
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3098.5f);
    CmbExpFile_Click(f.app, 5);  // no such entry
    EXPECT_EQ(f.app.exp.ExpCurrent, 1);
}

TEST(SpectrumList, AFileThatFailsToLoadIsReportedAndLeftOutOfTheList) {
    // Each file gives its message (the fixed advice, then the file and its problem), is not
    // listed, and the spectrum shown before stays shown with its corrections.
    struct Case {
        const char* name;
        std::string text;
        const char* problem;  ///< part of the message
    };
    const Case cases[] = {
        {"empty.dat", "", "no"},
        {"binary.dat", std::string("\x00\x01\x02\xff\xfe\x00\x10", 7), ""},
        {"nan.dat", "3000 10\n3001 nan\n3002 30\n", "line 2"},
        {"words.txt", "wavelength intensity\nsee the other file\n", "no"},
        {"huge.dat", "3000 10\n3001 20\n3002 1e300\n", "line 3: a value too large for a single-precision number"},
    };
    for (const Case& c : cases) {
        Fixture f;
        LoadSpectrum(f.app, f.File("good.dat", 3000));
        TxtBaseline_Change(f.app, "2");
        const std::string path = f.dir.Write(c.name, c.text).string();
        LoadSpectrum(f.app, path);
        ASSERT_EQ(f.dialogs.messages.size(), 1u) << c.name;
        const std::string& message = f.dialogs.messages[0];
        EXPECT_EQ(message.rfind(std::string(kReadFailureMessage) + "\r\n\r\n", 0), 0u) << c.name;
        EXPECT_NE(message.find(c.name), std::string::npos) << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << message;
        ASSERT_EQ(f.app.exp.ExpCount, 1) << c.name;
        EXPECT_EQ(f.app.exp.ExpFiles[0].Title, "good.dat");
        EXPECT_EQ(f.app.exp.UpDExpFileMax, 0);
        EXPECT_EQ(f.app.exp.ExpCurrent, 0);
        EXPECT_EQ(f.app.exp.ExpPoints, 4) << c.name;
        EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3000.0f);
        EXPECT_EQ(f.app.exp.TxtBaseline, "2");

        // As the first file, nothing stays loaded.
        Fixture first;
        LoadSpectrum(first.app, path);
        EXPECT_EQ(first.app.exp.ExpCount, 0) << c.name;
        EXPECT_TRUE(first.app.exp.ExpFiles.empty());
        EXPECT_FALSE(HasExperimentalPoints(first.app.exp));
    }

    // A file of one point loads, and says that it draws no curve.
    Fixture f;
    const std::string one = f.dir.Write("one.dat", "3000 10\n").string();
    LoadSpectrum(f.app, one);
    EXPECT_EQ(f.app.exp.ExpCount, 1);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0], one + ": only one point was read (a curve needs two)");
}

TEST(SpectrumList, AReadNoticeIsToldOnceWhenTheFileIsAdded) {
    Fixture f;
    LoadSpectrum(f.app, f.File("a.dat", 3000));
    // A file read with decimal commas is told once, when it is added.
    const std::string comma = f.dir.Write("comma.csv", "3000,500;10\n3001,5;20\n3002,5;30\n").string();
    LoadSpectrum(f.app, comma);
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0],
              comma + ": the numbers have decimal commas (line 1: \"3000,500\" is read as 3000.5)");
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(1), 3001.5f);
    CmbExpFile_Click(f.app, 0);
    CmbExpFile_Click(f.app, 1);
    EXPECT_EQ(f.dialogs.messages.size(), 1u);
}

TEST(SpectrumList, ClearAndClearAll) {
    Fixture f;
    LoadSpectrum(f.app, f.File("a.dat", 3000));
    LoadSpectrum(f.app, f.File("b.dat", 3100));
    LoadSpectrum(f.app, f.File("c.dat", 3200));
    CmbExpFile_Click(f.app, 1);
    CmdClear_Click(f.app);  // removes b, shows c in its place
    ASSERT_EQ(f.app.exp.ExpCount, 2);
    EXPECT_EQ(f.app.exp.ExpFiles[1].Title, "c.dat");
    EXPECT_EQ(f.app.exp.ExpCurrent, 1);
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3200.0f);
    EXPECT_EQ(f.app.exp.UpDExpFileMax, 1);
    CmdClear_Click(f.app);  // removes c (the last), shows a
    EXPECT_EQ(f.app.exp.ExpCurrent, 0);
    EXPECT_EQ(f.app.exp.ExpFiles[0].Title, "a.dat");

    TxtBaseline_Change(f.app, "3");
    TxtMultiply_Change(f.app, "4");
    CmdClear_Click(f.app);  // one file left: as Clear all
    EXPECT_EQ(f.app.exp.ExpCount, 0);
    EXPECT_TRUE(f.app.exp.ExpFiles.empty());
    EXPECT_TRUE(f.app.exp.CurrentFilePath.empty());
    EXPECT_EQ(f.app.exp.TxtBaseline, "0");
    EXPECT_EQ(f.app.exp.TxtMultiply, "1");
    EXPECT_FLOAT_EQ(f.app.exp.Multiply, 1.0f);
    const int redraws = f.shell.redraws;
    CmdClearAll_Click(f.app);  // nothing loaded: nothing happens
    EXPECT_EQ(f.shell.redraws, redraws);
}

TEST(SpectrumList, TheFileXUnitAndTheAxisUnitMeetInTheAxisUnit) {
    Fixture f;
    // 3000 Å in vacuum is 33333.33 cm-1; in air, 3000 Å is 3000 x n(3000 Å) = 3000.8747 Å in
    // vacuum (Edlén: n - 1 = 2.9155E-4).
    f.app.sim.conditions.unit = simulation::AxisUnit::Wavenumber;
    LoadSpectrum(f.app, f.File("a.dat", 3000), 2);  // Å in air
    EXPECT_NEAR(f.app.exp.ExpX(0), 1E8 / 3000.8747, 0.01);
    f.app.sim.conditions.unit = simulation::AxisUnit::AngstromVacuum;
    LoadSpectrum(f.app, f.File("b.dat", 33000), 3);  // cm-1
    EXPECT_NEAR(f.app.exp.ExpX(0), 1E8 / 33000.0, 1e-3);
    LoadSpectrum(f.app, f.File("c.dat", 300), 0);  // automatic: nm below 1000, taken as the axis's Å
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3000.0f);
    // A named unit is read as written: 1064 nm is 10640 Å, 500 cm-1 is 2E5 Å, 900 Å stays.
    const std::pair<float, int> asWritten[] = {{1064.0f, 4}, {500.0f, 3}, {900.0f, 1}};
    for (const auto& [x0, unit] : asWritten) {
        LoadSpectrum(f.app, f.File("w.dat", x0), unit);
        EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), unit == 4 ? 10640.0f : unit == 3 ? 2E5f : 900.0f) << unit;
        EXPECT_EQ(f.app.exp.ExpPoints, 4) << unit;
    }
    // The same for a spectrometer layout (a table whose header names its columns).
    const std::string table = f.dir.Write("w.csv", "Wavelength,Dark,Counts\n1064,0,5\n1065,0,9\n1066,0,7\n").string();
    LoadSpectrum(f.app, table, 4);
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 10640.0f);
    f.app.sim.conditions.unit = simulation::AxisUnit::NanometreVacuum;
    CmbExpFile_Click(f.app, 2);  // the same file on a nm axis
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 300.0f);

    // The axis changes under a loaded spectrum: points and wavelength correction follow. A
    // correction of 0.1 nm at 302 nm moves the spectrum to shorter wavelengths; in cm-1 that is
    // a move to larger wavenumbers, a correction of 1E7/302 - 1E7/301.9 = -10.97 cm-1.
    TxtWavelength_Change(f.app, "0.1");
    ConvertSpectraToAxis(f.app.exp, 4, 3, 302.0);
    EXPECT_NEAR(f.app.exp.WavelengthCorrection, 1E7 / 302.0 - 1E7 / 301.9, 1e-3);
    EXPECT_NEAR(f.app.exp.ExpXRaw(0), 1E7 / 300.0, 0.01);
    EXPECT_NEAR(f.app.exp.ExpX(0), 1E7 / 300.0 - f.app.exp.WavelengthCorrection, 0.01);
    EXPECT_FLOAT_EQ(static_cast<float>(Val(f.app.exp.TxtWavelength)), f.app.exp.WavelengthCorrection);
}

TEST(SpectrumList, AFileThatDeclaresItsXUnitIsReadInThatUnit) {
    Fixture f;
    // 306, 306.5, 307 nm and 32600, 32650, 32700 cm-1, declared by ##XUNITS.
    auto jdx = [&](const std::string& name, const std::string& units, const std::string& first,
                   const std::string& last) {
        return f.dir
            .Write(name, "##TITLE=t\n##JCAMP-DX=4.24\n##XUNITS=" + units + "\n##FIRSTX=" + first + "\n##LASTX=" + last +
                             "\n##NPOINTS=3\n##XYDATA=(X++(Y..Y))\n" + first + " 1 2 3\n##END=\n")
            .string();
    };
    const std::string nm = jdx("nm.jdx", "NANOMETERS", "306", "307");
    const std::string wn = jdx("wn.jdx", "1/CM", "32600", "32700");
    // Air to vacuum at 306 nm by Edlén's dispersion formula (sigma in 1/µm).
    const double s2 = 1.0 / (0.306 * 0.306);
    const double nAir = 1.0 + 1e-8 * (8342.54 + 2406147.0 / (130.0 - s2) + 15998.0 / (38.9 - s2));
    struct Case {
        std::string path;
        int axis, chosen;
        double x0;
        bool overruled;
    } cases[] = {
        {nm, 1, 0, 3060.0, false},         // nm on an Å axis
        {nm, 3, 0, 1e7 / 306.0, false},    // nm on a cm-1 axis
        {wn, 1, 0, 1e8 / 32600.0, false},  // cm-1 on an Å axis
        {wn, 3, 0, 32600.0, false},        // cm-1 on a cm-1 axis
        {nm, 1, 4, 3060.0, false},         // nm named as well: converted once
        {nm, 1, 5, 3060.0 * nAir, false},  // nm in air: the medium comes from the choice
        {nm, 1, 3, 3060.0, true},          // cm-1 named for a file in nm
        {wn, 3, 4, 32600.0, true},         // nm named for a file in cm-1
        {wn, 1, 1, 1e8 / 32600.0, true},   // Å named for a file in cm-1
    };
    for (const Case& c : cases) {
        f.app.sim.conditions.unit = simulation::StoredMode<simulation::AxisUnit>(c.axis);
        f.dialogs.messages.clear();
        LoadSpectrum(f.app, c.path, c.chosen);
        EXPECT_NEAR(f.app.exp.ExpX(0), c.x0, 1e-6 * c.x0) << c.path << " " << c.axis << " " << c.chosen;
        ASSERT_FALSE(f.dialogs.messages.empty());
        EXPECT_EQ(f.dialogs.messages.back().find("as the file declares (the unit chosen, ") != std::string::npos,
                  c.overruled)
            << f.dialogs.messages.back();
    }
}

TEST(SpectrumList, TheIntensityColumnAndTheXUnitBelongToEachFileAndReadItAgain) {
    Fixture f;
    const std::string three = f.dir.Write("three.dat", "3000 1 40\n3000.5 2 20\n3001 4 10\n").string();
    LoadSpectrum(f.app, three);  // automatic: two columns, the second
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 25.0f);
    UpDExpColumn_Change(f.app, 3);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 100.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(2), 25.0f);
    EXPECT_EQ(f.app.exp.ExpFiles[0].Column, 3);
    EXPECT_EQ(f.app.shell.SpectraColumn, 3);  // offered to the next file
    EXPECT_NE(
        f.dialogs.messages.back().find("read as columns of numbers, x from column 1, intensity from column 3 of 3"),
        std::string::npos);
    // A column the file does not have: the file and its columns are named, the spectrum stays.
    UpDExpColumn_Change(f.app, 5);
    EXPECT_NE(f.dialogs.messages.back().find("three.dat (read as columns of numbers), line 1: intensity column 5 "
                                             "chosen, the file has 3 columns"),
              std::string::npos)
        << f.dialogs.messages.back();
    EXPECT_EQ(f.app.exp.ExpFiles[0].Column, 3);
    EXPECT_EQ(f.app.exp.ExpPoints, 2);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 100.0f);
    EXPECT_TRUE(f.app.exp.ReadProblem.empty());
    EXPECT_EQ(f.app.shell.SpectraColumn, 3);

    // A second file keeps its own column and unit: 1064 nm read in automatic mode is taken as Å.
    LoadSpectrum(f.app, f.File("ir.dat", 1064));
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 1064.0f);
    CmbExpXUnit_Click(f.app, 4);
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 10640.0f);
    EXPECT_EQ(f.app.shell.SpectraXUnit, 4);
    CmbExpFile_Click(f.app, 0);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 100.0f);  // column 3 again
    EXPECT_EQ(f.app.exp.ExpFiles[1].XUnit, 4);
}

TEST(SpectrumList, SaveModifiedSpectraWritesTheCorrectedValues) {
    Fixture f;
    LoadSpectrum(f.app, f.File("a.dat", 3000));
    TxtMultiply_Change(f.app, "0.5");
    const auto out = f.dir / "mod.dat";
    EXPECT_TRUE(SaveModifiedSpectra(f.app, out.string()));
    const std::string text = testing::ReadFile(out);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "3000.0   ,  10.0000");  // 20 × 0.5

    // A failed write names the file and leaves the existing one untouched.
    EXPECT_FALSE(SaveModifiedSpectra(f.app, (f.dir / "missing" / "x.dat").string()));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].find("x.dat"), std::string::npos);
    EXPECT_FALSE(SaveModifiedSpectra(f.app, ""));
}

}  // namespace velmora::experiment
