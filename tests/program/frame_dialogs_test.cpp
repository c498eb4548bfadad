// The rules of the Fit frame and LIF image windows: their settings between runs, the work they
// make from their fields and the Fit dialog, and the fields they refuse.
#include "program/frame_dialogs.h"

#include <gtest/gtest.h>

#include <functional>

#include "fit/fit_errors.h"
#include "simulation/shipped_system.h"

namespace velmora::program {
namespace {

TEST(FrameDialogs, SettingsKeptAndTheJobsTheirFieldsMake) {
    testing::ShippedSystem oh("OH", "(A-X)");
    AppState& app = oh.app;
    FitFrameDialogState d;
    d.frame = "flame.fits", d.rows = "20:480", d.positions = "0:0.05:mm", d.bin = 2, d.block = 8;
    d.abel = true, d.centre = "12.5", d.halves = 3, d.regularisation = "2";
    LifImageDialogState l;
    l.images = "a.tif;b.tif", l.lines = "2822.532, 2856.282", l.energies = "1 2", l.temperatures = "600:2600";
    MemoryStore store;
    SaveFitFrameDialog(d, store);
    SaveLifImageDialog(l, store);
    FitFrameDialogState back;
    LifImageDialogState lifBack;
    LoadFitFrameDialog(back, store);
    LoadLifImageDialog(lifBack, store);
    EXPECT_EQ(back.frame, "flame.fits");
    EXPECT_EQ(back.halves, 3);
    EXPECT_TRUE(back.abel);
    EXPECT_EQ(back.block, 8);
    EXPECT_EQ(lifBack.images, "a.tif;b.tif");
    EXPECT_EQ(lifBack.temperatures, "600:2600");

    FitDialogState fit = NewFitDialog(app);
    fit.rows[0].value = "1500";
    const FrameFitJob job = FrameFitJobFromDialog(app, back, fit);
    EXPECT_EQ(job.how.frame, "flame.fits");
    EXPECT_EQ(job.how.firstRow, 20);
    EXPECT_EQ(job.how.lastRow, 480);
    EXPECT_EQ(job.how.positionStep, 0.05);
    EXPECT_EQ(job.how.positionUnit, "mm");
    EXPECT_FALSE(job.how.abelOptions.findCentre);
    EXPECT_EQ(job.how.abelOptions.centre, 12.5);
    EXPECT_EQ(job.how.abelOptions.halves, experiment::AbelHalves::Both);
    EXPECT_EQ(job.options.block, 8);
    EXPECT_EQ(job.request.settings.start.at("t"), 1500.0);
    EXPECT_TRUE(job.request.spectrum.x.empty());  // the rows of the frame take its place

    struct Case {
        std::function<void()> make;
        std::string problem;
    } refused[] = {
        {[&] { FrameFitJobFromDialog(app, FitFrameDialogState{}, fit); }, "frame: choose a frame file"},
        {[&] {
             FitFrameDialogState bad = back;
             bad.rows = "30:10";
             FrameFitJobFromDialog(app, bad, fit);
         },
         "rows: whole rows A:B from 1"},
        {[&] {
             FitFrameDialogState bad = back;
             bad.centre = "x";
             FrameFitJobFromDialog(app, bad, fit);
         },
         "centre: \"x\" is not a number"},
        {[&] {
             FitFrameDialogState bad = back;
             bad.abel = false;
             FitDialogState fileWeights = fit;
             fileWeights.weighting = static_cast<int>(fit::Weighting::FileColumn);
             FrameFitJobFromDialog(app, bad, fileWeights);
         },
         "the rows of a frame carry uncertainties only after the Abel inversion"},
        {[&] {
             LifImageDialogState bad = l;
             bad.lines = "2822.5";
             LifImageRequestFromDialog(app, bad);
         },
         "lines: give the laser positions of two or more lines"},
        {[&] {
             LifImageDialogState bad = l;
             bad.images.clear();
             LifImageRequestFromDialog(app, bad);
         },
         "images: choose one image per line"},
    };
    for (const Case& c : refused) {
        try {
            c.make();
            ADD_FAILURE() << c.problem;
        } catch (const fit::FitInputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace velmora::program
