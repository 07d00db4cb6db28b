#include "pim/pim_object_record.h"

#include <cstring>
#include <optional>

#include "pim/osif_objects.h"

namespace qel::pim {
namespace {

// The record and the kind of object it holds; `lock` guards both. The holder frees the record's
// lists at process exit, so the temporary files of the last object do not outlive the process.
struct SharedRecord {
    std::recursive_mutex lock;
    tagvObject object{};
    std::optional<tOSIF_STOREID> held;

    void release() noexcept {
        if (held) OSIF_FreeObject(*held, &object);
        held.reset();
        std::memset(&object, 0, sizeof object);
    }
    ~SharedRecord() { release(); }
};

SharedRecord& shared() {
    static SharedRecord record;
    return record;
}

}  // namespace

ParseSession::ParseSession() : lock_(shared().lock) {}

tagvObject& ParseSession::begin_object(tOSIF_STOREID store) noexcept {
    auto& s = shared();
    s.release();
    s.held = store;
    return s.object;
}

tagvObject& ParseSession::record() noexcept { return shared().object; }

void release_parse_record() noexcept {
    auto& s = shared();
    std::lock_guard guard(s.lock);
    s.release();
}

}  // namespace qel::pim
