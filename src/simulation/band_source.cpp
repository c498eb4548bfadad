#include "database/band_loader.h"
#include "simulation/intensities.h"

namespace velmora::simulation {

BandLoader DatabaseBandLoader() {
    return [](DatabaseState& db, int vUp, int vLow, int entry) {
        if (!database::IsBandLoaded(db, vUp, vLow, entry)) database::LoadBand(db, vUp, vLow, entry);
    };
}

}  // namespace velmora::simulation
