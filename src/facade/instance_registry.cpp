#include "facade/instance_registry.h"

#include <algorithm>

namespace qbtapiM::detail {

InstanceRegistry::~InstanceRegistry() = default;

InstanceRegistry::Pin::Pin(Pin&& other) noexcept
    : registry_(other.registry_), index_(other.index_), facade_(other.facade_), owner_(other.owner_) {
    other.registry_ = nullptr;
    other.facade_ = nullptr;
}

InstanceRegistry::Pin::~Pin() {
    if (registry_ != nullptr && facade_ != nullptr) registry_->release(index_, owner_);
}

std::uint32_t InstanceRegistry::append(QelConfig* facade) {
    auto slot = std::make_unique<Slot>();
    slot->facade = facade;
    std::lock_guard guard(lock_);
    slots_.push_back(std::move(slot));
    return static_cast<std::uint32_t>(slots_.size() - 1);
}

InstanceRegistry::Pin InstanceRegistry::find(std::uint32_t index) {
    std::lock_guard guard(lock_);
    if (index >= slots_.size() || slots_[index]->facade == nullptr) return Pin{};
    Slot& slot = *slots_[index];
    const auto self = std::this_thread::get_id();
    slot.pinned_by.push_back(self);
    return Pin(this, index, slot.facade, self);
}

void InstanceRegistry::release(std::uint32_t index, std::thread::id owner) {
    std::lock_guard guard(lock_);
    Slot& slot = *slots_[index];
    auto it = std::find(slot.pinned_by.begin(), slot.pinned_by.end(), owner);
    if (it != slot.pinned_by.end()) slot.pinned_by.erase(it);
    slot.released.notify_all();
}

void InstanceRegistry::empty(std::uint32_t index) {
    std::unique_lock guard(lock_);
    if (index >= slots_.size()) return;
    Slot& slot = *slots_[index];
    slot.facade = nullptr;
    const auto self = std::this_thread::get_id();
    slot.released.wait(guard, [&] {
        return std::all_of(slot.pinned_by.begin(), slot.pinned_by.end(), [&](auto id) { return id == self; });
    });
}

std::size_t InstanceRegistry::size() const {
    std::lock_guard guard(lock_);
    return slots_.size();
}

}  // namespace qbtapiM::detail
