// The rules that follow from the kind of a state: e/f labels of Σ levels of any multiplicity and
// nuclear-spin weights of homonuclear molecules, against the tables of the N2 and C2 data READMEs.
// (The lower parity blocks and F labels of every shipped state: datagen/physics_from_data_test.)
#include "database/state_description.h"

#include <gtest/gtest.h>

namespace velmora::database {
namespace {

constexpr bool kPlus = false, kMinus = true;

StateDescription Sigma(int twoS, bool minus, Inversion i = Inversion::None) {
    StateDescription s;
    s.twoS = twoS, s.sigmaMinus = minus, s.inversion = i;
    return s;
}

StateDescription Lambda(int lambda, int twoS, Inversion i) {
    StateDescription s;
    s.lambda = lambda, s.twoS = twoS, s.inversion = i;
    return s;
}

TEST(StateDescription, SigmaLevelsTakeTheirEfLabelFromNAndTheReflectionSymmetry) {
    // Total parity ±(−1)^N; e is +(−1)^(J − 1/2) for half-integer J, +(−1)^J for integer J.
    struct Case {
        const char* state;
        StateDescription s;
        int N, twoJ;
        bool e;
    };
    const StateDescription s1p = Sigma(0, kPlus), s1m = Sigma(0, kMinus);
    const StateDescription s2p = Sigma(1, kPlus), s2m = Sigma(1, kMinus);
    const StateDescription s3p = Sigma(2, kPlus), s3m = Sigma(2, kMinus);
    const Case cases[] = {
        {"1Sigma+ J = N", s1p, 4, 8, true},
        {"1Sigma- J = N", s1m, 3, 6, false},
        {"2Sigma+ F1", s2p, 5, 11, true},
        {"2Sigma+ F2", s2p, 5, 9, false},
        {"2Sigma- F1", s2m, 2, 5, false},
        {"2Sigma- F2", s2m, 2, 3, true},
        {"3Sigma+ F1 J = N + 1", s3p, 4, 10, false},
        {"3Sigma+ F2 J = N", s3p, 4, 8, true},
        {"3Sigma+ F3 J = N - 1", s3p, 4, 6, false},
        {"3Sigma- F2", s3m, 7, 14, false},
        {"3Sigma- F1", s3m, 7, 16, true},
    };
    for (const Case& c : cases) EXPECT_EQ(SigmaLevelIsE(c.s, c.N, c.twoJ), c.e) << c.state;
}

TEST(StateDescription, NuclearSpinWeightsFollowParityAndInversionAsTheDataReadmesTabulate) {
    const NuclearSpin n14{true, 6.0, 3.0};  // 14N2, I = 1
    const NuclearSpin c12{true, 1.0, 0.0};  // 12C2, I = 0: antisymmetric levels absent
    const NuclearSpin n2plus{true, 1.5, 0.75};
    const StateDescription C3Pu = Lambda(1, 2, Inversion::Ungerade), B3Pg = Lambda(1, 2, Inversion::Gerade);
    const StateDescription X1Sg = Sigma(0, kPlus, Inversion::Gerade);
    const StateDescription A3Su = Sigma(2, kPlus, Inversion::Ungerade);
    const StateDescription d3Pg = B3Pg, a3Pu = C3Pu;
    const StateDescription B2Su = Sigma(1, kPlus, Inversion::Ungerade);
    const StateDescription X2Sg = Sigma(1, kPlus, Inversion::Gerade);
    struct Case {
        const char* level;
        NuclearSpin spin;
        StateDescription s;
        int N, twoJ;
        bool e;
        double weight;
    };
    const Case cases[] = {
        // N2_CB README: C 3Πu e J even a, e J odd s, f J even s, f J odd a; B 3Πg the reverse.
        {"N2 C e J=4", n14, C3Pu, 0, 8, true, 3.0},
        {"N2 C e J=5", n14, C3Pu, 0, 10, true, 6.0},
        {"N2 C f J=4", n14, C3Pu, 0, 8, false, 6.0},
        {"N2 C f J=5", n14, C3Pu, 0, 10, false, 3.0},
        {"N2 B e J=4", n14, B3Pg, 0, 8, true, 6.0},
        {"N2 B f J=4", n14, B3Pg, 0, 8, false, 3.0},
        // X 1Σg+: J even 6, J odd 3; A 3Σu+: N even 3, N odd 6 (any J of the N).
        {"N2 X J=2", n14, X1Sg, 2, 4, true, 6.0},
        {"N2 X J=3", n14, X1Sg, 3, 6, false, 3.0},
        {"N2 A N=2 F1", n14, A3Su, 2, 6, false, 3.0},
        {"N2 A N=3 F3", n14, A3Su, 3, 4, false, 6.0},
        // C2_DA README: d 3Πg only e with J even and f with J odd; a 3Πu only e odd, f even.
        {"C2 d e J=2", c12, d3Pg, 0, 4, true, 1.0},
        {"C2 d e J=3", c12, d3Pg, 0, 6, true, 0.0},
        {"C2 d f J=3", c12, d3Pg, 0, 6, false, 1.0},
        {"C2 a e J=3", c12, a3Pu, 0, 6, true, 1.0},
        {"C2 a f J=3", c12, a3Pu, 0, 6, false, 0.0},
        // N2+ B 2Σu+: odd N heavier; X 2Σg+: even N heavier (the weights of the catalogue).
        {"N2+ B N=3 F2", n2plus, B2Su, 3, 5, false, 1.5},
        {"N2+ B N=4 F1", n2plus, B2Su, 4, 9, true, 0.75},
        {"N2+ X N=4 F1", n2plus, X2Sg, 4, 9, true, 1.5},
        {"heteronuclear", NuclearSpin{}, X2Sg, 3, 7, true, 1.0},
    };
    for (const Case& c : cases) EXPECT_EQ(NuclearSpinWeight(c.spin, c.s, c.N, c.twoJ, c.e), c.weight) << c.level;
}

}  // namespace
}  // namespace velmora::database
