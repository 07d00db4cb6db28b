// Failed writes: a file layer under SQLite fails its N-th write (N = 1, 2, 3 ... until the
// scenario runs through), and after each run the hive must open intact, every call that reported
// success must have its effect, and every call that reported a failure must have none.
#include <sqlite3.h>

#include <functional>

#include "registry_test_util.h"

namespace qel::test {
namespace {

// A SQLite file layer forwarding to the default one, failing one write on request.
class FailingWrites {
public:
    explicit FailingWrites(int fail_at) {
        real_ = sqlite3_vfs_find(nullptr);
        countdown_ = fail_at;
        failed_ = false;
        vfs_ = *real_;
        vfs_.zName = "qel-failing-writes";
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.pNext = nullptr;
        vfs_.xOpen = open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FailingWrites() {
        sqlite3_vfs_register(real_, 1);
        sqlite3_vfs_unregister(&vfs_);
    }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

    static bool failed() { return failed_; }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
    };
    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        int rc = real_->xOpen(real_, name, f->real, flags, out_flags);
        f->base.pMethods = f->real->pMethods != nullptr ? &methods_ : nullptr;
        return rc;
    }
    static int write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
        if (--countdown_ == 0) {
            failed_ = true;
            return SQLITE_IOERR_WRITE;
        }
        return real(f)->pMethods->xWrite(real(f), data, amount, offset);
    }

    static inline sqlite3_vfs* real_ = nullptr;
    static inline int countdown_ = 0;
    static inline bool failed_ = false;
    sqlite3_vfs vfs_{};
    static const sqlite3_io_methods methods_;
};

#define QEL_FORWARD(method, ...) real(f)->pMethods->method(real(f), ##__VA_ARGS__)
const sqlite3_io_methods FailingWrites::methods_ = {
    3,
    [](sqlite3_file* f) { return QEL_FORWARD(xClose); },
    [](sqlite3_file* f, void* p, int n, sqlite3_int64 o) { return QEL_FORWARD(xRead, p, n, o); },
    FailingWrites::write,
    [](sqlite3_file* f, sqlite3_int64 size) { return QEL_FORWARD(xTruncate, size); },
    [](sqlite3_file* f, int flags) { return QEL_FORWARD(xSync, flags); },
    [](sqlite3_file* f, sqlite3_int64* size) { return QEL_FORWARD(xFileSize, size); },
    [](sqlite3_file* f, int lock) { return QEL_FORWARD(xLock, lock); },
    [](sqlite3_file* f, int lock) { return QEL_FORWARD(xUnlock, lock); },
    [](sqlite3_file* f, int* out) { return QEL_FORWARD(xCheckReservedLock, out); },
    [](sqlite3_file* f, int op, void* arg) { return QEL_FORWARD(xFileControl, op, arg); },
    [](sqlite3_file* f) { return QEL_FORWARD(xSectorSize); },
    [](sqlite3_file* f) { return QEL_FORWARD(xDeviceCharacteristics); },
    [](sqlite3_file* f, int page, int size, int extend, void volatile** p) {
        return QEL_FORWARD(xShmMap, page, size, extend, p);
    },
    [](sqlite3_file* f, int offset, int n, int flags) { return QEL_FORWARD(xShmLock, offset, n, flags); },
    [](sqlite3_file* f) { QEL_FORWARD(xShmBarrier); },
    [](sqlite3_file* f, int remove) { return QEL_FORWARD(xShmUnmap, remove); },
    [](sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return QEL_FORWARD(xFetch, o, n, p); },
    [](sqlite3_file* f, sqlite3_int64 o, void* p) { return QEL_FORWARD(xUnfetch, o, p); },
};
#undef QEL_FORWARD

using FaultTest = RegistryTest;

// One call of the scenario and how to see its effect afterwards.
struct Step {
    std::function<LSTATUS()> run;
    std::function<bool()> applied;
};

