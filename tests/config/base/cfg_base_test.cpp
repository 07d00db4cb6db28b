// The configuration record base: reading and saving, numbered keys, deletion, the registry view.
#include <gtest/gtest.h>

#include "config/cfg_base.h"
#include "config/cfg_iterator.h"
#include "config/reg_key.h"
#include "config/registry_view.h"
#include "config_test_util.h"

namespace qel::test {
namespace {

constexpr char16_t kPath[] = u"Software\\Quorlan\\Test";

using RecordTest = ConfigTest;

TEST_F(RecordTest, AbsentKeyReadsBackConstructorDefaults) {
    TestCfg cfg(u"Missing");
    cfg.count = 7;
    EXPECT_EQ(cfg.Read(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(cfg.count, 7u);
    EXPECT_EQ(cfg.label, u"none");
}

TEST_F(RecordTest, SaveThenReadRoundTripsAndSaveUnderOtherNameKeepsOwnName) {
    TestCfg cfg(u"Item");
    cfg.count = 42;
    cfg.label = u"hello";
    ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    ASSERT_EQ(cfg.Save(u"Copy"), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(cfg.GetKeyName()), u"Item");

    TestCfg copy(u"Copy");
    ASSERT_EQ(copy.Read(), ERROR_SUCCESS);
    EXPECT_EQ(copy.count, 42u);
    EXPECT_EQ(copy.label, u"hello");

    // The machine root is a separate tree.
    TestCfg machine(u"Item");
    machine.SetBaseKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.Read(), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RecordTest, SaveUnderEmptyNameIsRefusedAndWritesNothing) {
    create_key(HKEY_CURRENT_USER, kPath);
    TestCfg cfg(u"Item");
    EXPECT_EQ(cfg.Save(u""), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(cfg.Save(nullptr), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, kPath).size(), 0u);
}

TEST_F(RecordTest, ComparisonAndCopyCoverBaseKeyNameAndPath) {
    TestCfg a(u"One");
    TestCfg b(u"One");
    EXPECT_TRUE(a == b);
    b.SetBaseKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(a != b);
    TestCfg c(u"one");  // names compare exactly, case included
    EXPECT_FALSE(a == c);
    CBTCfg& base = c;
    base = b;
    EXPECT_TRUE(c == b);
    EXPECT_EQ(c.GetBaseKey(), HKEY_LOCAL_MACHINE);
    const TestCfg d(b);
    EXPECT_TRUE(d == b);
}

TEST_F(RecordTest, LongNamesAreCutAndTerminated) {
    const std::u16string longName(400, u'n');
    TestCfg cfg(longName.c_str());
    EXPECT_EQ(std::u16string(cfg.GetKeyName()).size(), MAX_PATH - 1);
    TestCfg none(nullptr, nullptr);
    EXPECT_EQ(std::u16string(none.GetKeyName()), u"");
    EXPECT_EQ(std::u16string(none.GetKeyPath()), u"");
}

// Numbered keys: the highest of "0001".."0031" plus one, gaps never reused.
TEST_F(RecordTest, NumberingTakesHighestPlusOne) {
    struct Case {
        std::vector<std::u16string> present;
        std::u16string expected;
    };
    const Case cases[] = {
        {{}, u"0001"},
        {{u"0001", u"0002", u"0005"}, u"0006"},
        {{u"0031"}, u"0032"},
        {{u"0002"}, u"0003"},           // the gap at "0001" stays unused
        {{u"0032"}, u"0001"},           // "0032" is never probed
        {{u"0001", u"Other", u"9999"}, u"0002"},
    };
    int round = 0;
    for (const auto& c : cases) {
        const std::u16string path = std::u16string(kPath) + u"\\Case" + std::u16string(1, char16_t(u'A' + round++));
        for (const auto& name : c.present) create_key(HKEY_CURRENT_USER, path + u"\\" + name);
        TestCfg cfg(nullptr, path.c_str());
        ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
        EXPECT_EQ(std::u16string(cfg.GetKeyName()), c.expected);
        TestCfg back(c.expected.c_str(), path.c_str());
        back.count = 0;
        EXPECT_EQ(back.Read(), ERROR_SUCCESS);
        EXPECT_EQ(back.count, 7u);
    }
}

TEST_F(RecordTest, NumberingFullFailsSaveWithoutWritingIntoThePath) {
    const std::u16string path = std::u16string(kPath) + u"\\Full";
    create_key(HKEY_CURRENT_USER, path + u"\\0031");
    create_key(HKEY_CURRENT_USER, path + u"\\0032");
    TestCfg cfg(nullptr, path.c_str());
    EXPECT_EQ(cfg.Save(), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(std::u16string(cfg.GetKeyName()), u"");
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, path).size(), 0u);
    EXPECT_EQ(sub_keys(HKEY_CURRENT_USER, path).size(), 2u);

    char16_t name[MAX_PATH] = {};
    CBTCfg::AddCfgKey(name, path.c_str(), HKEY_CURRENT_USER);
    EXPECT_EQ(std::u16string(name), u"");
}

TEST_F(RecordTest, AddCfgKeyWithANameCreatesJustThatKey) {
    char16_t name[MAX_PATH] = u"Named";
    CBTCfg::AddCfgKey(name, kPath, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(std::u16string(name), u"Named");
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Test\\Named"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kPath));
}

TEST_F(RecordTest, NumberingUsesTheRecordsOwnRoot) {
    // "0001" is taken under the machine root only: a machine record must not be numbered from
    // the user tree, which would overwrite the machine's "0001".
    create_key(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Test\\0001");
    TestCfg cfg;
    cfg.SetBaseKey(HKEY_LOCAL_MACHINE);
    ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(cfg.GetKeyName()), u"0002");
}

TEST_F(RecordTest, DeleteCfgKeyDeletesOneLevelOnly) {
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Leaf");
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Tree\\Child");
    CBTCfg::DeleteCfgKey(u"Leaf", kPath, HKEY_CURRENT_USER);
    CBTCfg::DeleteCfgKey(u"Tree", kPath, HKEY_CURRENT_USER);
    EXPECT_EQ(sub_keys(HKEY_CURRENT_USER, kPath), std::vector<std::u16string>{u"Tree"});
    // An empty name would address the path's own key: nothing is deleted.
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Empty");
    CBTCfg::DeleteCfgKey(u"", u"Software\\Quorlan\\Empty", HKEY_CURRENT_USER);
    CBTCfg::DeleteCfgKey(nullptr, u"Software\\Quorlan\\Empty", HKEY_CURRENT_USER);
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\Empty"));
}

TEST_F(RecordTest, RegistryViewWidensMasksOnlyUnderWow64) {
    EXPECT_EQ(qel::config::CfgAccess(KEY_READ), 0x20019u);
    // The answer is remembered: a later change of the platform's answer is not seen...
    set_wow64_for_tests(true);
    EXPECT_EQ(qel::config::CfgAccess(KEY_READ), 0x20019u);
    // ...until the process starts afresh (here: the remembered answer is forgotten).
    qel::config::ResetRegistryViewForTests();
    EXPECT_EQ(qel::config::CfgAccess(KEY_READ), 0x20119u);
    EXPECT_EQ(qel::config::CfgAccess(KEY_WRITE), 0x20106u);

    // Records, numbering and iterators work with the widened masks and land in the one tree.
    TestCfg cfg;
    cfg.count = 99;
    ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(cfg.GetKeyName()), u"0001");
    CBTCfgIterator it(kPath);
    EXPECT_EQ(it.GetCount(), 1u);
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Gone");
    CBTCfg::DeleteCfgKey(u"Gone", kPath, HKEY_CURRENT_USER);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Gone"));
    set_wow64_for_tests(false);
    qel::config::ResetRegistryViewForTests();
    TestCfg back(u"0001");
    ASSERT_EQ(back.Read(), ERROR_SUCCESS);
    EXPECT_EQ(back.count, 99u);
}

TEST_F(RecordTest, RecurseDeleteKeyRemovesAWholeTree) {
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Tree\\A\\A1\\A2");
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Tree\\B");
    create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Keep");
    BtRegKey parent;
    ASSERT_EQ(parent.Open(HKEY_CURRENT_USER, kPath, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(parent.RecurseDeleteKey(u"Tree"), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(HKEY_CURRENT_USER, kPath), std::vector<std::u16string>{u"Keep"});
    EXPECT_EQ(parent.RecurseDeleteKey(u"Tree"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    // An empty name would empty and delete the key itself.
    EXPECT_EQ(parent.RecurseDeleteKey(u""), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(parent.DeleteSubKey(u""), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\Test\\Keep"));
}

TEST_F(RecordTest, BtRegKeyOwnsItsHandle) {
    BtRegKey key;
    DWORD disposition = 0;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kPath, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    HKEY raw = key.Detach();
    EXPECT_EQ(key.m_hKey, nullptr);
    BtRegKey other;
    other.Attach(raw);
    BtRegKey moved(std::move(other));
    EXPECT_EQ(moved.m_hKey, raw);
    EXPECT_EQ(other.m_hKey, nullptr);
    // A failed open keeps the handle held before.
    EXPECT_EQ(moved.Open(HKEY_CURRENT_USER, u"Software\\Nothing", KEY_READ), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(moved.m_hKey, raw);
    EXPECT_EQ(moved.Close(), ERROR_SUCCESS);
    // The handle was closed: using it now fails.
    RegKeyInfo info;
    EXPECT_EQ(reg_query_info_key(raw, &info), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

}  // namespace
}  // namespace qel::test
