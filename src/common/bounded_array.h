// Arrays with explicit lower bounds, so that LineData(q, b, N) reads as written.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace velmora {

/// A dense array of rank R whose every dimension has its own lower and upper bound (inclusive).
/// Indices are checked when VELMORA_CHECK_BOUNDS is defined (debug and sanitizer builds).
template <typename T, int R>
class BoundedArray {
public:
    BoundedArray() {
        lo_.fill(0);
        extent_.fill(0);
    }

    /// Sizes the array; bounds are given as lo0, hi0, lo1, hi1, ... All elements become T{}.
    template <typename... Bounds>
    void Resize(Bounds... bounds) {
        static_assert(sizeof...(Bounds) == 2 * R, "two bounds per dimension");
        const int b[] = {static_cast<int>(bounds)...};
        std::size_t total = 1;
        for (int d = 0; d < R; ++d) {
            lo_[d] = b[2 * d];
            extent_[d] = b[2 * d + 1] >= b[2 * d] ? b[2 * d + 1] - b[2 * d] + 1 : 0;
            total *= static_cast<std::size_t>(extent_[d]);
        }
        data_.assign(total, T{});
    }

    /// Sets every element to v.
    void Fill(const T& v) { data_.assign(data_.size(), v); }

    int Lo(int d = 0) const { return lo_[d]; }
    int Hi(int d = 0) const { return lo_[d] + extent_[d] - 1; }
    bool Empty() const { return data_.empty(); }
    std::size_t Size() const { return data_.size(); }

    /// True when the indices lie inside the bounds.
    template <typename... Idx>
    bool Contains(Idx... idx) const {
        const int i[] = {static_cast<int>(idx)...};
        for (int d = 0; d < R; ++d)
            if (i[d] < lo_[d] || i[d] >= lo_[d] + extent_[d]) return false;
        return true;
    }

    /// The element at the indices, or T{} (0, an empty text) when they lie outside the bounds:
    /// a table that does not hold an entry reads as empty.
    template <typename... Idx>
    T ValueAt(Idx... idx) const {
        return Contains(idx...) ? (*this)(idx...) : T{};
    }

    template <typename... Idx>
    T& operator()(Idx... idx) {
        static_assert(sizeof...(Idx) == R, "one index per dimension");
        return data_[Offset({static_cast<int>(idx)...})];
    }
    template <typename... Idx>
    const T& operator()(Idx... idx) const {
        static_assert(sizeof...(Idx) == R, "one index per dimension");
        return data_[Offset({static_cast<int>(idx)...})];
    }

    T* Data() { return data_.data(); }
    const T* Data() const { return data_.data(); }
    auto begin() { return data_.begin(); }
    auto end() { return data_.end(); }
    auto begin() const { return data_.begin(); }
    auto end() const { return data_.end(); }

    /// Grows (or shrinks) the last dimension of a rank-1 array to a new upper bound, keeping contents.
    void ResizePreserve(int newHi) {
        static_assert(R == 1, "only for rank-1 arrays");
        extent_[0] = newHi >= lo_[0] ? newHi - lo_[0] + 1 : 0;
        data_.resize(static_cast<std::size_t>(extent_[0]), T{});
    }

private:
    std::size_t Offset(const std::array<int, R>& idx) const {
        std::size_t off = 0;
        for (int d = 0; d < R; ++d) {
            const int rel = idx[d] - lo_[d];
#ifdef VELMORA_CHECK_BOUNDS
            if (rel < 0 || rel >= extent_[d]) {
                std::fprintf(stderr, "BoundedArray: index %d of dimension %d outside %d..%d\n", idx[d], d, lo_[d],
                             lo_[d] + extent_[d] - 1);
                std::abort();
            }
#endif
            off = off * static_cast<std::size_t>(extent_[d]) + static_cast<std::size_t>(rel);
        }
        return off;
    }

    std::array<int, R> lo_;
    std::array<int, R> extent_;
    std::vector<T> data_;
};

/// True when every element is a finite number (no NaN, no infinity).
template <typename T, int R>
bool AllFinite(const BoundedArray<T, R>& a) {
    for (const T& v : a)
        if (!std::isfinite(v)) return false;
    return true;
}

template <typename T>
using Array1 = BoundedArray<T, 1>;
template <typename T>
using Array2 = BoundedArray<T, 2>;
template <typename T>
using Array3 = BoundedArray<T, 3>;

}  // namespace velmora
