#include "platform/registry/registry.h"

#include <pthread.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/registry/hive.h"

namespace qel::platform {
namespace {

using reg_detail::Hive;
using reg_detail::HiveVersion;
using reg_detail::kRootKeyId;

constexpr LSTATUS status(DWORD code) {
    return static_cast<LSTATUS>(code);
}
constexpr LSTATUS kOk = status(ERROR_SUCCESS);

// Generic access rights, mapped onto the key rights they stand for.
constexpr DWORD kGenericRead = 0x80000000;
constexpr DWORD kGenericWrite = 0x40000000;
constexpr DWORD kGenericExecute = 0x20000000;
constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kMaximumAllowed = 0x02000000;

DWORD map_access(DWORD access) {
    DWORD out = access & KEY_ALL_ACCESS;
    if (access & (kGenericRead | kGenericExecute)) out |= KEY_READ;
    if (access & kGenericWrite) out |= KEY_WRITE;
    if (access & (kGenericAll | kMaximumAllowed)) out |= KEY_ALL_ACCESS;
    return out;
}

constexpr int kHiveCount = 2;
constexpr int kMachineHive = 0;
constexpr int kUserHive = 1;
const char* const kHiveFiles[kHiveCount] = {"machine.db", "user.db"};

// Handle values handed out for opened keys: never reused, never near the predefined roots.
constexpr std::uintptr_t kFirstHandle = 0x10000;
constexpr std::uintptr_t kHandleStep = 4;

// What a handle stands for. hive, id and access are fixed; the caches are guarded by the hive's
// mutex and valid while the hive's version equals the one stored beside them.
struct OpenKey {
    OpenKey(int h, std::int64_t i, DWORD a) : hive(h), id(i), access(a) {}
    const int hive;
    const std::int64_t id;
    const DWORD access;
    HiveVersion verified;  // the key existed at this version
    HiveVersion children_at;
    std::vector<std::u16string> children;  // sub-key names in enumeration order
    HiveVersion values_at;
    std::vector<std::int64_t> value_ids;  // value ids in creation order
};

// Process-wide registry state, guarded by `mutex`. Lock order: `mutex` before any hive's mutex,
// and no call holds a hive's mutex while taking `mutex`.
struct State {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<OpenKey>> handles;
    std::array<std::shared_ptr<OpenKey>, kHiveCount> roots;
    std::array<std::shared_ptr<Hive>, kHiveCount> hives;
    std::uintptr_t next_handle = kFirstHandle;
    std::optional<std::filesystem::path> dir;
};

State& state();

// fork(): the prepare handler waits until no call is using a hive; the child then closes the
// connections it inherited (they belong to the parent) and opens its own at its next call.
// Handles stay valid in the child.
void before_fork() {
    State& s = state();
    s.mutex.lock();
    for (auto& h : s.hives)
        if (h) h->mutex().lock();
}

void after_fork_parent() {
    State& s = state();
    for (auto it = s.hives.rbegin(); it != s.hives.rend(); ++it)
        if (*it) (*it)->mutex().unlock();
    s.mutex.unlock();
}

void after_fork_child() {
    State& s = state();
    for (auto& h : s.hives) {
        if (!h) continue;
        h->mutex().unlock();
        h.reset();
    }
    s.mutex.unlock();
}

State& state() {
    // Never destroyed: handles may be closed from static destructors of other units.
    static State* s = [] {
        auto* created = new State;
        pthread_atfork(before_fork, after_fork_parent, after_fork_child);
        return created;
    }();
    return *s;
}

int root_index(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return kMachineHive;
    if (key == HKEY_CURRENT_USER) return kUserHive;
    return -1;
}

// mkdir -p with mode 0700 for the levels it creates.
LSTATUS make_private_dir(const std::filesystem::path& dir) {
    std::filesystem::path partial;
    for (const auto& part : dir) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return status(error_from_errno(errno));
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return status(error_from_errno(errno));
    if (!S_ISDIR(st.st_mode)) return status(ERROR_PATH_NOT_FOUND);
    return kOk;
}

// Requires s.mutex held.
const std::filesystem::path& current_dir(State& s) {
    if (!s.dir) {
        if (auto env = env_value("QEL_REGISTRY_DIR"))
            s.dir = std::filesystem::path(*env);
        else
            s.dir = user_data_dir();
    }
    return *s.dir;
}

struct Resolved {
    std::shared_ptr<OpenKey> key;
    std::shared_ptr<Hive> hive;
};

LSTATUS resolve(HKEY handle, Resolved* out) {
    if (handle == nullptr) return status(ERROR_INVALID_HANDLE);
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (int root = root_index(handle); root >= 0) {
        if (!s.roots[root]) s.roots[root] = std::make_shared<OpenKey>(root, kRootKeyId, KEY_ALL_ACCESS);
        out->key = s.roots[root];
    } else {
        auto it = s.handles.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == s.handles.end()) return status(ERROR_INVALID_HANDLE);
        out->key = it->second;
    }
    auto& hive = s.hives[out->key->hive];
    if (!hive) {
        const auto& dir = current_dir(s);
        if (LSTATUS st = make_private_dir(dir); st != kOk) return st;
        std::unique_ptr<Hive> opened;
        if (LSTATUS st = Hive::open(dir / kHiveFiles[out->key->hive], &opened); st != kOk) return st;
        hive = std::move(opened);
    }
    out->hive = hive;
    return kOk;
}

HKEY new_handle(int hive, std::int64_t id, DWORD access) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    std::uintptr_t value = s.next_handle;
    s.next_handle += kHandleStep;
    s.handles.emplace(value, std::make_shared<OpenKey>(hive, id, map_access(access)));
    return reinterpret_cast<HKEY>(value);
}