std::vector<Step> scenario() {
    auto open_fault = [] {
        RegKey k;
        reg_open_key(HKEY_CURRENT_USER, u"Fault", KEY_ALL_ACCESS, k.put());
        return k;
    };
    std::vector<Step> steps;
    steps.push_back({[] {
                         RegKey k;
                         return reg_create_key(HKEY_CURRENT_USER, u"Fault\\New\\Deeper", KEY_ALL_ACCESS,
                                               k.put(), nullptr);
                     },
                     [] {
                         RegKey k;
                         return reg_open_key(HKEY_CURRENT_USER, u"Fault\\New\\Deeper", KEY_READ, k.put()) ==
                                ERROR_SUCCESS;
                     }});
    steps.push_back({[=] { return set_dword(open_fault().get(), u"added", 7); },
                     [=] { return query_dword(open_fault().get(), u"added") == 7u; }});
    steps.push_back({[=] { return set_sz(open_fault().get(), u"big", std::u16string(3000, u'b')); },
                     [=] { return query(open_fault().get(), u"big").has_value(); }});
    steps.push_back({[=] { return set_dword(open_fault().get(), u"keep", 2); },
                     [=] { return query_dword(open_fault().get(), u"keep") == 2u; }});
    steps.push_back({[=] { return reg_delete_value(open_fault().get(), u"old"); },
                     [=] { return !query(open_fault().get(), u"old").has_value(); }});
    steps.push_back({[=] { return reg_delete_key(open_fault().get(), u"Leaf"); },
                     [=] {
                         return sub_keys(open_fault().get()) == std::vector<std::u16string>{u"New"} ||
                                sub_keys(open_fault().get()).empty();
                     }});
    return steps;
}

TEST_F(FaultTest, AFailedWriteLosesNothingAndAppliesNothing) {
    std::filesystem::path seed = dir_.path() / "seed";
    {
        ScopedEnv env("QEL_REGISTRY_DIR", seed.string());
        reg_reset_for_tests();
        RegKey key = create(HKEY_CURRENT_USER, u"Fault");
        ASSERT_EQ(set_dword(key.get(), u"keep", 1), ERROR_SUCCESS);
        ASSERT_EQ(set_dword(key.get(), u"old", 1), ERROR_SUCCESS);
        create(key.get(), u"Leaf");
        key.reset();
        reg_reset_for_tests();
    }
    int runs_with_a_failure = 0;
    for (int n = 1; n < 500; ++n) {
        TempDir work;
        for (const auto& entry : std::filesystem::directory_iterator(seed))
            std::filesystem::copy(entry.path(), work.path() / entry.path().filename());
        ScopedEnv env("QEL_REGISTRY_DIR", work.path().string());
        reg_reset_for_tests();

        std::vector<LSTATUS> results;
        auto steps = scenario();
        {
            FailingWrites failing(n);
            for (auto& step : steps) results.push_back(step.run());
            reg_reset_for_tests();
        }
        if (!FailingWrites::failed()) break;  // the whole scenario ran without reaching write n
        ++runs_with_a_failure;

        RegKey key;
        ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Fault", KEY_READ, key.put()), ERROR_SUCCESS) << "n=" << n;
        auto keep = query_dword(key.get(), u"keep");
        EXPECT_TRUE(keep == 1u || keep == 2u) << "n=" << n;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (results[i] == ERROR_SUCCESS) {
                EXPECT_TRUE(steps[i].applied()) << "n=" << n << " step " << i << " reported success";
            } else {
                EXPECT_EQ(results[i], ERROR_REGISTRY_IO_FAILED) << "n=" << n << " step " << i;
                EXPECT_FALSE(steps[i].applied()) << "n=" << n << " step " << i << " reported failure";
            }
        }
        key.reset();
        reg_reset_for_tests();
    }
    EXPECT_GT(runs_with_a_failure, 5);
}

}  // namespace
}  // namespace qel::test
