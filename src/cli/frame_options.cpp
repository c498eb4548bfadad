#include "cli/frame_options.h"

#include <stdexcept>

#include "common/number_format.h"

namespace velmora::cli {

namespace {

const OptionHelp kFrameOptions[] = {
    {"frame", "FILE  the frame: FITS, TIFF, SPE 3.0 (.spe), Andor ASCII (.asc) or matrix CSV, required"},
    {"image", "N  image of a stack or frame of a series, 1-based (default 1; 0 sums them)"},
    {"axis", "FILE  the x of every column, one per line (replaces the file's calibration)"},
    {"dark", "FILE  dark frame subtracted (one row, or one per row)"},
    {"response", "FILE  response (flat field) divided out, scaled to a mean of 1 (one row, or one per row)"},
    {"rows", "A:B  rows fitted, 1-based as the file holds them (default all)"},
    {"bin", "N  rows averaged into one (default 1)"},
    {"positions", "FIRST:STEP[:UNIT]  position of the file's row r as FIRST + r STEP (default the file's)"},
    {"abel", "  (flag) Abel-invert the side-on frame: the rows become radii"},
    {"centre", "Y  position of the axis for --abel (default: found from the symmetry of the rows)"},
    {"halves", "average|lower|upper|both  the halves of the frame for --abel (default average)"},
    {"regularisation", "L  Tikhonov strength of the inversion, 0 plain onion peeling (default 0)"},
    {"block",
     "N  rows per block: each block's first row starts from the options, the others from the row before "
     "(default 16)"},
};

}  // namespace

const std::vector<std::string>& FrameOptionNames() {
    static const std::vector<std::string> names = OptionNames(kFrameOptions);
    return names;
}

std::string FrameOptionsHelp() { return OptionsHelp(kFrameOptions); }

std::vector<std::string> NameList(const Args& args, const std::string& name) {
    std::vector<std::string> out;
    std::string part;
    for (char ch : args.Get(name) + ",") {
        if (ch != ',') {
            part += ch;
            continue;
        }
        if (!Trim(part).empty()) out.push_back(Trim(part));
        part.clear();
    }
    return out;
}

std::vector<double> NumberList(const Args& args, const std::string& name) {
    std::vector<double> out;
    for (const std::string& item : NameList(args, name)) {
        if (!IsNumeric(item)) throw std::invalid_argument("option --" + name + ": \"" + item + "\" is not a number");
        out.push_back(Val(item));
    }
    return out;
}

fit::FramePreparation FramePreparationFromOptions(const Args& args) {
    fit::FramePreparation how;
    if (!args.Has("frame")) throw std::invalid_argument("option --frame FILE is required");
    how.frame = args.Get("frame");
    how.image = args.Integer("image", 1);
    if (how.image < 0) throw std::invalid_argument("option --image takes 0 (the sum) or an image from 1");
    how.axisFile = args.Get("axis");
    how.dark = args.Get("dark");
    how.response = args.Get("response");
    if (args.Has("rows")) {
        const auto [a, b] = NumberPair(args, "rows");
        if (a != static_cast<int>(a) || b != static_cast<int>(b) || a < 1 || b < a)
            throw std::invalid_argument("option --rows takes whole rows A:B from 1, A <= B");
        how.firstRow = static_cast<int>(a), how.lastRow = static_cast<int>(b);
    }
    how.bin = args.Integer("bin", 1);
    if (how.bin < 1) throw std::invalid_argument("option --bin takes 1 or more rows");
    if (args.Has("positions")) {
        std::string text = args.Get("positions");
        const std::size_t second = text.find(':', text.find(':') + 1);
        if (second != std::string::npos) how.positionUnit = Trim(text.substr(second + 1)), text.resize(second);
        Args pair({"--positions", text}, {});
        std::tie(how.positionFirst, how.positionStep) = NumberPair(pair, "positions");
        if (how.positionStep == 0.0) throw std::invalid_argument("option --positions: the step must not be 0");
        how.positionsGiven = true;
    }
    how.abel = args.Has("abel");
    for (const char* option : {"centre", "halves", "regularisation"})
        if (args.Has(option) && !how.abel)
            throw std::invalid_argument(std::string("option --") + option + " goes with --abel");
    if (args.Has("centre")) {
        how.abelOptions.findCentre = false;
        how.abelOptions.centre = args.Number("centre", 0.0);
    }
    if (args.Has("halves"))
        how.abelOptions.halves =
            static_cast<experiment::AbelHalves>(ChoiceOption(args, "halves", {"average", "lower", "upper", "both"}, 0));
    how.abelOptions.regularisation = args.Number("regularisation", 0.0);
    if (!(how.abelOptions.regularisation >= 0.0))
        throw std::invalid_argument("option --regularisation takes 0 or more");
    return how;
}

}  // namespace velmora::cli
