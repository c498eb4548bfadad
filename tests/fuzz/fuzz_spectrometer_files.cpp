// Fuzz target: the readers of spectrometer file layouts and the recognition of the layout. The
// first byte chooses the reader (its value modulo 5: 0 and 1 the column table, 2 JCAMP-DX, 3 Andor ASCII, 4 SPE 3.0;
// and, for the column table, the intensity column); the rest is the file. A reader may refuse the input with
// SpectrumReadError, never crash; what it reads must store into the experiment arrays.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "experiment/andor_ascii.h"
#include "experiment/column_table.h"
#include "experiment/jcamp_dx.h"
#include "experiment/spe3.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "state/app_state.h"

namespace {

using namespace velmora;

void Store(const experiment::SpectrumPoints& points) {
    ExperimentState exp;
    experiment::InitExperimentArrays(exp);
    const int n = experiment::StoreSpectrumPoints(exp, points, points.unit == experiment::DeclaredXUnit::None);
    if (n < 0 || n > static_cast<int>(points.x.size())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned choice = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    experiment::DetectSpectrumFormat(text, (choice & 1) != 0 ? ".csv" : ".txt");
    try {
        switch (choice % 5) {
            case 4: {
                experiment::SpeInfo info;
                Store(experiment::ReadSpe3(text, static_cast<int>((choice >> 3) % 3), info));
                break;
            }
            case 3: {
                experiment::AndorFrames frames;
                Store(experiment::ReadAndorAscii(text, static_cast<int>((choice >> 2) % 4), frames));
                break;
            }
            case 2: {
                experiment::JcampInfo info;
                Store(experiment::ReadJcampDx(text, info));
                break;
            }
            default: {
                experiment::TableColumns used;
                Store(experiment::ReadColumnTable(text, static_cast<int>((choice >> 1) % 5), used));
                break;
            }
        }
    } catch (const experiment::SpectrumReadError&) {
    }
    return 0;
}
