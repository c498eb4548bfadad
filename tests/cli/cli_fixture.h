// A small hand-made database and a runner for the velmora-cli tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "support/sample_database.h"

namespace velmora::cli {

/// Entry 1: a Σ-Σ system "AB" with v' = 0..1, v'' = 0..1; entry 2: the code N2P (shown N2+),
/// Σ upper and Π lower, without data files.
struct CliDatabase {
    testing::SampleDatabase data;
    CliDatabase() {
        testing::SampleEntry a;
        a.code = "AB", a.nmaxVibUp = 1, a.nmaxVibLow = 1, a.rotRows = {6, 5}, a.mass = 13.5;
        a.origin = 30000.0, a.referenceLifetime = 250.0;
        testing::SampleEntry b;
        b.code = "N2P", b.upper = "B", b.lambdaLow = 1, b.nmaxVibUp = 3, b.nmaxVibLow = 2, b.mass = 28.0134;
        b.rotRows = {10, 10, 10, 10};
        data.Catalogue({a, b}, 3, 2, 20);
        data.Descriptions({{"AB", "AB"}, {"N2P", "N2+"}},
                          {{"AB", "A"}, {"AB", "X"}, {"N2P", "B"}, {"N2P", "X", 1, 1, "0", "0", "b"}},
                          {{"AB", "A", "X"}, {"N2P", "B", "X"}});
        data.System(1, {testing::Level(0, 1.8), testing::Level(2000, 1.75)},
                    {testing::Level(0, 2.0), testing::Level(2200, 1.95)},
                    [](int vUp, int vLow) { return vUp == vLow ? 0.8 : 0.2; });
    }
};

/// Entry 1: "AB" A-X, Σ-Σ, v' = 0..1, v'' = 0..1, band (0, 0) near 30000 cm-1 (3333 Å).
struct SimDatabase {
    testing::SampleDatabase data;
    SimDatabase() {
        testing::SampleEntry a;
        a.code = "AB", a.nmaxVibUp = 1, a.nmaxVibLow = 1, a.rotRows = {25, 25}, a.mass = 13.5;
        a.origin = 30000.0, a.referenceLifetime = 250.0;
        data.Catalogue({a}, 1, 1, 30);
        data.System(1, {testing::Level(0, 1.8), testing::Level(2000, 1.75)},
                    {testing::Level(0, 2.0), testing::Level(2200, 1.95)},
                    [](int vUp, int vLow) { return vUp == vLow ? 0.8 : 0.2; });
    }
    std::vector<std::string> Args(std::vector<std::string> extra) const {
        std::vector<std::string> args = {"simulate", "--entry", "1", "--data", data.Folder()};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

struct Result {
    int code;
    std::string out, err;
    std::vector<std::string> lines;
};

inline Result RunCli(std::vector<std::string> args) {
    std::ostringstream out, err;
    Result r;
    r.code = Run(args, out, err);
    r.out = out.str(), r.err = err.str();
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) r.lines.push_back(line);
    return r;
}

}  // namespace velmora::cli
