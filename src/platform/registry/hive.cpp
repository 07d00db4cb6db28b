#include "platform/registry/hive.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/registry/name_fold.h"

namespace qel::platform::reg_detail {
namespace {

// Marks a database as a hive of this registry ("QelR").
constexpr int kApplicationId = 0x51656C52;
constexpr int kBusyTimeoutMs = 10000;

std::atomic<std::uint64_t> g_next_serial{1};

const char* const kSql[] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "PRAGMA data_version",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT id FROM keys WHERE parent = ?1 AND upper = ?2",
    "INSERT INTO keys(parent, name, upper) VALUES(?1, ?2, ?3)",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1",
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id)"
    " DELETE FROM vals WHERE key IN t",
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = t.id)"
    " DELETE FROM keys WHERE id IN t AND id <> ?2",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY upper",
    "SELECT id, name, type, data FROM vals WHERE key = ?1 AND upper = ?2",
    "INSERT INTO vals(key, name, upper, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT(key, upper) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND upper = ?2",
    "SELECT id FROM vals WHERE key = ?1 ORDER BY id",
    "SELECT id, name, type, data FROM vals WHERE id = ?1 AND key = ?2",
    "SELECT count(*), coalesce(max(length(name)), 0) FROM keys WHERE parent = ?1",
    "SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0) FROM vals"
    " WHERE key = ?1",
};

const char kSchema[] =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name BLOB NOT NULL, upper BLOB NOT NULL);"
    "CREATE UNIQUE INDEX keys_by_name ON keys(parent, upper);"
    "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name BLOB NOT NULL,"
    " upper BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX vals_by_name ON vals(key, upper);"
    "INSERT INTO keys(id, parent, name, upper) VALUES(1, 0, x'', x'');";

std::u16string column_name(sqlite3_stmt* s, int col) {
    const void* p = sqlite3_column_blob(s, col);
    int bytes = sqlite3_column_bytes(s, col);
    std::u16string out(static_cast<std::size_t>(bytes) / 2, u'\0');
    if (p != nullptr && !out.empty()) std::memcpy(out.data(), p, out.size() * 2);
    return out;
}

ValueRow value_row(sqlite3_stmt* s) {
    ValueRow row;
    row.id = sqlite3_column_int64(s, 0);
    row.name = column_name(s, 1);
    row.type = static_cast<DWORD>(sqlite3_column_int64(s, 2));
    const void* p = sqlite3_column_blob(s, 3);
    int bytes = sqlite3_column_bytes(s, 3);
    if (p != nullptr && bytes > 0) {
        const BYTE* b = static_cast<const BYTE*>(p);
        row.data.assign(b, b + bytes);
    }
    return row;
}

}  // namespace

LSTATUS status_from_sqlite(int code) noexcept {
    switch (code & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return ERROR_SUCCESS;
        case SQLITE_NOMEM:
            return ERROR_OUTOFMEMORY;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return ERROR_ACCESS_DENIED;
        case SQLITE_CANTOPEN:
            return ERROR_CANTOPEN;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_SCHEMA:
        case SQLITE_FORMAT:
            return ERROR_BADDB;
        case SQLITE_TOOBIG:
            return ERROR_INVALID_PARAMETER;
        case SQLITE_FULL:
            return ERROR_WRITE_FAULT;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

void busy_pause(int attempt) noexcept {
    std::this_thread::sleep_for(std::chrono::milliseconds(1 + (attempt < 10 ? attempt : 10)));
}

// A cached statement in use: bound parameters and the current row, reset on destruction.
class Hive::Use {
public:
    Use(Hive& hive, Stmt which) : s_(hive.statement(which)) {}
    ~Use() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

    Use& bind(int i, std::int64_t v) { return check(sqlite3_bind_int64(s_, i, v)); }
    // Binds without copying: the bytes must outlive the statement's use.
    Use& bind(int i, const void* bytes, std::size_t size) {
        static const char empty = 0;
        return check(sqlite3_bind_blob64(s_, i, size ? bytes : &empty, size, SQLITE_STATIC));
    }
    Use& bind(int i, std::u16string_view name) { return bind(i, name.data(), name.size() * 2); }
    // Copies the bytes: sort keys are temporaries.
    Use& bind(int i, const std::string& bytes) {
        return check(sqlite3_bind_blob64(s_, i, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    }
    // True when a row is available.
    bool step() {
        int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw SqlError{rc};
    }
    sqlite3_stmt* get() const { return s_; }

private:
    Use& check(int rc) {
        if (rc != SQLITE_OK) throw SqlError{rc};
        return *this;
    }
    sqlite3_stmt* s_;
};

Hive::Hive(sqlite3* db) : db_(db), serial_(g_next_serial.fetch_add(1)) {}

Hive::~Hive() {
    for (sqlite3_stmt* s : statements_) sqlite3_finalize(s);
    sqlite3_close(db_);
}

LSTATUS Hive::open(const std::filesystem::path& file, std::unique_ptr<Hive>* out) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(
        file.c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return status_from_sqlite(rc);
    }
    std::unique_ptr<Hive> hive(new Hive(db));
    if (LSTATUS st = hive->initialise(); st != ERROR_SUCCESS) return st;
    *out = std::move(hive);
    return ERROR_SUCCESS;
}

LSTATUS Hive::initialise() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) break;
        if ((rc & 0xFF) != SQLITE_BUSY || attempt >= kBusyAttempts) return status_from_sqlite(rc);
        busy_pause(attempt);
    }
    return run(true, [&]() -> LSTATUS {
        sqlite3_stmt* s = nullptr;
        auto read_int = [&](const char* sql) {
            int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
            if (rc != SQLITE_OK) throw SqlError{rc};
            rc = sqlite3_step(s);
            std::int64_t v = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
            sqlite3_finalize(s);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw SqlError{rc};
            return v;
        };
        std::int64_t app = read_int("PRAGMA application_id");
        std::int64_t tables = read_int("SELECT count(*) FROM sqlite_schema");
        if (app == kApplicationId) return ERROR_SUCCESS;
        if (app != 0 || tables != 0) return ERROR_BADDB;
        int rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            std::string set_id = "PRAGMA application_id=" + std::to_string(kApplicationId);
            rc = sqlite3_exec(db_, set_id.c_str(), nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK) throw SqlError{rc};
        return ERROR_SUCCESS;
    });
}

