#include "database/entry_tables.h"

namespace velmora::database {

LowerParity LowerParityIndices(int entry) {
    switch (entry) {
        case 1: case 2: case 3: case 6: case 9: case 11: case 14:
            return {1, 2};
        case 15: case 16:
            return {1, 1};
        default:
            return {2, 1};
    }
}

bool UsesLowerComponentException(int entry) {
    switch (entry) {
        case 1: case 2: case 3: case 5: case 7: case 8: case 11: case 16:
            return true;
        default:
            return false;
    }
}

bool LowerStateIsSigmaMinus(int) { return false; }

}  // namespace velmora::database
