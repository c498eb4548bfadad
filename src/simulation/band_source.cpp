#include "common/errors.h"
#include "simulation/intensities.h"

namespace velmora::simulation {

BandLoader DatabaseBandLoader() {
    return [](DatabaseState&, int, int, int) { throw FileError("the band loader of the database is not available"); };
}

}  // namespace velmora::simulation