sqlite3_stmt* Hive::statement(Stmt which) {
    sqlite3_stmt*& s = statements_[which];
    if (s == nullptr) {
        int rc = sqlite3_prepare_v3(db_, kSql[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
        if (rc != SQLITE_OK) {
            s = nullptr;
            throw SqlError{rc};
        }
    }
    return s;
}

void Hive::exec(Stmt which) {
    Use u(*this, which);
    while (u.step()) {
    }
}

void Hive::rollback_quietly() noexcept {
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

HiveVersion Hive::version() {
    Use u(*this, kDataVersion);
    if (!u.step()) throw SqlError{SQLITE_ERROR};
    return HiveVersion{serial_, sqlite3_column_int64(u.get(), 0), local_writes_};
}

bool Hive::key_exists(std::int64_t id) {
    Use u(*this, kKeyExists);
    u.bind(1, id);
    return u.step();
}

std::optional<std::int64_t> Hive::find_child(std::int64_t parent, std::u16string_view name) {
    Use u(*this, kFindChild);
    u.bind(1, parent).bind(2, name_sort_key(name));
    if (!u.step()) return std::nullopt;
    return sqlite3_column_int64(u.get(), 0);
}

std::int64_t Hive::insert_key(std::int64_t parent, std::u16string_view name) {
    Use u(*this, kInsertKey);
    u.bind(1, parent).bind(2, name).bind(3, name_sort_key(name));
    u.step();
    return sqlite3_last_insert_rowid(db_);
}

bool Hive::has_children(std::int64_t id) {
    Use u(*this, kHasChildren);
    u.bind(1, id);
    return u.step();
}

void Hive::delete_key(std::int64_t id) {
    {
        Use u(*this, kDeleteKeyValues);
        u.bind(1, id).step();
    }
    Use u(*this, kDeleteKey);
    u.bind(1, id).step();
}

void Hive::delete_subtree(std::int64_t id, bool keep_top) {
    {
        Use u(*this, kDeleteTreeValues);
        u.bind(1, id).step();
    }
    Use u(*this, kDeleteTreeKeys);
    u.bind(1, id).bind(2, keep_top ? id : std::int64_t{0}).step();
}

std::vector<std::u16string> Hive::children(std::int64_t id) {
    Use u(*this, kChildren);
    u.bind(1, id);
    std::vector<std::u16string> out;
    while (u.step()) out.push_back(column_name(u.get(), 0));
    return out;
}

std::optional<ValueRow> Hive::find_value(std::int64_t key, std::u16string_view name) {
    Use u(*this, kFindValue);
    u.bind(1, key).bind(2, name_sort_key(name));
    if (!u.step()) return std::nullopt;
    return value_row(u.get());
}

void Hive::set_value(std::int64_t key, std::u16string_view name, DWORD type, const BYTE* data,
                     std::size_t size) {
    Use u(*this, kSetValue);
    u.bind(1, key).bind(2, name).bind(3, name_sort_key(name)).bind(4, std::int64_t{type});
    u.bind(5, data, size).step();
}

bool Hive::delete_value(std::int64_t key, std::u16string_view name) {
    Use u(*this, kDeleteValue);
    u.bind(1, key).bind(2, name_sort_key(name)).step();
    return sqlite3_changes(db_) > 0;
}

std::vector<std::int64_t> Hive::value_ids(std::int64_t key) {
    Use u(*this, kValueIds);
    u.bind(1, key);
    std::vector<std::int64_t> out;
    while (u.step()) out.push_back(sqlite3_column_int64(u.get(), 0));
    return out;
}

std::optional<ValueRow> Hive::value_by_id(std::int64_t key, std::int64_t id) {
    Use u(*this, kValueById);
    u.bind(1, id).bind(2, key);
    if (!u.step()) return std::nullopt;
    return value_row(u.get());
}

KeyCounts Hive::counts(std::int64_t key) {
    KeyCounts c;
    {
        Use u(*this, kCountKeys);
        u.bind(1, key);
        if (u.step()) {
            c.sub_keys = static_cast<DWORD>(sqlite3_column_int64(u.get(), 0));
            c.max_sub_key_length = static_cast<DWORD>(sqlite3_column_int64(u.get(), 1) / 2);
        }
    }
    Use u(*this, kCountValues);
    u.bind(1, key);
    if (u.step()) {
        c.values = static_cast<DWORD>(sqlite3_column_int64(u.get(), 0));
        c.max_value_name_length = static_cast<DWORD>(sqlite3_column_int64(u.get(), 1) / 2);
        c.max_value_data_size = static_cast<DWORD>(sqlite3_column_int64(u.get(), 2));
    }
    return c;
}

}  // namespace qel::platform::reg_detail
