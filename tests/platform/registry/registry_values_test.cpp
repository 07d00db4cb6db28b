#include "registry_test_util.h"

namespace qel::test {
namespace {

using ValueTest = RegistryTest;

std::vector<BYTE> bytes(std::u16string_view s) {
    const BYTE* p = reinterpret_cast<const BYTE*>(s.data());
    return std::vector<BYTE>(p, p + s.size() * 2);
}

TEST_F(ValueTest, ValuesEnumerateInCreationOrderDefaultIncluded) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    ASSERT_EQ(set_dword(key.get(), u"zeta", 1), ERROR_SUCCESS);
    ASSERT_EQ(set_sz(key.get(), u"", u"default"), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(key.get(), u"Alpha", 2), ERROR_SUCCESS);
    EXPECT_EQ(value_names(key.get()), (std::vector<std::u16string>{u"zeta", u"", u"Alpha"}));

    // Replacing keeps the first spelling and the position.
    ASSERT_EQ(set_sz(key.get(), u"ZETA", u"now text"), ERROR_SUCCESS);
    EXPECT_EQ(value_names(key.get()), (std::vector<std::u16string>{u"zeta", u"", u"Alpha"}));
    auto v = query(key.get(), u"Zeta");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_SZ);
    EXPECT_EQ(v->data, bytes(std::u16string_view(u"now text", 9)));

    // A value deleted and set again is a new value, last in order.
    ASSERT_EQ(reg_delete_value(key.get(), u""), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(key.get(), u"", 9), ERROR_SUCCESS);
    EXPECT_EQ(value_names(key.get()), (std::vector<std::u16string>{u"zeta", u"Alpha", u""}));
}

