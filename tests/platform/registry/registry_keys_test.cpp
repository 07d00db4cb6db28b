#include <sys/stat.h>

#include <gmock/gmock.h>

#include <fstream>

#include "registry_test_util.h"

namespace qel::test {
namespace {

using KeyTest = RegistryTest;
using ::testing::Each;
using ::testing::Eq;

// The results of every call that takes a key handle, made on `key` (none may hand out a key).
std::vector<LSTATUS> every_call(HKEY key) {
    DWORD size = 4, len = 8;
    BYTE buf[4];
    char16_t name[8];
    RegKeyInfo info;
    HKEY out = nullptr;
    std::vector<LSTATUS> results = {
        reg_query_value(key, u"v", nullptr, buf, &size),
        set_dword(key, u"v", 2),
        reg_delete_value(key, u"v"),
        reg_delete_key(key, u"X"),
        reg_enum_key(key, 0, name, &len),
        reg_enum_value(key, 0, name, &len, nullptr, nullptr, nullptr),
        reg_query_info_key(key, &info),
        reg_create_key(key, u"Sub", KEY_ALL_ACCESS, &out, nullptr),
        reg_open_key(key, u"", KEY_READ, &out),
    };
    EXPECT_EQ(out, nullptr);
    return results;
}

TEST_F(KeyTest, CreateMakesEveryLevelAndReportsDisposition) {
    DWORD disposition = 0;
    RegKey deep = create(HKEY_CURRENT_USER, u"Software\\Quorlan\\Devices", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    RegKey middle;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan", KEY_ALL_ACCESS, middle.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(middle.get()), std::vector<std::u16string>{u"Devices"});

    disposition = 0;
    RegKey again = create(HKEY_CURRENT_USER, u"SOFTWARE\\quorlan\\devices\\", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    // Both handles reach the same key.
    ASSERT_EQ(set_dword(again.get(), u"Count", 3), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(deep.get(), u"count"), 3u);

    // One missing level at the end: the disposition speaks of the last level.
    disposition = 0;
    RegKey leaf = create(middle.get(), u"Devices\\Phone", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    // An empty sub-key opens the parent again, as a new handle.
    RegKey same = create(leaf.get(), u"", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(same.get(), leaf.get());
    ASSERT_EQ(set_dword(same.get(), u"x", 1), ERROR_SUCCESS);
    RegKey opened;
    ASSERT_EQ(reg_open_key(leaf.get(), u"", KEY_READ, opened.put()), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(opened.get(), u"X"), 1u);
}

TEST_F(KeyTest, OpenOfAMissingLevelIsFileNotFound) {
    create(HKEY_CURRENT_USER, u"Software\\A");
    HKEY out = reinterpret_cast<HKEY>(std::uintptr_t{1});
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\B", KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\A\\B\\C", KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    // Opening does not create.
    RegKey sw;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software", KEY_READ, sw.put()), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(sw.get()), std::vector<std::u16string>{u"A"});
}

TEST_F(KeyTest, NamesKeepTheSpellingTheyWereCreatedWith) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    create(parent.get(), u"MixedCase");
    create(parent.get(), u"MIXEDCASE");
    create(parent.get(), u"яблоко");
    DWORD disposition = 0;
    create(parent.get(), u"ЯБЛОКО", KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    create(parent.get(), u"Straße");
    create(parent.get(), u"STRASSE");  // no folding of ß: a different name
    EXPECT_EQ(sub_keys(parent.get()),
              (std::vector<std::u16string>{u"MixedCase", u"STRASSE", u"Straße", u"яблоко"}));
}

TEST_F(KeyTest, SubKeysEnumerateByUpperCasedNamesWithPrefixesFirst) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    for (auto n : {u"_x", u"Ax", u"b", u"abc", u"Émile", u"AB", u"a", u"ab1", u"Zeta", u"éclair"})
        create(parent.get(), n);
    EXPECT_EQ(sub_keys(parent.get()), (std::vector<std::u16string>{u"a", u"AB", u"ab1", u"abc", u"Ax", u"b",
                                                                   u"Zeta", u"_x", u"éclair", u"Émile"}));
}

TEST_F(KeyTest, EnumerationIndexesFollowChangesMadeThroughOtherHandles) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    RegKey other;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P", KEY_ALL_ACCESS, other.put()), ERROR_SUCCESS);
    create(parent.get(), u"b");
    create(parent.get(), u"d");
    char16_t name[16];
    DWORD len = 16;
    ASSERT_EQ(reg_enum_key(parent.get(), 1, name, &len), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"d");

    create(other.get(), u"c");
    len = 16;
    ASSERT_EQ(reg_enum_key(parent.get(), 1, name, &len), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"c");

    ASSERT_EQ(reg_delete_key(other.get(), u"b"), ERROR_SUCCESS);
    ASSERT_EQ(reg_delete_key(other.get(), u"c"), ERROR_SUCCESS);
    len = 16;
    EXPECT_EQ(reg_enum_key(parent.get(), 1, name, &len), ERROR_NO_MORE_ITEMS);
    len = 16;
    ASSERT_EQ(reg_enum_key(parent.get(), 0, name, &len), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"d");
}

TEST_F(KeyTest, EnumKeyBufferSizes) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    create(parent.get(), u"Hello");
    char16_t name[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};

    DWORD len = 6;  // exact fit: five letters and the terminator
    ASSERT_EQ(reg_enum_key(parent.get(), 0, name, &len), ERROR_SUCCESS);
    EXPECT_EQ(len, 5u);
    EXPECT_EQ(std::u16string(name, 6), std::u16string(u"Hello\0", 6));

    for (DWORD small : {5u, 1u, 0u}) {
        len = small;
        EXPECT_EQ(reg_enum_key(parent.get(), 0, name, &len), ERROR_MORE_DATA);
        EXPECT_EQ(len, small) << "the length stays as given";
    }
    len = 8;
    EXPECT_EQ(reg_enum_key(parent.get(), 1, name, &len), ERROR_NO_MORE_ITEMS);
    len = 0;
    EXPECT_EQ(reg_enum_key(parent.get(), 1, name, &len), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(reg_enum_key(parent.get(), 0, nullptr, &len), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_enum_key(parent.get(), 0, name, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(KeyTest, DeleteKeyRules) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    RegKey child = create(parent.get(), u"Child\\Grandchild");
    ASSERT_EQ(set_dword(child.get(), u"v", 7), ERROR_SUCCESS);

    EXPECT_EQ(reg_delete_key(parent.get(), u"Child"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_delete_key(parent.get(), u"Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_delete_key(parent.get(), u"Missing\\Deeper"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_delete_key(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg_delete_key(parent.get(), u"child\\GRANDCHILD"), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_key(parent.get(), u"Child\\Grandchild"), ERROR_FILE_NOT_FOUND);

    // A key created again under the same name starts empty.
    RegKey again = create(parent.get(), u"Child\\Grandchild");
    EXPECT_EQ(query(again.get(), u"v"), std::nullopt);
    EXPECT_TRUE(value_names(again.get()).empty());

    // An empty sub-key deletes the handle's own key.
    EXPECT_EQ(reg_delete_key(again.get(), u""), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(parent.get()), std::vector<std::u16string>{u"Child"});
}

TEST_F(KeyTest, DeleteTreeRemovesEverythingBelow) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    RegKey a = create(parent.get(), u"A\\B\\C");
    create(parent.get(), u"A\\D");
    create(parent.get(), u"Keep");
    ASSERT_EQ(set_dword(a.get(), u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_tree(parent.get(), u"A"), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(parent.get()), std::vector<std::u16string>{u"Keep"});
    EXPECT_EQ(query(a.get(), u"v"), std::nullopt);
    EXPECT_EQ(reg_delete_tree(parent.get(), u"A"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(set_dword(parent.get(), u"w", 2), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_tree(parent.get(), u""), ERROR_SUCCESS);
    EXPECT_TRUE(sub_keys(parent.get()).empty());
    EXPECT_TRUE(value_names(parent.get()).empty());
    EXPECT_EQ(set_dword(parent.get(), u"still-there", 1), ERROR_SUCCESS);
}

TEST_F(KeyTest, HandleOfADeletedKeyAnswersKeyDeleted) {
    RegKey parent = create(HKEY_CURRENT_USER, u"P");
    RegKey first = create(parent.get(), u"K");
    RegKey second;
    ASSERT_EQ(reg_open_key(parent.get(), u"k", KEY_ALL_ACCESS, second.put()), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(first.get(), u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(second.get(), u"v"), 1u);  // the handle has been used: its checks are warm
    EXPECT_TRUE(sub_keys(second.get()).empty());

    ASSERT_EQ(reg_delete_key(first.get(), u""), ERROR_SUCCESS);

    EXPECT_THAT(every_call(second.get()), Each(Eq(static_cast<LSTATUS>(ERROR_KEY_DELETED))));

    // A key created again under the same name is a different key.
    create(parent.get(), u"K");
    EXPECT_EQ(set_dword(second.get(), u"v", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(reg_close_key(second.release()), ERROR_SUCCESS);
}

TEST_F(KeyTest, AccessRightsOfTheHandleAreEnforced) {
    RegKey writer = create(HKEY_CURRENT_USER, u"P");
    create(writer.get(), u"Existing");
    ASSERT_EQ(set_dword(writer.get(), u"v", 1), ERROR_SUCCESS);

    for (DWORD access : {KEY_READ, DWORD{0x80000000} /* generic read */}) {
        RegKey reader;
        ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P", access, reader.put()), ERROR_SUCCESS);
        EXPECT_EQ(set_dword(reader.get(), u"v", 2), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg_delete_value(reader.get(), u"v"), ERROR_ACCESS_DENIED);
        RegKey sub;
        EXPECT_EQ(reg_create_key(reader.get(), u"New", KEY_ALL_ACCESS, sub.put(), nullptr),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg_create_key(reader.get(), u"Existing\\New", KEY_ALL_ACCESS, sub.put(), nullptr),
                  ERROR_ACCESS_DENIED);
        // Opening an existing key through create is allowed.
        EXPECT_EQ(reg_create_key(reader.get(), u"Existing", KEY_READ, sub.put(), nullptr), ERROR_SUCCESS);
        EXPECT_EQ(query_dword(reader.get(), u"v"), 1u);
        EXPECT_EQ(sub_keys(reader.get()), std::vector<std::u16string>{u"Existing"});
    }
    EXPECT_EQ(query_dword(writer.get(), u"v"), 1u);
    EXPECT_EQ(sub_keys(writer.get()), std::vector<std::u16string>{u"Existing"});

    RegKey set_only;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P", KEY_SET_VALUE, set_only.put()), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(set_only.get(), u"v", 3), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(reg_query_value(set_only.get(), u"v", nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    char16_t name[16];
    DWORD len = 16;
    EXPECT_EQ(reg_enum_key(set_only.get(), 0, name, &len), ERROR_ACCESS_DENIED);
}

TEST_F(KeyTest, BadHandlesAreRefusedNotFollowed) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    HKEY closed = nullptr;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P", KEY_READ, &closed), ERROR_SUCCESS);
    ASSERT_EQ(reg_close_key(closed), ERROR_SUCCESS);
    EXPECT_EQ(reg_close_key(closed), ERROR_INVALID_HANDLE);

    HKEY classes_root = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
    HKEY garbage = reinterpret_cast<HKEY>(std::uintptr_t{0xDEADBEEF});
    HKEY misaligned = reinterpret_cast<HKEY>(reinterpret_cast<std::uintptr_t>(key.get()) + 1);
    for (HKEY bad : {HKEY{nullptr}, closed, classes_root, garbage, misaligned})
        EXPECT_THAT(every_call(bad), Each(Eq(static_cast<LSTATUS>(ERROR_INVALID_HANDLE))));
    EXPECT_EQ(reg_close_key(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg_close_key(garbage), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg_close_key(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(reg_close_key(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(HKEY_CURRENT_USER, u"StillUsable", 1), ERROR_SUCCESS);
}

TEST_F(KeyTest, BadArgumentsAreInvalidParameters) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    EXPECT_EQ(reg_open_key(key.get(), u"X", KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_create_key(key.get(), u"X", KEY_READ, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_query_info_key(key.get(), nullptr), ERROR_INVALID_PARAMETER);

    std::u16string longest(kMaxKeyNameLength, u'k');
    std::u16string too_long(kMaxKeyNameLength + 1, u'k');
    RegKey out;
    EXPECT_EQ(reg_create_key(key.get(), longest, KEY_READ, out.put(), nullptr), ERROR_SUCCESS);
    EXPECT_EQ(reg_create_key(key.get(), too_long, KEY_READ, out.put(), nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_create_key(key.get(), u"ok\\" + too_long, KEY_READ, out.put(), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_open_key(key.get(), too_long, KEY_READ, out.put()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_delete_key(key.get(), too_long), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_create_key(key.get(), u"\\Leading", KEY_READ, out.put(), nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_create_key(key.get(), u"Doubled\\\\Sep", KEY_READ, out.put(), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(sub_keys(key.get()), std::vector<std::u16string>{longest}) << "nothing half-created";

    // A name is cut at an embedded terminator.
    EXPECT_EQ(reg_create_key(key.get(), std::u16string(u"Cut\0ignored", 11), KEY_READ, out.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(key.get()), (std::vector<std::u16string>{u"Cut", longest}));
}

TEST_F(KeyTest, RootsAreSeparateHivesInAPrivateRegistryFolder) {
    auto nested = dir_.path() / "a" / "b";
    ScopedEnv env("QEL_REGISTRY_DIR", nested.string());
    reg_reset_for_tests();
    create(HKEY_CURRENT_USER, u"Software\\OnlyUser");
    create(HKEY_LOCAL_MACHINE, u"Software\\OnlyMachine");
    EXPECT_EQ(registry_dir(), nested);
    struct stat st {};
    ASSERT_EQ(::stat(nested.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(std::filesystem::exists(nested / "user.db"));
    EXPECT_TRUE(std::filesystem::exists(nested / "machine.db"));
    RegKey sw;
    ASSERT_EQ(reg_open_key(HKEY_LOCAL_MACHINE, u"Software", KEY_READ, sw.put()), ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(sw.get()), std::vector<std::u16string>{u"OnlyMachine"});

    // Without QEL_REGISTRY_DIR the user's data folder holds them.
    ScopedEnv no_dir("QEL_REGISTRY_DIR", std::nullopt);
    ScopedEnv data("XDG_DATA_HOME", (dir_.path() / "data").string());
    reg_reset_for_tests();
    create(HKEY_CURRENT_USER, u"K");
    EXPECT_EQ(registry_dir(), dir_.path() / "data" / "qel");
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "data" / "qel" / "user.db"));
}

TEST_F(KeyTest, AFileThatIsNotAHiveIsABadDatabase) {
    std::ofstream(dir_.path() / "user.db") << std::string(4096, 'x');
    RegKey key;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software", KEY_READ, key.put()), ERROR_BADDB);
    EXPECT_EQ(set_dword(HKEY_CURRENT_USER, u"v", 1), ERROR_BADDB);
    // The other hive is unaffected.
    EXPECT_EQ(set_dword(HKEY_LOCAL_MACHINE, u"v", 1), ERROR_SUCCESS);
}

TEST_F(KeyTest, AFolderThatCannotBeCreatedIsReported) {
    std::ofstream(dir_.path() / "plainfile") << "x";
    ScopedEnv env("QEL_REGISTRY_DIR", (dir_.path() / "plainfile" / "sub").string());
    reg_reset_for_tests();
    EXPECT_EQ(set_dword(HKEY_CURRENT_USER, u"v", 1), ERROR_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace qel::test
