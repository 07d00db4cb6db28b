// Several processes and threads on the same hives, and processes killed in the middle of writes.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>

#include "registry_test_util.h"

namespace qel::test {
namespace {

using ProcessTest = RegistryTest;

// Runs `child` in a forked process; its result (true = success) becomes the exit status.
template <class F>
pid_t spawn(F child) {
    pid_t pid = fork();
    if (pid == 0) _exit(child() ? 0 : 1);
    return pid;
}

bool exited_cleanly(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::u16string numbered(const char* prefix, int i) {
    return u16(prefix + std::to_string(i));
}

TEST_F(ProcessTest, WritesOfAnotherProcessShowAtTheNextCall) {
    RegKey key = create(HKEY_CURRENT_USER, u"Shared");
    create(key.get(), u"B");
    RegKey doomed = create(key.get(), u"Doomed");
    // Warm every cache of the parent's handles before the child changes the hive.
    EXPECT_EQ(sub_keys(key.get()), (std::vector<std::u16string>{u"B", u"Doomed"}));
    EXPECT_TRUE(value_names(key.get()).empty());
    EXPECT_EQ(query(doomed.get(), u"x"), std::nullopt);

    pid_t pid = spawn([] {
        RegKey shared;
        if (reg_open_key(HKEY_CURRENT_USER, u"Shared", KEY_ALL_ACCESS, shared.put()) != ERROR_SUCCESS)
            return false;
        RegKey a;
        return reg_create_key(shared.get(), u"A", KEY_ALL_ACCESS, a.put(), nullptr) == ERROR_SUCCESS &&
               set_dword(shared.get(), u"FromChild", 42) == ERROR_SUCCESS &&
               reg_delete_key(shared.get(), u"Doomed") == ERROR_SUCCESS;
    });
    ASSERT_TRUE(exited_cleanly(pid));

    EXPECT_EQ(sub_keys(key.get()), (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(value_names(key.get()), std::vector<std::u16string>{u"FromChild"});
    EXPECT_EQ(query_dword(key.get(), u"FromChild"), 42u);
    EXPECT_EQ(set_dword(doomed.get(), u"x", 1), ERROR_KEY_DELETED);
}

TEST_F(ProcessTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 3;
    constexpr int kWrites = 150;
    create(HKEY_CURRENT_USER, u"Shared");
    auto writer = [](int who) {
        RegKey shared;
        if (reg_open_key(HKEY_CURRENT_USER, u"Shared", KEY_ALL_ACCESS, shared.put()) != ERROR_SUCCESS)
            return false;
        for (int i = 0; i < kWrites; ++i) {
            RegKey own;
            if (reg_create_key(shared.get(), numbered("Writer", who), KEY_ALL_ACCESS, own.put(), nullptr) !=
                ERROR_SUCCESS)
                return false;
            if (set_dword(own.get(), numbered("v", i), static_cast<DWORD>(i)) != ERROR_SUCCESS) return false;
            if (set_dword(shared.get(), numbered("w", who * 1000 + i), static_cast<DWORD>(who)) !=
                ERROR_SUCCESS)
                return false;
            if (set_dword(shared.get(), u"LastWriter", static_cast<DWORD>(who)) != ERROR_SUCCESS)
                return false;
            if (sub_keys(shared.get()).empty()) return false;
        }
        return true;
    };
    std::vector<pid_t> children;
    for (int w = 1; w < kWriters; ++w) children.push_back(spawn([&] { return writer(w); }));
    EXPECT_TRUE(writer(0));
    for (pid_t pid : children) EXPECT_TRUE(exited_cleanly(pid));

    RegKey shared;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Shared", KEY_READ, shared.put()), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(shared.get()).size(), std::size_t{kWriters});
    for (int w = 0; w < kWriters; ++w) {
        RegKey own;
        ASSERT_EQ(reg_open_key(shared.get(), numbered("Writer", w), KEY_READ, own.put()), ERROR_SUCCESS);
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(query_dword(own.get(), numbered("v", i)), DWORD(i));
            EXPECT_EQ(query_dword(shared.get(), numbered("w", w * 1000 + i)), DWORD(w));
        }
    }
    RegKeyInfo info;
    ASSERT_EQ(reg_query_info_key(shared.get(), &info), ERROR_SUCCESS);
    EXPECT_EQ(info.values, DWORD{kWriters * kWrites + 1});
}

bool integrity_ok(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    bool ok = false;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            ok = std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) == "ok";
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return ok;
}

// A child writes in a loop and reports each completed write through a pipe; it is killed at a
// random moment. Every reported write must be there afterwards, in a hive that opens intact.
TEST_F(ProcessTest, KilledWriterKeepsEveryCompletedWrite) {
    std::mt19937 random(12345);
    int next = 0;
    for (int round = 0; round < 5; ++round) {
        reg_reset_for_tests();  // the child opens its own connections from scratch
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const int first = next;
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            RegKey key;
            if (reg_create_key(HKEY_CURRENT_USER, u"Storm", KEY_ALL_ACCESS, key.put(), nullptr) !=
                ERROR_SUCCESS)
                _exit(1);
            for (int i = first;; ++i) {
                std::u16string text = u"payload " + numbered("", i) + std::u16string(40, u'x');
                RegKey sub;
                if (reg_create_key(key.get(), numbered("k", i % 50), KEY_ALL_ACCESS, sub.put(), nullptr) !=
                        ERROR_SUCCESS ||
                    set_sz(sub.get(), numbered("s", i), text) != ERROR_SUCCESS ||
                    set_dword(key.get(), numbered("d", i), static_cast<DWORD>(i)) != ERROR_SUCCESS)
                    _exit(1);
                if (write(fds[1], &i, sizeof i) != sizeof i) _exit(1);
            }
        }
        close(fds[1]);
        // Let it write for a while (at least until it has reported something), then kill it.
        int reported = -1;
        ASSERT_EQ(read(fds[0], &reported, sizeof reported), static_cast<ssize_t>(sizeof reported));
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 60)(random)));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed";
        int i = 0;
        while (read(fds[0], &i, sizeof i) == static_cast<ssize_t>(sizeof i)) reported = i;
        close(fds[0]);