// Runs `body(hive, key, version)` in one transaction on the handle's hive, after checking the
// handle, its access rights (`need`) and that its key still exists.
template <class Body>
LSTATUS with_key(HKEY handle, DWORD need, bool write, Body&& body) {
    Resolved r;
    if (LSTATUS st = resolve(handle, &r); st != kOk) return st;
    if ((r.key->access & need) != need) return status(ERROR_ACCESS_DENIED);
    std::lock_guard lock(r.hive->mutex());
    return r.hive->run(write, [&]() -> LSTATUS {
        HiveVersion v = r.hive->version();
        if (!(r.key->verified == v)) {
            if (!r.hive->key_exists(r.key->id)) return status(ERROR_KEY_DELETED);
            r.key->verified = v;
        }
        return body(*r.hive, *r.key, v);
    });
}

// A name as given, cut at an embedded terminator (names are C strings on the platform).
std::u16string_view c_name(std::u16string_view name) {
    if (auto nul = name.find(u'\0'); nul != std::u16string_view::npos) name = name.substr(0, nul);
    return name;
}

// Splits "a\\b\\c" into its levels. One trailing separator is allowed; an empty level (leading or
// doubled separator) or a level longer than kMaxKeyNameLength is an invalid parameter.
LSTATUS split_path(std::u16string_view path, std::vector<std::u16string_view>* parts) {
    path = c_name(path);
    parts->clear();
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return kOk;
    while (true) {
        auto sep = path.find(u'\\');
        std::u16string_view part = path.substr(0, sep);
        if (part.empty() || part.size() > kMaxKeyNameLength) return status(ERROR_INVALID_PARAMETER);
        parts->push_back(part);
        if (sep == std::u16string_view::npos) return kOk;
        path.remove_prefix(sep + 1);
    }
}

LSTATUS check_value_name(std::u16string_view* name) {
    *name = c_name(*name);
    if (name->size() > kMaxValueNameLength) return status(ERROR_INVALID_PARAMETER);
    return kOk;
}

// Walks `parts` below `start`; nullopt when a level is missing.
std::optional<std::int64_t> walk(Hive& hive, std::int64_t start,
                                 const std::vector<std::u16string_view>& parts) {
    std::int64_t id = start;
    for (auto part : parts) {
        auto child = hive.find_child(id, part);
        if (!child) return std::nullopt;
        id = *child;
    }
    return id;
}

bool is_string_type(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies a name into a caller's buffer of *length code units (terminator included); false when it
// does not fit (nothing written).
bool copy_name(const std::u16string& n, char16_t* buffer, DWORD* length) {
    if (n.size() + 1 > *length) return false;
    std::memcpy(buffer, n.data(), n.size() * sizeof(char16_t));
    buffer[n.size()] = u'\0';
    *length = static_cast<DWORD>(n.size());
    return true;
}

// Reports a value's type and data through the caller's optional pointers.
LSTATUS copy_data(const reg_detail::ValueRow& row, DWORD* type, BYTE* data, DWORD* data_size) {
    if (type != nullptr) *type = row.type;
    LSTATUS st = kOk;
    if (data != nullptr) {
        if (*data_size < row.data.size())
            st = status(ERROR_MORE_DATA);
        else if (!row.data.empty())
            std::memcpy(data, row.data.data(), row.data.size());
    }
    if (data_size != nullptr) *data_size = static_cast<DWORD>(row.data.size());
    return st;
}

}  // namespace

