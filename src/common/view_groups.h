// What an event changed, as the groups of controls the view must show again. A control event
// returns the groups it changed; the shell refreshes those and leaves the other controls alone.
#pragma once

#include <cstdint>

namespace velmora {

/// One group of the main window's controls, or one of its windows.
enum class ViewGroup : std::uint32_t {
    Range = 1u << 0,         ///< range boxes, axis unit, kind and the unit captions
    Conditions = 1u << 1,    ///< temperature, thermal switch, pressure and its unit
    Instrument = 1u << 2,    ///< lineshape, resolution, point density, convolved functions
    Broadening = 1u << 3,    ///< broadening and shift switches, coefficients and width captions
    Absorption = 1u << 4,    ///< absolute absorption unit and column of absorbers
    Lif = 1u << 5,           ///< LIF regime, laser, gate, spectral window, filter, yield mode
    Quenching = 1u << 6,     ///< quenching source, rate, gas composition and caption
    Database = 1u << 7,      ///< database tab and the table window
    Experiment = 1u << 8,    ///< experimental spectra, corrections and comparison labels
    Display = 1u << 9,       ///< zoom, display mode, legend, colours and assignment marks
    Populations = 1u << 10,  ///< the populations window and its histograms
    Windows = 1u << 11,      ///< screen view and the child windows' titles
};

/// A set of view groups.
class ViewGroups {
public:
    constexpr ViewGroups() = default;
    constexpr ViewGroups(ViewGroup g) : bits_(static_cast<std::uint32_t>(g)) {}

    /// Every group: what a change of the whole document (settings restored, a fit applied) asks.
    static constexpr ViewGroups All() {
        ViewGroups all;
        all.bits_ = (static_cast<std::uint32_t>(ViewGroup::Windows) << 1) - 1;
        return all;
    }

    constexpr bool Has(ViewGroup g) const { return (bits_ & static_cast<std::uint32_t>(g)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr ViewGroups& operator|=(ViewGroups other) {
        bits_ |= other.bits_;
        return *this;
    }
    friend constexpr ViewGroups operator|(ViewGroups a, ViewGroups b) { return a |= b; }
    friend constexpr bool operator==(ViewGroups, ViewGroups) = default;

private:
    std::uint32_t bits_ = 0;
};

constexpr ViewGroups operator|(ViewGroup a, ViewGroup b) { return ViewGroups(a) | ViewGroups(b); }

}  // namespace velmora
