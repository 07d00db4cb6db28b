// The process-wide instance list of facade objects (QelConfig::m_ConfigList). An object appends
// itself when constructed and keeps its position as its instance index; that index, widened to a
// pointer-sized value, is the user data of every stack callback and the parameter of every facade
// thread, and the entry points find the object again through find().
//
// Promises:
//  - Indexes are given in order from 0 and never reused or moved: an entry that was emptied stays
//    empty, every other entry keeps its object.
//  - find() hands out a Pin that keeps the object from being destroyed while the pin lives: an
//    object's destructor empties its entry (empty()) and then waits until every pin taken on
//    another thread has been released. Pins taken by the destroying thread itself are not waited
//    for (a delegate may destroy its own facade), but such a caller must not touch the object
//    after its destruction.
//  - A find() after empty() has started gives an empty pin: the event is dropped.
// Lock: lock_ guards slots_ and everything in them. Appending, finding, releasing pins and emptying
// are safe from any thread at once. A pin counts as its taking thread's even if another thread
// releases it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace qbtapiM {

class QelConfig;

namespace detail {

class InstanceRegistry {
    // One entry: its object (null once emptied) and the threads now routing an event to it, one
    // element per pin. `released` wakes a destructor waiting in empty().
    struct Slot {
        QelConfig* facade = nullptr;
        std::vector<std::thread::id> pinned_by;
        std::condition_variable released;
    };

public:
    // The registry starts empty; it is constant-initialised so that objects constructed during
    // static initialisation already find it.
    constexpr InstanceRegistry() = default;
    ~InstanceRegistry();
    InstanceRegistry(const InstanceRegistry&) = delete;
    InstanceRegistry& operator=(const InstanceRegistry&) = delete;

    // Holds the object of one entry while an event is routed to it.
    class Pin {
    public:
        Pin() = default;
        Pin(Pin&& other) noexcept;
        Pin& operator=(Pin&& other) = delete;
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;
        ~Pin();

        explicit operator bool() const { return facade_ != nullptr; }
        QelConfig* get() const { return facade_; }
        QelConfig& operator*() const { return *facade_; }
        QelConfig* operator->() const { return facade_; }

    private:
        friend class InstanceRegistry;
        Pin(InstanceRegistry* registry, std::uint32_t index, QelConfig* facade, std::thread::id owner)
            : registry_(registry), index_(index), facade_(facade), owner_(owner) {}

        InstanceRegistry* registry_ = nullptr;
        std::uint32_t index_ = 0;
        QelConfig* facade_ = nullptr;
        std::thread::id owner_;  // the thread that took the pin
    };

    // Appends `facade` and returns its index.
    std::uint32_t append(QelConfig* facade);

    // The object at `index`, pinned; an empty pin for an emptied or unknown index.
    Pin find(std::uint32_t index);

    // Empties entry `index` and returns once no other thread holds a pin on it.
    void empty(std::uint32_t index);

    // How many entries were ever appended.
    std::size_t size() const;

private:
    void release(std::uint32_t index, std::thread::id owner);

    mutable std::mutex lock_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace detail
}  // namespace qbtapiM
