#include "fit/uncertainties.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::fit {

Covariance CovarianceFromJacobian(const std::vector<double>& jacobian, int n, int nf, double scale,
                                  const std::vector<std::string>& names, double tolerance) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Covariance out;
    out.matrix.assign(static_cast<std::size_t>(nf) * static_cast<std::size_t>(nf), 0.0);
    Eigen::MatrixXd J = Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
        jacobian.data(), n, nf);
    Eigen::VectorXd norms = J.colwise().norm();
    std::vector<bool> left(static_cast<std::size_t>(nf), true);
    for (int j = 0; j < nf; ++j)
        if (!(norms(j) > 0.0) || !std::isfinite(norms(j))) {
            left[static_cast<std::size_t>(j)] = false;
            out.undetermined.push_back(j);
            out.reasons.emplace_back();
        }
    // Flat directions among the remaining columns, one parameter removed for each, until the
    // rest is well conditioned.
    for (;;) {
        std::vector<int> keep;
        for (int j = 0; j < nf; ++j)
            if (left[static_cast<std::size_t>(j)]) keep.push_back(j);
        if (keep.empty()) break;
        Eigen::MatrixXd A(n, static_cast<Eigen::Index>(keep.size()));
        for (std::size_t k = 0; k < keep.size(); ++k)
            A.col(static_cast<Eigen::Index>(k)) = J.col(keep[k]) / norms(keep[k]);
        Eigen::JacobiSVD<Eigen::MatrixXd> svd(A, Eigen::ComputeThinV);
        const Eigen::VectorXd& s = svd.singularValues();
        const Eigen::Index last = s.size() - 1;
        if (s(last) >= tolerance * s(0)) {
            // (AᵀA)⁻¹ = V Σ⁻² Vᵀ, back in the parameters' units.
            const Eigen::MatrixXd V = svd.matrixV();
            const Eigen::MatrixXd C = V * s.cwiseInverse().cwiseAbs2().asDiagonal() * V.transpose();
            for (std::size_t a = 0; a < keep.size(); ++a)
                for (std::size_t b = 0; b < keep.size(); ++b)
                    out.matrix[static_cast<std::size_t>(keep[a] * nf + keep[b])] =
                        scale * C(static_cast<Eigen::Index>(a), static_cast<Eigen::Index>(b)) /
                        (norms(keep[a]) * norms(keep[b]));
            break;
        }
        // The flattest direction: its largest component is the parameter removed.
        const Eigen::VectorXd v = svd.matrixV().col(last);
        Eigen::Index main = 0;
        v.cwiseAbs().maxCoeff(&main);
        std::string with;
        for (Eigen::Index k = 0; k < v.size(); ++k)
            if (k != main && std::fabs(v(k)) > 0.3)
                with += (with.empty() ? "" : ", ") + names[static_cast<std::size_t>(keep[static_cast<std::size_t>(k)])];
        const int removed = keep[static_cast<std::size_t>(main)];
        left[static_cast<std::size_t>(removed)] = false;
        out.undetermined.push_back(removed);
        out.reasons.push_back(with);
    }
    for (int j : out.undetermined)
        for (int k = 0; k < nf; ++k) {
            out.matrix[static_cast<std::size_t>(j * nf + k)] = nan;
            out.matrix[static_cast<std::size_t>(k * nf + j)] = nan;
        }
    return out;
}

std::vector<double> Correlation(const std::vector<double>& covariance, int nf) {
    std::vector<double> r(covariance.size(), std::numeric_limits<double>::quiet_NaN());
    for (int a = 0; a < nf; ++a)
        for (int b = 0; b < nf; ++b) {
            const double va = covariance[static_cast<std::size_t>(a * nf + a)],
                         vb = covariance[static_cast<std::size_t>(b * nf + b)];
            if (va > 0.0 && vb > 0.0)
                r[static_cast<std::size_t>(a * nf + b)] =
                    covariance[static_cast<std::size_t>(a * nf + b)] / std::sqrt(va * vb);
        }
    return r;
}

}  // namespace velmora::fit