LSTATUS reg_open_key(HKEY parent, std::u16string_view sub_key, DWORD access, HKEY* result) {
    if (result == nullptr) return status(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    std::vector<std::u16string_view> parts;
    if (LSTATUS st = split_path(sub_key, &parts); st != kOk) return st;
    std::int64_t id = 0;
    int hive_index = 0;
    LSTATUS st = with_key(parent, 0, false, [&](Hive& hive, OpenKey& key, const HiveVersion&) -> LSTATUS {
        hive_index = key.hive;
        auto found = walk(hive, key.id, parts);
        if (!found) return status(ERROR_FILE_NOT_FOUND);
        id = *found;
        return kOk;
    });
    if (st != kOk) return st;
    *result = new_handle(hive_index, id, access);
    return kOk;
}

LSTATUS reg_create_key(HKEY parent, std::u16string_view sub_key, DWORD access, HKEY* result,
                       DWORD* disposition) {
    // Most calls open a key that exists: try that as a read, which takes no write lock.
    LSTATUS st = reg_open_key(parent, sub_key, access, result);
    if (st == kOk && disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
    if (st != status(ERROR_FILE_NOT_FOUND)) return st;
    std::vector<std::u16string_view> parts;
    if (st = split_path(sub_key, &parts); st != kOk) return st;
    std::int64_t id = 0;
    int hive_index = 0;
    bool created = false;
    st = with_key(parent, 0, true, [&](Hive& hive, OpenKey& key, const HiveVersion&) -> LSTATUS {
        id = key.id;
        hive_index = key.hive;
        created = false;
        for (auto part : parts) {
            if (auto child = hive.find_child(id, part)) {
                id = *child;
                continue;
            }
            // Opening an existing key needs no right on the parent; creating one does.
            if ((key.access & KEY_CREATE_SUB_KEY) == 0) return status(ERROR_ACCESS_DENIED);
            id = hive.insert_key(id, part);
            created = true;
        }
        return kOk;
    });
    if (st != kOk) return st;
    *result = new_handle(hive_index, id, access);
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return kOk;
}

LSTATUS reg_close_key(HKEY key) {
    if (key == nullptr) return status(ERROR_INVALID_HANDLE);
    if (root_index(key) >= 0) return kOk;
    std::shared_ptr<OpenKey> closing;  // released outside the lock
    State& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == s.handles.end()) return status(ERROR_INVALID_HANDLE);
    closing = std::move(it->second);
    s.handles.erase(it);
    return kOk;
}

LSTATUS reg_delete_key(HKEY parent, std::u16string_view sub_key) {
    std::vector<std::u16string_view> parts;
    if (LSTATUS st = split_path(sub_key, &parts); st != kOk) return st;
    return with_key(parent, 0, true, [&](Hive& hive, OpenKey& key, const HiveVersion&) -> LSTATUS {
        auto target = walk(hive, key.id, parts);
        if (!target) return status(ERROR_FILE_NOT_FOUND);
        if (*target == kRootKeyId || hive.has_children(*target)) return status(ERROR_ACCESS_DENIED);
        hive.delete_key(*target);
        return kOk;
    });
}

LSTATUS reg_delete_tree(HKEY key, std::u16string_view sub_key) {
    std::vector<std::u16string_view> parts;
    if (LSTATUS st = split_path(sub_key, &parts); st != kOk) return st;
    DWORD need = parts.empty() ? KEY_SET_VALUE : 0;
    return with_key(key, need, true, [&](Hive& hive, OpenKey& k, const HiveVersion&) -> LSTATUS {
        auto target = walk(hive, k.id, parts);
        if (!target) return status(ERROR_FILE_NOT_FOUND);
        bool keep_top = parts.empty() || *target == kRootKeyId;
        hive.delete_subtree(*target, keep_top);
        return kOk;
    });
}

LSTATUS reg_delete_value(HKEY key, std::u16string_view name) {
    if (LSTATUS st = check_value_name(&name); st != kOk) return st;
    return with_key(key, KEY_SET_VALUE, true, [&](Hive& hive, OpenKey& k, const HiveVersion&) -> LSTATUS {
        return hive.delete_value(k.id, name) ? kOk : status(ERROR_FILE_NOT_FOUND);
    });
}

LSTATUS reg_enum_key(HKEY key, DWORD index, char16_t* name, DWORD* name_length) {
    if (name == nullptr || name_length == nullptr) return status(ERROR_INVALID_PARAMETER);
    return with_key(
        key, KEY_ENUMERATE_SUB_KEYS, false, [&](Hive& hive, OpenKey& k, const HiveVersion& v) -> LSTATUS {
            if (!(k.children_at == v)) {
                k.children = hive.children(k.id);
                k.children_at = v;
            }
            if (index >= k.children.size()) return status(ERROR_NO_MORE_ITEMS);
            return copy_name(k.children[index], name, name_length) ? kOk : status(ERROR_MORE_DATA);
        });
}

LSTATUS reg_enum_value(HKEY key, DWORD index, char16_t* name, DWORD* name_length, DWORD* type, BYTE* data,
                       DWORD* data_size) {
    if (name == nullptr || name_length == nullptr) return status(ERROR_INVALID_PARAMETER);
    if (data != nullptr && data_size == nullptr) return status(ERROR_INVALID_PARAMETER);
    return with_key(key, KEY_QUERY_VALUE, false,
                    [&](Hive& hive, OpenKey& k, const HiveVersion& v) -> LSTATUS {
                        if (!(k.values_at == v)) {
                            k.value_ids = hive.value_ids(k.id);
                            k.values_at = v;
                        }
                        if (index >= k.value_ids.size()) return status(ERROR_NO_MORE_ITEMS);
                        auto row = hive.value_by_id(k.id, k.value_ids[index]);
                        if (!row)
                            return status(ERROR_REGISTRY_IO_FAILED);  // the snapshot and the cache disagree
                        bool name_fits = copy_name(row->name, name, name_length);
                        LSTATUS st = copy_data(*row, type, data, data_size);
                        return name_fits ? st : status(ERROR_MORE_DATA);
                    });
}

LSTATUS reg_query_value(HKEY key, std::u16string_view name, DWORD* type, BYTE* data, DWORD* data_size) {
    if (LSTATUS st = check_value_name(&name); st != kOk) return st;
    if (data != nullptr && data_size == nullptr) return status(ERROR_INVALID_PARAMETER);
    return with_key(key, KEY_QUERY_VALUE, false, [&](Hive& hive, OpenKey& k, const HiveVersion&) -> LSTATUS {
        auto row = hive.find_value(k.id, name);
        if (!row) return status(ERROR_FILE_NOT_FOUND);
        return copy_data(*row, type, data, data_size);
    });
}

LSTATUS reg_set_value(HKEY key, std::u16string_view name, DWORD type, const BYTE* data, DWORD data_size) {
    if (LSTATUS st = check_value_name(&name); st != kOk) return st;
    if (data == nullptr && data_size != 0) return status(ERROR_INVALID_PARAMETER);
    std::vector<BYTE> terminated;
    std::size_t size = data_size;
    if (is_string_type(type) && size >= 2 && size % 2 == 0 && (data[size - 2] != 0 || data[size - 1] != 0)) {
        terminated.assign(data, data + size);
        terminated.push_back(0);
        terminated.push_back(0);
        data = terminated.data();
        size = terminated.size();
    }
    return with_key(key, KEY_SET_VALUE, true, [&](Hive& hive, OpenKey& k, const HiveVersion&) -> LSTATUS {
        hive.set_value(k.id, name, type, data, size);
        return kOk;
    });
}

LSTATUS reg_query_info_key(HKEY key, RegKeyInfo* info) {
    if (info == nullptr) return status(ERROR_INVALID_PARAMETER);
    return with_key(key, KEY_QUERY_VALUE, false, [&](Hive& hive, OpenKey& k, const HiveVersion&) -> LSTATUS {
        auto c = hive.counts(k.id);
        *info = RegKeyInfo{c.sub_keys, c.max_sub_key_length, c.values, c.max_value_name_length,
                           c.max_value_data_size};
        return kOk;
    });
}

std::filesystem::path registry_dir() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    const auto& dir = current_dir(s);
    make_private_dir(dir);
    return dir;
}

void reg_reset_for_tests() {
    std::array<std::shared_ptr<Hive>, kHiveCount> hives;
    std::unordered_map<std::uintptr_t, std::shared_ptr<OpenKey>> handles;
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        hives.swap(s.hives);
        handles.swap(s.handles);
        s.roots = {};
        s.dir.reset();
    }
    // Destroyed here, outside the lock; a call still running on a hive keeps it until it ends.
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        reset();
        key_ = other.release();
    }
    return *this;
}

void RegKey::reset() {
    if (key_ != nullptr) reg_close_key(key_);
    key_ = nullptr;
}

}  // namespace qel::platform
