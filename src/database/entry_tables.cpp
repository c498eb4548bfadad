#include "database/entry_tables.h"

// Catalogue order of the shipped database (data/VELMORA.SYS, built from data-src/catalogue.cfg):
//
//   entry  system          upper      lower    (l1, l2)   lower-component exception
//     1    OH   A - X      2Sigma+    2Pi      (1, 2)     yes
//     2    OD   A - X      2Sigma+    2Pi      (1, 2)     yes
//     3    NO   A - X      2Sigma+    2Pi      (1, 2)     yes
//     4    NO   B - X      2Pi        2Pi      by set     yes
//     5    NO   D - X      2Sigma+    2Pi      (1, 2)     yes
//     6    CH   A - X      2Delta     2Pi      by set     yes
//     7    CH   B - X      2Sigma-    2Pi      (2, 1)     no
//     8    CH   C - X      2Sigma+    2Pi      (1, 2)     yes
//     9    CN   B - X      2Sigma+    2Sigma+  (1, 1)     no (lower state not 2Pi)
//    10    N2+  B - X      2Sigma+    2Sigma+  (1, 1)     no (lower state not 2Pi)
//    11    CO+  B - X      2Sigma+    2Sigma+  (1, 1)     no (lower state not 2Pi)
//    12    CO+  A - X      2Pi        2Sigma+  by set     no (lower state not 2Pi)
//    13    SiH  A - X      2Delta     2Pi      by set     yes
//    14    SH   A - X      2Sigma+    2Pi      (1, 2)     yes
//
// Why these values. Parity block p = 1 holds the e levels of our data, p = 2 the f levels.
// Electric-dipole lines join e with e when J changes by one and e with f when J is unchanged.
// In a 2Sigma+ state the F1 levels (J = N + 1/2) are e and the F2 levels f; in a 2Sigma- state
// (CH B) it is the other way round. Branch 1 (P1) reaches the upper F1 level from lower block l1
// with dJ = -1, so l1 must have the parity label of the upper F1 levels: e (1) under 2Sigma+,
// f (2) under 2Sigma-; branch 3 (Q1, dJ = 0) uses l2, the other block. Hence (1, 2) for 2Sigma+
// over 2Pi and (2, 1) for 2Sigma- over 2Pi. A 2Sigma lower state has the same energies in both
// blocks, and (1, 1) keeps every branch on the block the term routine fills first. With a 2Pi
// or 2Delta upper state the blocks follow the branch set (l1 = set) and the table is not used.
//
// The exception replaces the lower population components of branches 1..12 by 1, 2, 3, 4, 1, 2,
// 4, 4, 2, 1, 3, 3 (components 1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e). That is exactly the lower level
// each branch reaches when l1 = 1 and l2 = 2 (P1 from F1 e, P2 from F2 f, Q1 from F1 f, ...): it
// holds for every 2Sigma+ - 2Pi entry and for the first branch set of 2Pi - 2Pi and 2Delta - 2Pi
// entries. For CH B - X (l1 = 2) it would pick the wrong parity for every branch, so that entry
// keeps the default components.

namespace velmora::database {

LowerParity LowerParityIndices(int entry) {
    switch (entry) {
        case 1:
        case 2:
        case 3:
        case 5:
        case 8:
        case 14:
            return {1, 2};
        case 9:
        case 10:
        case 11:
            return {1, 1};
        default:
            return {2, 1};
    }
}

bool UsesLowerComponentException(int entry) {
    switch (entry) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 8:
        case 13:
        case 14:
            return true;
        default:
            return false;
    }
}

// CH B (entry 7) is the one 2Sigma- upper state, whence its lower parity indices (2, 1).
bool UpperStateIsSigmaMinus(int entry) { return entry == 7; }

// Every 2Sigma lower state of the catalogue (CN X, N2+ X, CO+ X) is 2Sigma+.
bool LowerStateIsSigmaMinus(int) { return false; }

}  // namespace velmora::database
