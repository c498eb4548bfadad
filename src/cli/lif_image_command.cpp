// velmora-cli lif-image: planar LIF thermometry. Images of the fluorescence excited on two or more
// lines (positions as lif-lines lists them) become a temperature image, with its uncertainty,
// scale and mask, as matrix CSV, an SVG map with its colour bar and a PNG of the image.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <stdexcept>

#include "cli/condition_options.h"
#include "cli/database_options.h"
#include "cli/frame_options.h"
#include "cli/simulate_options.h"
#include "common/number_format.h"
#include "display/frame_plots.h"
#include "fit/lif_image.h"

namespace velmora::cli {

namespace {

const OptionHelp kLifImageOptions[] = {
    {"images", "FILE[,FILE...]  one image per line, or one stack holding them in the order of --lines, required"},
    {"lines", "X1,X2[,...]  laser positions of the images (axis unit, as lif-lines lists the lines), required"},
    {"backgrounds", "FILE[,FILE...]  background image subtracted: one for every image, or one per image"},
    {"energies", "E1,E2[,...]  laser-sheet energy of each image, mJ (default all equal)"},
    {"threshold",
     "F  pixels masked where a line's signal is below F times its image's 99.5th percentile (default 0.05)"},
    {"read-noise", "S[,S...]  noise of one pixel in counts, one for all or one per image (default: estimated)"},
    {"gain", "G  counts per photoelectron: adds the shot noise (default 0)"},
    {"temperatures", "T1:T2  range of the ratio curve, K (default 300:3000)"},
    {"steps", "N  temperatures of the curve (default 120)"},
    {"pixel-size", "S[:UNIT]  positions of rows and columns as multiples of S (default the files', else pixels)"},
    {"jobs", "N  threads (default every core)"},
    {"out", "FILE.csv  the temperature image (matrix CSV: x in the first row, y in the first column)"},
    {"uncertainty", "FILE.csv  the standard uncertainty of the temperature"},
    {"scale", "FILE.csv  the scale (the relative number density and fluence)"},
    {"mask", "FILE.csv  0 valid, 1 below the threshold, 2 outside the curve, 3 not a number"},
    {"svg", "FILE.svg  the temperature map with its axes and colour bar"},
    {"png", "FILE.png  the temperature image alone, one pixel per pixel"},
};

/// The images of the files: one file per image, or the first images of one stack.
std::vector<experiment::SpectrumFrame> ReadImages(const std::vector<std::string>& files, std::size_t count) {
    std::vector<experiment::SpectrumFrame> images;
    if (files.size() == 1 && count > 1)
        for (std::size_t k = 0; k < count; ++k)
            images.push_back(experiment::ReadFrameFile(files[0], static_cast<int>(k) + 1));
    else
        for (const std::string& f : files) images.push_back(experiment::ReadFrameFile(f, 1));
    return images;
}

int RunLifImage(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, kSimulationFlags);
    std::vector<std::string> known = SimulationOptionNames();
    const std::vector<std::string> own = OptionNames(kLifImageOptions);
    known.insert(known.end(), own.begin(), own.end());
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    for (const char* required : {"images", "lines"})
        if (!args.Has(required)) throw std::invalid_argument(std::string("option --") + required + " is required");

    DatabaseState db;
    OpenDatabase(args, db);
    fit::LifImageRequest q;
    q.conditions = ConditionsFromOptions(args);
    q.conditions.kind = simulation::SpectrumKind::LifExcitation;
    q.system = fit::LoadFitSystem(
        db, MultipletEntryOption(args, db) >= 0 ? args.Integer("entry", 0) : EntryOption(args, db), q.conditions);
    q.lines = NumberList(args, "lines");
    q.images = ReadImages(NameList(args, "images"), q.lines.size());
    if (args.Has("backgrounds")) q.backgrounds = ReadImages(NameList(args, "backgrounds"), 1);
    q.energies = NumberList(args, "energies");
    q.threshold = args.Number("threshold", q.threshold);
    q.noise = NumberList(args, "read-noise");
    if (q.noise.size() == 1) q.noise.assign(q.lines.size(), q.noise[0]);
    q.gain = args.Number("gain", 0.0);
    if (args.Has("temperatures")) std::tie(q.t1, q.t2) = NumberPair(args, "temperatures");
    q.steps = args.Integer("steps", q.steps);
    q.jobs = args.Integer("jobs", 0);
    if (args.Has("pixel-size")) {
        std::string text = args.Get("pixel-size"), unit;
        if (const std::size_t colon = text.find(':'); colon != std::string::npos)
            unit = Trim(text.substr(colon + 1)), text.resize(colon);
        if (!IsNumeric(text) || !(Val(text) > 0.0))
            throw std::invalid_argument("option --pixel-size: \"" + text + "\" is not a size above 0");
        for (experiment::SpectrumFrame& f : q.images) {
            f.axis.resize(static_cast<std::size_t>(f.columns));
            for (int c = 0; c < f.columns; ++c) f.axis[static_cast<std::size_t>(c)] = c * Val(text);
            for (int r = 0; r < f.rows; ++r) f.positions[static_cast<std::size_t>(r)] = r * Val(text);
            f.axisUnitName = f.positionUnit = unit;
        }
    }
    const fit::LifImageResult r = fit::LifTemperatureImage(q);

