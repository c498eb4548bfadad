#include "fit/measured_spectrum.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numeric>
#include <optional>
#include <sstream>

#include "common/errors.h"
#include "common/number_format.h"
#include "fit/fit_errors.h"

namespace velmora::fit {

namespace {

/// The fields of one line, split at blanks, tabs, commas and semicolons.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && separator(line[i])) ++i;
        std::size_t j = i;
        while (j < line.size() && !separator(line[j])) ++j;
        if (j > i) {
            std::string_view f = line.substr(i, j - i);
            if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
            fields.push_back(f);
        }
        i = j;
    }
    return fields;
}

/// A field as a number ("nan" and "inf" read as such); nullopt when it is not one.
std::optional<double> Number(std::string_view f) {
    if (!f.empty() && f.front() == '+') f.remove_prefix(1);
    double v = 0.0;
    const auto [end, error] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (end != f.data() + f.size() || f.empty()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return std::copysign(HUGE_VAL, f.front() == '-' ? -1.0 : 1.0);
    if (error != std::errc()) return std::nullopt;
    return v;
}

}  // namespace

MeasuredSpectrum ReadMeasuredSpectrum(const std::string& path, bool wavelengthAxis) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(path, "cannot be opened for reading");
    MeasuredSpectrum s;
    s.source = path;
    std::string line;
    int lineNo = 0, columns = 0;
    bool headingAllowed = true;
    static const char* kNames[] = {"x", "y", "the uncertainty"};
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.find('\0') != std::string::npos)
            throw FitInputError(path + ", line " + std::to_string(lineNo) +
                                ": binary data (the file is not a text file)");
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.empty()) continue;
        const char first = fields[0].front();
        if (first == '#' || first == '%' || first == '!' || (first == ';')) continue;
        std::vector<double> values;
        for (std::size_t k = 0; k < fields.size() && k < 3; ++k) {
            const auto v = Number(fields[k]);
            if (!v) {
                if (headingAllowed && k == 0) break;  // a heading of words
                throw FitInputError(path + ", line " + std::to_string(lineNo) + ": " + kNames[k] + " \"" +
                                    std::string(fields[k]) + "\" is not a number");
            }
            if (!std::isfinite(*v))
                throw FitInputError(path + ", line " + std::to_string(lineNo) + ": " + kNames[k] +
                                    " is not a finite number (" + std::string(fields[k]) + ")");
            values.push_back(*v);
        }
        const bool heading = headingAllowed && values.empty();
        headingAllowed = false;
        if (heading) continue;
        if (values.size() < 2)
            throw FitInputError(path + ", line " + std::to_string(lineNo) +
                                ": one column only (x, y and optionally the uncertainty expected)");
        const int n = static_cast<int>(values.size());
        if (columns == 0) columns = n;
        if (n != columns)
            throw FitInputError(path + ", line " + std::to_string(lineNo) + ": " + std::to_string(n) +
                                " columns where the lines before have " + std::to_string(columns));
        if (n == 3 && !(values[2] > 0.0))
            throw FitInputError(path + ", line " + std::to_string(lineNo) +
                                ": the uncertainty (third column) must be above 0");
        s.x.push_back(values[0]);
        s.y.push_back(values[1]);
        if (n == 3) s.sigma.push_back(values[2]);
    }
    if (in.bad()) throw FileError::In(path, "cannot be read");
    if (s.x.empty()) throw FitInputError(path + ": no point (lines of x, y and optionally the uncertainty expected)");
    // Wavelengths all below 1000 are nm.
    if (wavelengthAxis && *std::max_element(s.x.begin(), s.x.end()) < 1000.0)
        for (double& x : s.x) x *= 10.0;
    CheckMeasuredSpectrum(s);
    return s;
}

void CheckMeasuredSpectrum(MeasuredSpectrum& s) {
    const std::size_t n = s.x.size();
    if (s.y.size() != n || (!s.sigma.empty() && s.sigma.size() != n))
        throw FitInputError(s.source + ": " + std::to_string(n) + " x values, " + std::to_string(s.y.size()) +
                            " y values" +
                            (s.sigma.empty() ? "" : " and " + std::to_string(s.sigma.size()) + " uncertainties"));
    if (n == 0) throw FitInputError(s.source + ": no point");
    for (std::size_t i = 0; i < n; ++i) {
        auto bad = [&](const std::string& what) {
            return FitInputError(s.source + ": point " + std::to_string(i + 1) + " (x = " + Trim(Str(s.x[i])) +
                                 "): " + what);
        };
        if (!std::isfinite(s.x[i]))
            throw FitInputError(s.source + ": point " + std::to_string(i + 1) + ": x is not a finite number");
        if (!std::isfinite(s.y[i])) throw bad("y is not a finite number");
        if (!s.sigma.empty() && !(s.sigma[i] > 0.0 && std::isfinite(s.sigma[i])))
            throw bad("the uncertainty must be a finite number above 0");
    }
    if (!std::is_sorted(s.x.begin(), s.x.end())) {
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return s.x[a] < s.x[b]; });
        auto permute = [&](std::vector<double>& v) {
            if (v.empty()) return;
            std::vector<double> w(n);
            for (std::size_t i = 0; i < n; ++i) w[i] = v[order[i]];
            v.swap(w);
        };
        permute(s.x);
        permute(s.y);
        permute(s.sigma);
    }
    const auto [lo, hi] = std::minmax_element(s.y.begin(), s.y.end());
    if (*lo == *hi)
        throw FitInputError(s.source + ": the spectrum is flat (every y is " + Trim(Str(*lo)) + "): nothing to fit");
}

double EstimateNoise(const std::vector<double>& y) {
    if (y.size() < 5) return 0.0;
    std::vector<double> d;
    d.reserve(y.size() - 4);
    for (std::size_t i = 2; i + 2 < y.size(); ++i) d.push_back(std::fabs(2.0 * y[i] - y[i - 2] - y[i + 2]));
    // The lower quartile of |d|: for Gaussian noise d has σ√6 and its lower quartile lies at
    // σ√6 Φ⁻¹(5/8) = σ√6 × 0.318639. Lines raise |d| where they stand, so the quartile holds
    // while up to three quarters of the points lie on lines (the median of DER_SNR only while half).
    const auto quartile = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 4);
    std::nth_element(d.begin(), quartile, d.end());
    return *quartile / (std::sqrt(6.0) * 0.318639);
}

}  // namespace velmora::fit
