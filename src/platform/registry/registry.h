// The registry: a tree of keys holding typed values under two predefined roots, with the result
// codes, dispositions, limits and ordering of the platform the system was written for.
//
// Each root is a hive kept in its own SQLite database in the registry folder (QEL_REGISTRY_DIR,
// else user_data_dir()): HKEY_LOCAL_MACHINE in "machine.db", HKEY_CURRENT_USER in "user.db".
// Promises:
//  - Key and value names are case-insensitive and case-preserving. Sub-keys enumerate in the order
//    of their names folded to upper case (a prefix sorts first); values in creation order.
//  - Data is stored as the bytes given, whatever the type says; a string value whose size leaves
//    out the terminator is stored with one added.
//  - Every call is atomic; a completed write survives the process being killed at any point, and
//    several processes may use the same hive at once (a write by one is seen by the others).
//  - A handle opened without the needed access right refuses the call with ERROR_ACCESS_DENIED;
//    a handle whose key was deleted (by anyone) answers ERROR_KEY_DELETED; bad arguments answer
//    ERROR_INVALID_PARAMETER, never a crash.
// Details of those promises:
//  - Handles: a null handle, a closed one, or a value that was never a handle (other predefined
//    roots included) answers ERROR_INVALID_HANDLE. Handle values are never reused.
//  - Arguments: a null out pointer the call needs, a key level longer than kMaxKeyNameLength, a
//    value name longer than kMaxValueNameLength, an empty level in a key path (leading or doubled
//    "\"; one trailing "\" is accepted), or null data with a non-zero size answer
//    ERROR_INVALID_PARAMETER. Names are cut at an embedded u'\0', as the platform's C strings are.
//  - Rights: set/delete value need KEY_SET_VALUE; query, enumerate values and query info need
//    KEY_QUERY_VALUE; enumerate sub-keys needs KEY_ENUMERATE_SUB_KEYS; creating a missing key needs
//    KEY_CREATE_SUB_KEY on the parent (reg_create_key of an existing key needs nothing, like
//    reg_open_key). Generic rights map to KEY_READ / KEY_WRITE / KEY_ALL_ACCESS.
//  - Strings: for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ data of an even size whose last code
//    unit is not 0, a 0 code unit is appended; other data (odd sizes included) is kept as given.
//  - Other failures: a file in the registry folder that is not a hive answers ERROR_BADDB; a
//    folder that cannot be created answers its errno's code; a database still busy after the
//    waits and retries answers ERROR_REGISTRY_IO_FAILED.
//  - Durability: completed calls survive the process being killed; after a power loss or system
//    crash the hive opens intact but may lack the calls made shortly before it (WAL journal with
//    synchronous=NORMAL: commits are not flushed to the disk one by one).
// Handles are safe to use from any thread. Each hive has one SQLite connection per process,
// guarded by a mutex, so calls on one hive are serialised (one handle used from two threads at
// once included). Enumeration lists are cached per handle and revalidated at every call against
// the hive's data version, so a change by another process shows at the next call.
// After fork() the child closes the hive connections it inherited and opens its own at its next
// call; its handles stay valid. (fork waits until no registry call is running.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32.h"

struct HKEY__;
using HKEY = HKEY__*;

// Predefined root handles (never closed; closing one is a harmless no-op).
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

namespace qel::platform {

// Limits of names, in UTF-16 code units (without terminator).
inline constexpr DWORD kMaxKeyNameLength = 255;
inline constexpr DWORD kMaxValueNameLength = 16383;

// Creates `sub_key` below `parent` (every missing level of a "a\\b\\c" path) or opens it when it
// exists; `disposition` (may be null) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
// An empty sub-key opens `parent` itself again.
LSTATUS reg_create_key(HKEY parent, std::u16string_view sub_key, DWORD access, HKEY* result,
                       DWORD* disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when any level is missing.
LSTATUS reg_open_key(HKEY parent, std::u16string_view sub_key, DWORD access, HKEY* result);
LSTATUS reg_close_key(HKEY key);

// Deletes one key without sub-keys (ERROR_ACCESS_DENIED if it has any, or if it is a root), with
// its values. An empty `sub_key` deletes the key of `parent` itself.
LSTATUS reg_delete_key(HKEY parent, std::u16string_view sub_key);
// Deletes `sub_key` with every key and value below it (one transaction); with an empty `sub_key`,
// the sub-keys and values of `key` itself, the key staying.
LSTATUS reg_delete_tree(HKEY key, std::u16string_view sub_key);
LSTATUS reg_delete_value(HKEY key, std::u16string_view name);

// Sub-key number `index` in enumeration order. `name_length` holds the buffer's size in code units
// (room for the terminator included) and receives the name's length without it; a buffer too
// small answers ERROR_MORE_DATA and leaves the length unchanged. ERROR_NO_MORE_ITEMS past the end.
LSTATUS reg_enum_key(HKEY key, DWORD index, char16_t* name, DWORD* name_length);

// Value number `index` in creation order: its name (as reg_enum_key), type and data. `data` may be
// null to ask only the size; a data buffer too small answers ERROR_MORE_DATA with the size and
// type still reported. `type` and `data_size` may be null when not wanted.
LSTATUS reg_enum_value(HKEY key, DWORD index, char16_t* name, DWORD* name_length, DWORD* type,
                       BYTE* data, DWORD* data_size);

// A value's type and data; `data` null asks the size only (success). ERROR_FILE_NOT_FOUND when
// there is no such value, ERROR_MORE_DATA (size and type reported) when the buffer is too small.
LSTATUS reg_query_value(HKEY key, std::u16string_view name, DWORD* type, BYTE* data, DWORD* data_size);

// Creates or replaces a value (a replaced value keeps its name's spelling and its position).
LSTATUS reg_set_value(HKEY key, std::u16string_view name, DWORD type, const BYTE* data, DWORD data_size);

// Counts and longest lengths (code units without terminator; bytes for data) of a key's contents.
struct RegKeyInfo {
    DWORD sub_keys = 0;
    DWORD max_sub_key_length = 0;
    DWORD values = 0;
    DWORD max_value_name_length = 0;
    DWORD max_value_data_size = 0;
};
LSTATUS reg_query_info_key(HKEY key, RegKeyInfo* info);

// The folder the hives are kept in, as chosen at first use of the registry.
std::filesystem::path registry_dir();

// Closes every hive and forgets the folder, so the next call opens QEL_REGISTRY_DIR afresh. Open
// handles other than the roots must be closed first (tests use this between cases); any left open
// become invalid (ERROR_INVALID_HANDLE).
void reg_reset_for_tests();

// Owns an open key and closes it on destruction.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { reset(); }
    RegKey(RegKey&& other) noexcept : key_(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const { return key_; }
    HKEY* put() { reset(); return &key_; }
    HKEY release() { HKEY k = key_; key_ = nullptr; return k; }
    void reset();
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

}  // namespace qel::platform
