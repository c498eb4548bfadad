// Fuzz target: the descriptions of molecules, states and band systems (STATES.SYS) beside a good
// two-entry catalogue. The input is the descriptions file; what is accepted must agree with the
// catalogue (Λ of every state, homonuclear entries with g/u states) and load the first band.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/state_descriptions.h"
#include "fuzz_files.h"
#include "support/sample_database.h"

namespace {

/// The catalogue, written once: "N2P" B-X (Σ-Σ, nuclear-spin flag) and "XY" A-X (Σ-Π).
const std::string& CatalogueFolder() {
    static const std::string folder = [] {
        const std::string root = velmora::fuzz::Folder() + "/";
        velmora::testing::SampleEntry n2p, xy;
        n2p.code = "N2P", n2p.upper = "B", n2p.nuclearSpin = 1, n2p.rotRows = {6};
        xy.code = "XY", xy.lambdaLow = 1, xy.rotRows = {6};
        velmora::fuzz::WriteFile(root + "VELMORA.SYS", velmora::testing::CatalogueText({n2p, xy}, 0, 0, 10));
        for (const auto& [file, constants] :
             {std::pair{"N2P/N2PB.SPC", "1, 1\r\n0, 2.07\r\n"}, std::pair{"N2P/N2PX.SPC", "1, 1\r\n0, 1.92\r\n"}})
            velmora::fuzz::WriteFile(root + file, constants);
        velmora::fuzz::WriteFile(root + "N2P/BX/N2PBX00.INT",
                                 "1 1 1 1 1\r\n1 1 1 1 1\r\n1 1 1 1 1\r\n1 1 1 1 1\r\n"
                                 "1 1 1 1 1\r\n1 1 1 1 1\r\n1 1 1 1 1\r\n");
        return root;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string& folder = CatalogueFolder();
    fuzz::WriteFile(folder + database::kStateDescriptionsFile,
                    std::string_view(reinterpret_cast<const char*>(data), size));
    DatabaseState db;
    database::SetAppPath(db, folder);
    try {
        database::LoadCatalogue(db);
    } catch (const FileError&) {
        return 0;  // refused with a message naming the file
    }
    for (int i = 1; i <= db.cat.CatalogueCount; ++i) {
        const SystemDescription d = database::DescriptionOf(db.cat, i);
        fuzz::Check(d.upper.lambda == db.cat.StateLambda(1, i) && d.lower.lambda == db.cat.StateLambda(2, i));
        fuzz::Check(d.molecule.nuclearSpin.homonuclear == (d.upper.inversion != Inversion::None));
    }
    try {
        database::LoadBand(db, 0, 0, 1);
    } catch (const FileError&) {
    }
    return 0;
}