        reg_reset_for_tests();
        EXPECT_TRUE(integrity_ok(dir_.path() / "user.db"));
        RegKey key;
        ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Storm", KEY_READ, key.put()), ERROR_SUCCESS);
        for (int n = first; n <= reported; ++n) {
            ASSERT_EQ(query_dword(key.get(), numbered("d", n)), DWORD(n)) << "round " << round;
            RegKey sub;
            ASSERT_EQ(reg_open_key(key.get(), numbered("k", n % 50), KEY_READ, sub.put()), ERROR_SUCCESS);
            ASSERT_TRUE(query(sub.get(), numbered("s", n))) << "round " << round;
        }
        next = reported + 1;
    }
    EXPECT_GT(next, 5);
}

// Another process holds the hive's write lock for a while: a write waits for it instead of
// failing, and reads go on meanwhile.
TEST_F(ProcessTest, AWriterWaitsForAnotherProcessTransaction) {
    RegKey key = create(HKEY_CURRENT_USER, u"Locked");
    ASSERT_EQ(set_dword(key.get(), u"before", 1), ERROR_SUCCESS);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const auto file = dir_.path() / "user.db";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        sqlite3* db = nullptr;
        bool ok = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        char c = ok ? 'L' : 'E';
        ok = write(fds[1], &c, 1) == 1 && ok;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
        sqlite3_close(db);
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    char c = 0;
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    close(fds[0]);
    ASSERT_EQ(c, 'L');
    EXPECT_EQ(query_dword(key.get(), u"before"), 1u);  // readers are not blocked
    EXPECT_EQ(set_dword(key.get(), u"after", 2), ERROR_SUCCESS);
    EXPECT_TRUE(exited_cleanly(pid));
    EXPECT_EQ(query_dword(key.get(), u"after"), 2u);
}

TEST_F(ProcessTest, ThreadsShareHandlesAndHives) {
    constexpr int kThreads = 4;
    constexpr int kWrites = 200;
    RegKey shared = create(HKEY_CURRENT_USER, u"Threads");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            RegKey own;
            if (reg_create_key(shared.get(), numbered("T", t), KEY_ALL_ACCESS, own.put(), nullptr) !=
                ERROR_SUCCESS)
                ++failures;
            for (int i = 0; i < kWrites; ++i) {
                // One handle used by every thread at once, and one of each thread's own.
                if (set_dword(shared.get(), numbered("s", t * 1000 + i), DWORD(i)) != ERROR_SUCCESS)
                    ++failures;
                if (set_dword(own.get(), numbered("v", i), DWORD(i)) != ERROR_SUCCESS) ++failures;
                if (query_dword(shared.get(), numbered("s", t * 1000 + i)) != DWORD(i)) ++failures;
                char16_t name[16];
                DWORD len = 16;
                LSTATUS st = reg_enum_key(shared.get(), 0, name, &len);
                if (st != ERROR_SUCCESS) ++failures;
                RegKey machine;
                if (reg_create_key(HKEY_LOCAL_MACHINE, numbered("M", t), KEY_ALL_ACCESS, machine.put(),
                                   nullptr) != ERROR_SUCCESS)
                    ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    RegKeyInfo info;
    ASSERT_EQ(reg_query_info_key(shared.get(), &info), ERROR_SUCCESS);
    EXPECT_EQ(info.values, DWORD{kThreads * kWrites});
    EXPECT_EQ(info.sub_keys, DWORD{kThreads});
}

}  // namespace
}  // namespace qel::test
