// One hive of the registry: a SQLite database holding a tree of keys and their values, reached
// through one connection. The registry's calls (registry.cpp) run each as one transaction on it.
//
// Storage: table keys(id, parent, name, upper) with the root key as id 1, and table
// vals(id, key, name, upper, type, data) where a value's id gives its creation order. Names are
// kept as UTF-16 bytes as given (case preserved) and as their sort key (name_fold.h), unique per
// parent. Key ids are never reused, so a handle of a deleted key cannot reach a newer key.
//
// Durability: the database runs in WAL mode with synchronous=NORMAL. A committed call has reached
// the operating system when it returns, so it survives the process being killed at any moment;
// after a power loss or an operating-system crash the hive still opens intact, but the calls of
// the last moments before it (since the last checkpoint) may be missing.
//
// Several processes may share a hive: a writer waits for another one (busy timeout, then retries
// of the whole transaction), readers never wait for writers. A change made through another
// connection shows in data_version, which the registry uses to revalidate what it caches.
//
// Not thread-safe by itself: the owner holds mutex() around every use, including the caches kept
// in handles of this hive.
#pragma once

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace qel::platform::reg_detail {

inline constexpr std::int64_t kRootKeyId = 1;

// Identifies one state of a hive as seen by this process: which connection (serial), changes
// committed by other connections (data_version) and by this one (local writes).
struct HiveVersion {
    std::uint64_t serial = 0;
    std::int64_t data_version = -1;
    std::uint64_t local_writes = 0;
    bool operator==(const HiveVersion&) const = default;
};

// A SQLite failure inside a transaction; the transaction runner turns it into a result code.
struct SqlError {
    int code;
};

// LSTATUS for a SQLite result code.
LSTATUS status_from_sqlite(int code) noexcept;

struct ValueRow {
    std::int64_t id = 0;
    std::u16string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct KeyCounts {
    DWORD sub_keys = 0;
    DWORD max_sub_key_length = 0;
    DWORD values = 0;
    DWORD max_value_name_length = 0;
    DWORD max_value_data_size = 0;
};

class Hive {
public:
    // Opens (creating if needed) the hive database at `file`.
    static LSTATUS open(const std::filesystem::path& file, std::unique_ptr<Hive>* out);
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    // Guards every member below and the per-handle caches of this hive.
    std::mutex& mutex() { return mutex_; }

    // Runs `body` (returning LSTATUS) in one transaction, IMMEDIATE when `write`. A write is
    // committed only when the body succeeds. A busy database is retried; other SQLite failures
    // roll back and answer their result code.
    template <class Body>
    LSTATUS run(bool write, Body&& body);

    // Queries, valid inside run(). Throw SqlError.
    HiveVersion version();
    bool key_exists(std::int64_t id);
    std::optional<std::int64_t> find_child(std::int64_t parent, std::u16string_view name);
    std::int64_t insert_key(std::int64_t parent, std::u16string_view name);
    bool has_children(std::int64_t id);
    void delete_key(std::int64_t id);
    void delete_subtree(std::int64_t id, bool keep_top);
    std::vector<std::u16string> children(std::int64_t id);
    std::optional<ValueRow> find_value(std::int64_t key, std::u16string_view name);
    void set_value(std::int64_t key, std::u16string_view name, DWORD type, const BYTE* data,
                   std::size_t size);
    bool delete_value(std::int64_t key, std::u16string_view name);
    std::vector<std::int64_t> value_ids(std::int64_t key);
    std::optional<ValueRow> value_by_id(std::int64_t key, std::int64_t id);
    KeyCounts counts(std::int64_t key);

private:
    enum Stmt : int {
        kBegin,
        kBeginImmediate,
        kCommit,
        kRollback,
        kDataVersion,
        kKeyExists,
        kFindChild,
        kInsertKey,
        kHasChildren,
        kDeleteKeyValues,
        kDeleteKey,
        kDeleteTreeValues,
        kDeleteTreeKeys,
        kChildren,
        kFindValue,
        kSetValue,
        kDeleteValue,
        kValueIds,
        kValueById,
        kCountKeys,
        kCountValues,
        kStmtCount
    };
    class Use;

    explicit Hive(sqlite3* db);
    LSTATUS initialise();
    sqlite3_stmt* statement(Stmt which);
    void exec(Stmt which);
    void rollback_quietly() noexcept;

    std::mutex mutex_;
    sqlite3* db_;
    std::array<sqlite3_stmt*, kStmtCount> statements_{};
    std::uint64_t serial_;
    std::uint64_t local_writes_ = 0;
};

// Pause between attempts of a transaction that found the database busy (SQLite's own busy
// timeout has waited already; this covers the cases it does not wait for). Attempts stop after
// kBusyAttempts or once kBusyRetryLimit has passed since the first busy answer.
void busy_pause(int attempt) noexcept;
inline constexpr int kBusyAttempts = 50;
inline constexpr std::chrono::milliseconds kBusyRetryLimit{10000};

template <class Body>
LSTATUS Hive::run(bool write, Body&& body) {
    std::optional<std::chrono::steady_clock::time_point> busy_since;
    for (int attempt = 0;; ++attempt) {
        try {
            exec(write ? kBeginImmediate : kBegin);
            sqlite3_int64 changes_before = sqlite3_total_changes64(db_);
            LSTATUS rc = body();
            if (write && rc != static_cast<LSTATUS>(ERROR_SUCCESS)) {
                exec(kRollback);
                return rc;
            }
            bool changed = sqlite3_total_changes64(db_) != changes_before;
            exec(kCommit);
            if (changed) ++local_writes_;
            return rc;
        } catch (const SqlError& e) {
            rollback_quietly();
            int primary = e.code & 0xFF;
            if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
                auto now = std::chrono::steady_clock::now();
                if (!busy_since) busy_since = now;
                if (attempt < kBusyAttempts && now - *busy_since < kBusyRetryLimit) {
                    busy_pause(attempt);
                    continue;
                }
            }
            return status_from_sqlite(e.code);
        } catch (const std::bad_alloc&) {
            rollback_quietly();
            return static_cast<LSTATUS>(ERROR_OUTOFMEMORY);
        }
    }
}

}  // namespace qel::platform::reg_detail