    // The lines, their signals at the ends of the curve, and the pixels.
    for (std::size_t k = 0; k < r.lines.size(); ++k) {
        const fit::LifImageLine& l = r.lines[k];
        out << "line " << k + 1 << ": laser at " << Significant(l.laser, 10) << ", "
            << (q.system.multiplet ? MultipletLineLabel(*q.system.multiplet, l.vUp, l.vLow, l.branch, l.N)
                                   : LineLabel(db.cat, l.vUp, l.vLow, l.branch, l.N))
            << " at " << Significant(l.position, 10) << "; " << q.images[k].source << ", read noise "
            << Significant(r.noise[k], 3) << " counts\n";
    }
    if (r.lines.size() >= 2)
        out << "ratio line 1 / line 2: " << Significant(r.lines[0].signal.front() / r.lines[1].signal.front(), 4)
            << " at " << Significant(r.temperatures.front(), 4) << " K, "
            << Significant(r.lines[0].signal.back() / r.lines[1].signal.back(), 4) << " at "
            << Significant(r.temperatures.back(), 4) << " K\n";
    std::vector<float> valid;
    int below = 0, outside = 0, notFinite = 0;
    for (std::size_t i = 0; i < r.mask.size(); ++i) {
        switch (r.mask[i]) {
            case fit::LifPixel::Valid:
                valid.push_back(r.temperature[i]);
                break;
            case fit::LifPixel::BelowThreshold:
                ++below;
                break;
            case fit::LifPixel::OutsideCurve:
                ++outside;
                break;
            case fit::LifPixel::NotFinite:
                ++notFinite;
                break;
        }
    }
    out << r.valid << " of " << r.mask.size() << " pixels with a temperature; " << below << " below the threshold, "
        << outside << " outside " << Significant(q.t1, 6) << ".." << Significant(q.t2, 6) << " K, " << notFinite
        << " not a number\n";
    if (!valid.empty()) {
        std::sort(valid.begin(), valid.end());
        out << "temperature: median " << Significant(valid[valid.size() / 2], 5) << " K, range "
            << Significant(valid.front(), 5) << ".." << Significant(valid.back(), 5) << " K\n";
    }
    for (const std::string& note : r.notes) err << "velmora-cli lif-image: " << note << "\n";

    if (args.Has("out")) fit::WriteLifImageCsv(args.Get("out"), r, r.temperature);
    if (args.Has("uncertainty")) fit::WriteLifImageCsv(args.Get("uncertainty"), r, r.sigma);
    if (args.Has("scale")) fit::WriteLifImageCsv(args.Get("scale"), r, r.scale);
    if (args.Has("mask")) {
        std::vector<float> codes;
        for (fit::LifPixel m : r.mask) codes.push_back(static_cast<float>(m));
        fit::WriteLifImageCsv(args.Get("mask"), r, codes);
    }
    if (args.Has("svg") || args.Has("png")) {
        const display::MapImage m = display::LifTemperatureMap(r, q.system.label);
        if (args.Has("svg")) display::WriteMapSvg(args.Get("svg"), m);
        if (args.Has("png")) display::WriteMapPng(args.Get("png"), m);
    }
    return r.valid > 0 ? 0 : 2;
}

const bool registered = RegisterCommand(
    {"lif-image",
     "lif-image --entry N --images FILE[,FILE...] --lines X1,X2[,...] [options] [simulation options]  a temperature\n"
     "        image from LIF images excited on two or more lines: background, sheet energies, mask and uncertainty;\n"
     "        the lines' signals from the LIF excitation spectrum under the conditions (regime, quenching, laser);\n"
     "        exit 0, or 2 when no pixel has a temperature" +
         OptionsHelp(kLifImageOptions),
     &RunLifImage});

}  // namespace

}  // namespace velmora::cli
