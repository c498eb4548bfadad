#include "experiment/corrections.h"

#include <gtest/gtest.h>

#include "experiment_fixtures.h"
#include "program/condition_events.h"

namespace velmora::experiment {

using testing::SetBands;
using testing::SetGrid;
using testing::SetLevels;
using testing::SetSpectrum;

using Fixture = testing::AppFixture;

TEST(CorrectionBoxes, BaselineAndWavelengthRefuseOutOfRangeAndStoreInTheRecord) {
    Fixture f;
    SetSpectrum(f.app.exp, {3000, 3001, 3002}, {10, 100, 50});
    EXPECT_EQ(TxtBaseline_Change(f.app, "10"), "10");
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(1), 90.0f);
    EXPECT_EQ(TxtBaseline_Change(f.app, "100"), "10");  // refused: the value in force again
    EXPECT_FLOAT_EQ(f.app.exp.Baseline, 10.0f);
    EXPECT_EQ(TxtBaseline_Change(f.app, "-"), "-");  // typing in progress: ignored
    EXPECT_FLOAT_EQ(f.app.exp.ExpFiles[0].Baseline, 10.0f);

    EXPECT_EQ(TxtWavelength_Change(f.app, "-2.5"), "-2.5");
    EXPECT_FLOAT_EQ(f.app.exp.ExpX(0), 3002.5f);
    EXPECT_EQ(TxtWavelength_Change(f.app, "200.5"), "-2.5");
    EXPECT_FLOAT_EQ(f.app.exp.ExpFiles[0].Wavelength, -2.5f);
    EXPECT_EQ(f.shell.redraws, 5);  // every change redraws
}

TEST(CorrectionBoxes, MultiplyOfZeroOrLessActsAsOne) {
    Fixture f;
    SetSpectrum(f.app.exp, {3000, 3001, 3002}, {10, 100, 50});
    TxtMultiply_Change(f.app, "2");
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 20.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpFiles[0].Multiply, 2.0f);
    EXPECT_EQ(TxtMultiply_Change(f.app, "0"), "0");
    EXPECT_FLOAT_EQ(f.app.exp.Multiply, 1.0f);
    TxtMultiply_Change(f.app, "-3");
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 10.0f);
    TxtMultiply_Change(f.app, "abc");
    EXPECT_FLOAT_EQ(f.app.exp.Multiply, 1.0f);
}

TEST(CorrectionBoxes, NoiseRange) {
    Fixture f;
    EXPECT_EQ(TxtNoise_Change(f.app, "5"), "5");
    EXPECT_FLOAT_EQ(f.app.sim.NoiseLevel, 5.0f);
    EXPECT_EQ(TxtNoise_Change(f.app, "100"), "0");
    EXPECT_FLOAT_EQ(f.app.sim.NoiseLevel, 0.0f);
    TxtNoise_Change(f.app, "7");
    EXPECT_EQ(TxtNoise_Change(f.app, "x"), "0");
    EXPECT_EQ(TxtNoise_Change(f.app, "-1"), "0");
    const int redraws = f.shell.redraws;
    EXPECT_EQ(TxtNoise_Change(f.app, ""), "");  // left alone, no redraw
    EXPECT_EQ(f.shell.redraws, redraws);
}

TEST(ResidualDisplay, ScaleEntries) {
    Fixture f;
    CmbResiduals_Click(f.app, "20%");
    EXPECT_EQ(f.app.exp.ResidualScale, 20);
    CmbResiduals_Click(f.app, "Auto");
    EXPECT_EQ(f.app.exp.ResidualScale, 0);
    CmbResiduals_Click(f.app, "3%");
    EXPECT_EQ(f.app.exp.ResidualScale, 0);
    EXPECT_EQ(f.shell.redraws, 3);
}

TEST(Smoothing, ThreePointSpectrumChangesOnlyTheMiddle) {
    Fixture f;
    SetSpectrum(f.app.exp, {3000, 3001, 3002}, {0, 100, 40});
    f.app.exp.Baseline = 10.0f;
    CmdSmooth_Click(f.app);
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(0), 0.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(1), 60.0f);  // 0.25·0 + 0.5·100 + 0.25·40
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(2), 40.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(1), 50.0f);
    // The filter uses the unsmoothed neighbours: (10, 20, 30, 40) is a straight line.
    SetSpectrum(f.app.exp, {3000, 3001, 3002, 3003}, {10, 20, 30, 40});
    CmdSmooth_Click(f.app);
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(1), 20.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(2), 30.0f);
}

