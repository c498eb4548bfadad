#include "database/doublet_conventions.h"

#include <stdexcept>
#include <string>

namespace velmora::database {

bool IsDoubletConvention(int lambda, int convention) {
    switch (lambda) {
        case 0:
            return convention == 0 || convention == 1;
        case 1:
            return convention >= 0 && convention <= 3;
        case 2:
            return true;
        default:
            return false;
    }
}

ElectronicState DoubletElectronicState(int lambda, bool sigmaMinus, int convention, bool caseALabelling) {
    if (!IsDoubletConvention(lambda, convention))
        throw std::invalid_argument("no doublet term convention " + std::to_string(convention) +
                                    " for Λ = " + std::to_string(lambda));
    ElectronicState st;
    st.lambda = lambda;
    st.twoS = 1;
    st.sigmaMinus = lambda == 0 && sigmaMinus;
    st.labelling = caseALabelling && lambda > 0 ? LevelLabelling::caseA : LevelLabelling::caseB;
    HamiltonianForm& form = st.form;
    if (lambda == 0 && convention == 0) {
        form.sigmaF2DistortionReversed = true;
        st.labelling = LevelLabelling::byEnergyPerJ;
    } else if (lambda == 1 && (convention == 0 || convention == 2)) {
        form.spinOrbitHExtra = 1.0;
    } else if (lambda == 1) {
        form.rotationInR2 = true;
        form.spinOrbitHExtra = 0.5;
        form.spinRotationInJ = true;
        form.piOmegaHalfShift = true;
        form.lambdaDoublingInJ = convention == 1;
    } else if (lambda == 2) {
        form.deltaDoubling = true;
    }
    return st;
}

StateConstants DoubletLevelConstants(const std::array<double, 18>& k, int lambda, int convention) {
    StateConstants c;
    c.T = k[0], c.B = k[1], c.D = k[2], c.H = k[3];
    c.gamma = k[9], c.gamma_D = k[10];
    if (lambda == 2) {
        c.A = k[6], c.p = k[12], c.q = k[15];
        return c;
    }
    c.L = (lambda == 0 && convention == 1) || (lambda == 1 && (convention == 1 || convention == 3)) ? k[4] : -k[4];
    c.gamma_H = k[11];
    if (lambda == 0) {
        c.M = k[5];
        return c;
    }
    c.A = k[6], c.A_D = k[7], c.A_H = k[8];
    c.p = k[12], c.p_D = k[13], c.p_H = k[14];
    c.q = k[15], c.q_D = k[16], c.q_H = k[17];
    return c;
}

}  // namespace velmora::database
