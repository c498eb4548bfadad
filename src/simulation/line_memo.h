// Per-line values that are a pure function of per-line inputs and a few constants, kept per
// thread from one simulation to the next. A fit's evaluations and a batch's spectra draw the same
// lines again and again (only populations, widths or scale change), and find the axis positions
// and half windows of their lines here instead of working them out anew. An entry is used only
// when its constants and every line's inputs equal the call's bit for bit, so what it gives is
// exactly what the computation would give.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::simulation {

/// The bits of a value, for comparisons that tell -0 from 0 and find NaN equal to itself.
template <class T>
auto BitsOf(T value) {
    if constexpr (sizeof(T) == 8)
        return std::bit_cast<std::uint64_t>(value);
    else
        return std::bit_cast<std::uint32_t>(value);
}

/// The bits in which two inputs of integers differ; zero when they are the same.
inline std::uint64_t DifferingBits(std::uint32_t a, std::uint32_t b) { return a ^ b; }
inline std::uint64_t DifferingBits(std::uint64_t a, std::uint64_t b) { return a ^ b; }

/// Values of up to kEntries line sets under keys (compared with ==), each set's inputs kept to be
/// compared with the next call's (DifferingBits(a, b) is zero for the same inputs). At most
/// kMaxLines lines are kept in all (some 12 to 24 MB a thread): the least recently used sets
/// make room.
template <class Key, class Input, class Value, std::size_t kEntries>
class LineMemo {
public:
    static constexpr std::size_t kMaxLines = std::size_t{1} << 20;

    /// Whether an entry holds `count` lines under `key` with inputs input(i). While the inputs
    /// are compared, use(i, value) is called with each line's kept value, in one pass: what it
    /// made of them counts only when the answer is true.
    template <class InputOf, class Use>
    bool Find(const Key& key, std::size_t count, InputOf input, Use use) {
        // Line sets come in the same order call after call: the search starts after the last hit.
        for (std::size_t probe = 0; probe < entries_.size(); ++probe) {
            const std::size_t at = (next_ + probe) % entries_.size();
            Entry& e = entries_[at];
            if (e.used == 0 || e.count != count || !(e.key == key)) continue;
            // The bits that differ, gathered over all lines: no branch per line.
            std::uint64_t differ = 0;
            const Input* inputs = e.inputs.data();
            const Value* values = e.values.data();
            for (std::size_t i = 0; i < count; ++i) {
                differ |= DifferingBits(inputs[i], input(i));
                use(i, values[i]);
            }
            if (differ != 0) continue;
            next_ = at + 1;
            e.used = ++clock_;
            return true;
        }
        return false;
    }

    /// Keeps values[0..count) of lines with inputs input(i) under `key`.
    template <class InputOf>
    void Keep(const Key& key, std::size_t count, InputOf input, const Value* values) {
        Entry& e = MakeRoom(count);
        e.key = key;
        e.count = count;
        e.inputs.resize(count);
        for (std::size_t i = 0; i < count; ++i) e.inputs[i] = input(i);
        e.values.assign(values, values + count);
        e.used = ++clock_;
        kept_ += count;
    }

    /// Lines kept in all.
    std::size_t KeptLines() const { return kept_; }

private:
    struct Entry {
        Key key{};
        std::size_t count = 0;
        std::vector<Input> inputs;
        std::vector<Value> values;
        std::uint64_t used = 0;  ///< 0 for an empty entry
    };

    /// An entry emptied for a set of `count` lines, the least recently used ones emptied until
    /// the kept lines stay within kMaxLines.
    Entry& MakeRoom(std::size_t count) {
        if (entries_.size() < kEntries) entries_.emplace_back();
        Entry* slot = &entries_.back();
        if (slot->used != 0) slot = &Oldest();
        Empty(*slot);
        while (kept_ + count > kMaxLines && kept_ > 0) Empty(Oldest());
        return *slot;
    }
    Entry& Oldest() {
        Entry* oldest = nullptr;
        for (Entry& e : entries_)
            if (e.used != 0 && (!oldest || e.used < oldest->used)) oldest = &e;
        return oldest ? *oldest : entries_.front();
    }
    void Empty(Entry& e) {
        kept_ -= e.count;
        e.count = 0;
        e.used = 0;
        std::vector<Input>().swap(e.inputs);
        std::vector<Value>().swap(e.values);
    }

    std::vector<Entry> entries_;
    std::size_t next_ = 0;
    std::size_t kept_ = 0;
    std::uint64_t clock_ = 0;
};

/// The calling thread's memo of a type.
template <class Memo>
Memo& ThreadMemo() {
    thread_local Memo memo;
    return memo;
}

}  // namespace velmora::simulation