namespace {

/// Two selected levels v = 0 and 2 on a grid 3000..3004; PopVib(0) = 0.5, PopVib(2) = 0.25.
void TwoLevels(Fixture& f) {
    SetGrid(f.app.sim, 3000.0f, 1.0f, {0, 0, 0, 0, 0});
    SetBands(f.app.sim, {{0, 20, 40, 20, 0}, {4, 4, 4, 4, 4}});
    SetLevels(f.app, {0, 2}, {0.5f, 0.0f, 0.25f});
    SetSpectrum(f.app.exp, {2999, 3001, 3002, 3003.5f}, {50, 50, 50, 50});
    f.app.exp.Baseline = 0.0f;
    f.app.exp.Multiply = 2.0f;
    for (int i = 0; i <= 3; ++i) f.app.exp.ExpYRaw(i) = 25.0f;  // ExpY = 25 × 2
}

}  // namespace

TEST(Subtraction, AllLevelsAtOnce) {
    Fixture f;
    TwoLevels(f);
    f.dialogs.answers = {Answer::Yes};
    CmdSubtraction_Click(f.app);
    ASSERT_EQ(f.dialogs.questions.size(), 1u);
    EXPECT_EQ(f.dialogs.questions[0], "Subtract simulation contribution from all vibrational levels?");
    EXPECT_EQ(f.dialogs.titles[0], " Model substraction dialog");
    // x = 2999 lies outside the range; 3001: 0.5·20 + 0.25·4 = 11; 3002: 0.5·40 + 1 = 21;
    // 3003.5 between 20 and 0 → 10, so 0.5·10 + 1 = 6.
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(0), 50.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(1), 39.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(2), 29.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(3), 44.0f);
    // Permanent: raw = y / Multiply + Baseline.
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(1), 19.5f);
}

TEST(Subtraction, CancelAtTheSecondLevelRestoresEverything) {
    Fixture f;
    TwoLevels(f);
    f.dialogs.answers = {Answer::No, Answer::Yes, Answer::Cancel};
    CmdSubtraction_Click(f.app);
    ASSERT_EQ(f.dialogs.questions.size(), 3u);
    EXPECT_EQ(f.dialogs.questions[1], "Subtract simulation contribution from vibrational level v = 0");
    EXPECT_EQ(f.dialogs.questions[2], "Subtract simulation contribution from vibrational level v = 2");
    for (int i = 0; i <= 3; ++i) {
        EXPECT_FLOAT_EQ(f.app.exp.ExpY(i), 50.0f) << i;
        EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(i), 25.0f) << i;
    }
    EXPECT_EQ(f.shell.redraws, 2);  // after level 0, after the cancel
}

TEST(Subtraction, OneLevelAsksOnlyForTheLevelAndNoStillMakesPermanent) {
    Fixture f;
    TwoLevels(f);
    SetLevels(f.app, {2}, {0.5f, 0.0f, 0.25f});
    SetBands(f.app.sim, {{4, 4, 4, 4, 4}});
    f.app.exp.ExpY(1) = 60.0f;  // a change not yet in the raw spectrum
    f.dialogs.answers = {Answer::No};
    CmdSubtraction_Click(f.app);
    ASSERT_EQ(f.dialogs.questions.size(), 1u);
    EXPECT_EQ(f.dialogs.questions[0], "Subtract simulation contribution from vibrational level v = 2");
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(1), 60.0f);
    EXPECT_FLOAT_EQ(f.app.exp.ExpYRaw(1), 30.0f);

    f.dialogs.answers = {Answer::Cancel};  // Cancel of the general question: nothing happens
    SetLevels(f.app, {0, 2}, {0.5f, 0.0f, 0.25f});
    CmdSubtraction_Click(f.app);
    EXPECT_FLOAT_EQ(f.app.exp.ExpY(1), 60.0f);
}

}  // namespace velmora::experiment
