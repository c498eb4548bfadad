// Fuzz target: the line-list readers (a HITRAN .par file; an ExoMol set of .def, .states and
// .trans files). The first byte chooses the format (even: HITRAN, odd: ExoMol); for ExoMol the
// rest is split at the first two form feeds into the .def, .states and .trans files. A reader may
// refuse the files with FileError, never crash; what it accepts must be a consistent line set:
// finite positions and A values, levels in range, lines sorted by wavenumber, a finite positive
// partition function and finite lifetimes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "database/line_list_import.h"
#include "fuzz_files.h"

namespace {

using namespace velmora;

void CheckList(const database::ImportedLineList& list) {
    double last = -1e300;
    for (const database::ListedLine& line : list.lines) {
        fuzz::Check(std::isfinite(line.nu) && std::isfinite(line.lowerEnergy) && std::isfinite(line.A));
        fuzz::Check(line.nu >= last);
        last = line.nu;
        fuzz::Check(line.upper < list.levels.size() && line.lower < list.levels.size());
    }
    if (!list.lines.empty())
        for (const double T : {296.0, 3000.0}) {
            const double q = list.PartitionFunction(T);
            fuzz::Check(std::isfinite(q) && q > 0.0);
        }
    for (const double tau : database::LevelLifetimes(list)) fuzz::Check(!std::isnan(tau) && tau >= 0.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string folder = fuzz::Folder();
    try {
        if (data[0] % 2 == 0) {
            fuzz::WriteFile(folder + "/list.par", rest);
            CheckList(database::ReadLineList(folder + "/list.par"));
        } else {
            const std::size_t a = std::min(rest.find('\f'), rest.size());
            const std::size_t b = a < rest.size() ? std::min(rest.find('\f', a + 1), rest.size()) : rest.size();
            fuzz::WriteFile(folder + "/X__F.def", rest.substr(0, a));
            fuzz::WriteFile(folder + "/X__F.states", a < rest.size() ? rest.substr(a + 1, b - a - 1) : "");
            fuzz::WriteFile(folder + "/X__F.trans", b < rest.size() ? rest.substr(b + 1) : "");
            CheckList(database::ReadLineList(folder + "/X__F.def"));
        }
    } catch (const FileError&) {
    }
    return 0;
}
