// Work space a thread keeps from one simulation to the next, so that a simulation repeated on a
// thread allocates nothing once its buffers have grown to size.
#pragma once

#include <cstddef>
#include <utility>

namespace velmora::simulation {

/// Lends the calling thread's kept T (its storage, not its contents) to one user at a time. A user
/// that finds it lent already (a simulation within a simulation) gets a T of its own. Given back,
/// the T is kept for the next user unless it holds more than `kMaxBytes` (T::Bytes()).
template <class T>
class ThreadKept {
public:
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

    ThreadKept() {
        Slot& s = ThreadSlot();
        if (s.lent) return;
        s.lent = thread_ = true;
        value_ = std::move(s.value);
    }
    ~ThreadKept() {
        if (!thread_) return;
        Slot& s = ThreadSlot();
        s.lent = false;
        if (value_.Bytes() <= kMaxBytes) s.value = std::move(value_);
    }
    ThreadKept(const ThreadKept&) = delete;
    ThreadKept& operator=(const ThreadKept&) = delete;
    T& operator*() { return value_; }

private:
    struct Slot {
        T value;
        bool lent = false;
    };
    static Slot& ThreadSlot() {
        thread_local Slot slot;
        return slot;
    }
    T value_;
    bool thread_ = false;  ///< the thread's T, given back at the end
};

}  // namespace velmora::simulation