TEST_F(ValueTest, DataIsStoredAsGivenSaveAMissingStringTerminator) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    struct Case {
        DWORD type;
        std::vector<BYTE> given, stored;
    };
    const auto abc = bytes(u"abc"), abc0 = bytes(std::u16string_view(u"abc", 4));
    const std::vector<Case> cases = {
        {REG_DWORD, {1, 2, 3}, {1, 2, 3}},  // a short DWORD is kept short
        {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {REG_BINARY, {}, {}},
        {REG_BINARY, abc, abc},
        {REG_NONE, {9}, {9}},
        {0x1234, {0xAB, 0xCD}, {0xAB, 0xCD}},
        {REG_SZ, {0x41}, {0x41}},  // odd size: no terminator added
        {REG_SZ, {}, {}},
        {REG_SZ, abc, abc0},
        {REG_SZ, abc0, abc0},
        {REG_EXPAND_SZ, bytes(u"%H%"), bytes(std::u16string_view(u"%H%", 4))},
        {REG_MULTI_SZ, bytes(std::u16string_view(u"a\0b", 3)), bytes(std::u16string_view(u"a\0b", 4))},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        ASSERT_EQ(set_bytes(key.get(), u16("v" + std::to_string(i)), cases[i].type, cases[i].given), ERROR_SUCCESS);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(query(key.get(), u16("v" + std::to_string(i))), (Value{cases[i].type, cases[i].stored})) << i;
    std::vector<BYTE> big(300000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i * 31);
    ASSERT_EQ(set_bytes(key.get(), u"big", REG_BINARY, big), ERROR_SUCCESS);
    EXPECT_EQ(query(key.get(), u"big")->data, big);
}

TEST_F(ValueTest, QueryBufferSizes) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    const std::vector<BYTE> data = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(set_bytes(key.get(), u"b", REG_BINARY, data), ERROR_SUCCESS);

    BYTE buf[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    DWORD type = 0, size = 6;
    ASSERT_EQ(reg_query_value(key.get(), u"b", &type, buf, &size), ERROR_SUCCESS);  // exact fit
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::vector<BYTE>(buf, buf + 7), (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 0xEE}));

    std::fill(std::begin(buf), std::end(buf), 0xEE);
    type = 0;
    size = 5;  // one short
    EXPECT_EQ(reg_query_value(key.get(), u"b", &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(buf[0], 0xEE) << "nothing written on ERROR_MORE_DATA";

    size = 0;
    type = 0;
    EXPECT_EQ(reg_query_value(key.get(), u"b", &type, nullptr, &size), ERROR_SUCCESS);  // size only
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(reg_query_value(key.get(), u"b", nullptr, nullptr, nullptr), ERROR_SUCCESS);  // existence
    EXPECT_EQ(reg_query_value(key.get(), u"b", nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_query_value(key.get(), u"missing", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_query_value(key.get(), u"", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(set_bytes(key.get(), u"empty", REG_BINARY, {}), ERROR_SUCCESS);
    size = 0;
    EXPECT_EQ(reg_query_value(key.get(), u"empty", &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
}

TEST_F(ValueTest, EnumValueBufferSizes) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    ASSERT_EQ(set_dword(key.get(), u"Name", 0x01020304), ERROR_SUCCESS);
    char16_t name[8];
    BYTE data[4];
    DWORD len = 5, type = 0, size = 4;
    ASSERT_EQ(reg_enum_value(key.get(), 0, name, &len, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, len), u"Name");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);

    len = 4;  // no room for the terminator
    type = 0;
    size = 4;
    EXPECT_EQ(reg_enum_value(key.get(), 0, name, &len, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(type, REG_DWORD);

    len = 8;
    type = 0;
    size = 3;  // data one short: size and type still reported, the name too
    EXPECT_EQ(reg_enum_value(key.get(), 0, name, &len, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(std::u16string(name, len), u"Name");

    len = 8;
    size = 0;
    EXPECT_EQ(reg_enum_value(key.get(), 0, name, &len, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    len = 8;
    EXPECT_EQ(reg_enum_value(key.get(), 1, name, &len, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(reg_enum_value(key.get(), 0, nullptr, &len, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_enum_value(key.get(), 0, name, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_enum_value(key.get(), 0, name, &len, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(ValueTest, NamesAreCaseInsensitiveAndLimited) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    ASSERT_EQ(set_dword(key.get(), u"ÄrgerΣ", 5), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(key.get(), u"äRGERσ"), 5u);
    EXPECT_EQ(query_dword(key.get(), u"äRGERς"), 5u);  // final sigma folds to the same letter
    EXPECT_EQ(reg_delete_value(key.get(), u"ÄRGERΣ"), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_value(key.get(), u"ÄRGERΣ"), ERROR_FILE_NOT_FOUND);

    std::u16string longest(kMaxValueNameLength, u'v');
    std::u16string too_long(kMaxValueNameLength + 1, u'v');
    EXPECT_EQ(set_dword(key.get(), longest, 1), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(key.get(), longest), 1u);
    EXPECT_EQ(set_dword(key.get(), too_long, 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_query_value(key.get(), too_long, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_delete_value(key.get(), too_long), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_set_value(key.get(), u"null", REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_set_value(key.get(), u"null", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(value_names(key.get()), (std::vector<std::u16string>{longest, u"null"}));
}

TEST_F(ValueTest, QueryInfoCountsAndLongestLengths) {
    RegKey key = create(HKEY_CURRENT_USER, u"P");
    RegKeyInfo info;
    ASSERT_EQ(reg_query_info_key(key.get(), &info), ERROR_SUCCESS);
    EXPECT_EQ(info.sub_keys, 0u);
    EXPECT_EQ(info.values, 0u);
    EXPECT_EQ(info.max_value_data_size, 0u);
    create(key.get(), u"abc");
    create(key.get(), u"abcdefg\\deeper-is-not-counted");
    ASSERT_EQ(set_sz(key.get(), u"four", u"0123456789"), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(key.get(), u"sixsix", 1), ERROR_SUCCESS);
    ASSERT_EQ(reg_query_info_key(key.get(), &info), ERROR_SUCCESS);
    EXPECT_EQ(info.sub_keys, 2u);
    EXPECT_EQ(info.max_sub_key_length, 7u);
    EXPECT_EQ(info.values, 2u);
    EXPECT_EQ(info.max_value_name_length, 6u);
    EXPECT_EQ(info.max_value_data_size, 22u);
}

TEST_F(ValueTest, RegKeyClosesAndMoves) {
    HKEY raw = nullptr;
    {
        RegKey key = create(HKEY_CURRENT_USER, u"P");
        raw = key.get();
        RegKey moved = std::move(key);
        EXPECT_FALSE(key);
        EXPECT_EQ(moved.get(), raw);
        RegKey assigned;
        assigned = std::move(moved);
        EXPECT_EQ(set_dword(assigned.get(), u"v", 1), ERROR_SUCCESS);
    }
    EXPECT_EQ(set_dword(raw, u"v", 1), ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace qel::test
