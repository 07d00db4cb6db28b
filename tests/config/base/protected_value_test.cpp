// Protected values: the sealed layout, round trips in both scopes, and every way a stored value
// can be wrong (moved, other scope, tampered, truncated, of another type) answering 6001.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "config/protected_value.h"
#include "config_test_util.h"
#include "platform/text/text.h"
#include "trace/qel_trace.h"

namespace qel::test {
namespace {

class ProtectedValueTest : public ConfigTest {
protected:
    ProtectedValueTest() {
        EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Secrets", KEY_ALL_ACCESS, sub_.put(), nullptr),
                  ERROR_SUCCESS);
    }

    static std::vector<BYTE> raw(HKEY key, std::u16string_view name) {
        DWORD size = 0;
        DWORD type = 0;
        if (reg_query_value(key, name, &type, nullptr, &size) != ERROR_SUCCESS) return {};
        std::vector<BYTE> data(size);
        reg_query_value(key, name, &type, data.data(), &size);
        return data;
    }
    static void put_raw(HKEY key, std::u16string_view name, const std::vector<BYTE>& data, DWORD type = REG_BINARY) {
        ASSERT_EQ(reg_set_value(key, name, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    }
    static LONG query(HKEY key, const char16_t* name, std::vector<BYTE>* out, DWORD* type = nullptr) {
        out->assign(256, 0);
        DWORD size = 256;
        const LONG rc = BTRegQueryEncValue(key, name, nullptr, type, out->data(), &size);
        if (rc == ERROR_SUCCESS) out->resize(size);
        return rc;
    }
    static DWORD u32(const std::vector<BYTE>& b, std::size_t at) {
        return static_cast<DWORD>(b[at]) | (static_cast<DWORD>(b[at + 1]) << 8) | (static_cast<DWORD>(b[at + 2]) << 16) |
               (static_cast<DWORD>(b[at + 3]) << 24);
    }

    RegKey sub_;
    const std::vector<BYTE> secret_ = {'P', 'I', 'N', '1'};
};

TEST_F(ProtectedValueTest, RoundTripsInBothScopesWithTheCallersType) {
    ASSERT_EQ(BTRegSetEncValue(HKEY_CURRENT_USER, u"Pin", 0, REG_SZ, secret_.data(), 4), ERROR_SUCCESS);
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Pin", 0, REG_DWORD, secret_.data(), 4), ERROR_SUCCESS);
    EXPECT_TRUE(BtIsUserKeyContainerExist());
    EXPECT_TRUE(BtIsMachineKeyContainerExist());
    std::vector<BYTE> out;
    DWORD type = 0;
    ASSERT_EQ(query(HKEY_CURRENT_USER, u"Pin", &out, &type), ERROR_SUCCESS);
    EXPECT_EQ(out, secret_);
    EXPECT_EQ(type, REG_SZ);
    ASSERT_EQ(query(sub_.get(), u"Pin", &out, &type), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    // The registry finds the value under any case, but the sealed name is compared byte for byte.
    EXPECT_EQ(query(sub_.get(), u"PIN", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));

    // Empty data and the default (unnamed) value.
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), nullptr, 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(query(sub_.get(), nullptr, &out), ERROR_SUCCESS);
    EXPECT_TRUE(out.empty());
}

TEST_F(ProtectedValueTest, StoredFormHasTheSealedLayoutAndNoPlainData) {
    const std::vector<BYTE> data(40, 0xC7);
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Key", 0, REG_BINARY, data.data(), 40), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(reg_query_value(sub_.get(), u"Key", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    const std::vector<BYTE> stored = raw(sub_.get(), u"Key");
    ASSERT_GE(stored.size(), 12u);
    EXPECT_EQ(u32(stored, 0), stored.size());
    EXPECT_EQ(u32(stored, 4), 76u);  // SIMPLEBLOB under a 512-bit key-exchange key
    EXPECT_EQ(std::vector<BYTE>(stored.begin() + 8, stored.begin() + 20),
              (std::vector<BYTE>{1, 2, 0, 0, 0x02, 0x66, 0, 0, 0x00, 0xA4, 0, 0}));
    // Plain record: 4 + 4 + "Key\0" + 4 + 40 = 56 bytes, padded to 64.
    EXPECT_EQ(u32(stored, 84), 64u);
    EXPECT_EQ(stored.size(), 12u + 76u + 64u);
    const std::vector<BYTE> run(8, 0xC7);
    EXPECT_EQ(std::search(stored.begin(), stored.end(), run.begin(), run.end()), stored.end());
    // Every sealing uses a fresh session key.
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Key", 0, REG_BINARY, data.data(), 40), ERROR_SUCCESS);
    EXPECT_NE(raw(sub_.get(), u"Key"), stored);
}

TEST_F(ProtectedValueTest, ValueMovedToAnotherNameOrScopeDoesNotOpen) {
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Original", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    put_raw(sub_.get(), u"Moved", raw(sub_.get(), u"Original"));
    std::vector<BYTE> out;
    EXPECT_EQ(query(sub_.get(), u"Moved", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));

    // Written through the predefined current-user handle (user container), read through an open
    // sub-key of the current user (machine container).
    ASSERT_EQ(BTRegSetEncValue(HKEY_CURRENT_USER, u"UserPin", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    put_raw(sub_.get(), u"UserPin", raw(HKEY_CURRENT_USER, u"UserPin"));
    EXPECT_EQ(query(sub_.get(), u"UserPin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
    // And the other way round.
    put_raw(HKEY_CURRENT_USER, u"Original", raw(sub_.get(), u"Original"));
    EXPECT_EQ(query(HKEY_CURRENT_USER, u"Original", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
}

TEST_F(ProtectedValueTest, UserValueWithoutAMachineContainerAnswers6001) {
    ASSERT_EQ(BTRegSetEncValue(HKEY_CURRENT_USER, u"UserPin", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    EXPECT_FALSE(BtIsMachineKeyContainerExist());
    put_raw(sub_.get(), u"UserPin", raw(HKEY_CURRENT_USER, u"UserPin"));
    std::vector<BYTE> out;
    EXPECT_EQ(query(sub_.get(), u"UserPin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
    EXPECT_FALSE(BtIsMachineKeyContainerExist());  // opening never creates a container
}

TEST_F(ProtectedValueTest, EveryTamperedByteAndEveryTruncationAnswers6001) {
    // Small data: every cipher block holds part of the record's structure, so any change shows.
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Pin", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    const std::vector<BYTE> stored = raw(sub_.get(), u"Pin");
    std::vector<BYTE> out;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        for (BYTE flip : {BYTE{0x01}, BYTE{0x80}}) {
            std::vector<BYTE> bad = stored;
            bad[i] ^= flip;
            put_raw(sub_.get(), u"Pin", bad);
            EXPECT_EQ(query(sub_.get(), u"Pin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE))
                << "byte " << i;
        }
    }
    for (std::size_t n = 0; n < stored.size(); ++n) {
        put_raw(sub_.get(), u"Pin", std::vector<BYTE>(stored.begin(), stored.begin() + n));
        EXPECT_EQ(query(sub_.get(), u"Pin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE)) << n;
    }
    // Lengths that point past the end, or wrap around.
    for (DWORD blob : {0xFFFFFFFFu, 0xFFFFFFF4u, 0x7FFFFFFFu, 77u}) {
        std::vector<BYTE> bad = stored;
        std::memcpy(bad.data() + 4, &blob, 4);
        put_raw(sub_.get(), u"Pin", bad);
        EXPECT_EQ(query(sub_.get(), u"Pin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE)) << blob;
    }
    put_raw(sub_.get(), u"Pin", stored, REG_DWORD);
    EXPECT_EQ(query(sub_.get(), u"Pin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
    put_raw(sub_.get(), u"Pin", stored);
    ASSERT_EQ(query(sub_.get(), u"Pin", &out), ERROR_SUCCESS);
    EXPECT_EQ(out, secret_);
}

TEST_F(ProtectedValueTest, BufferSizesAndMissingValues) {
    const std::vector<BYTE> data(100, 9);
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Big", 0, REG_BINARY, data.data(), 100), ERROR_SUCCESS);
    std::vector<BYTE> out(100, 0);
    DWORD size = 99;
    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), u"Big", nullptr, nullptr, out.data(), &size), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 99u);  // left alone
    EXPECT_EQ(out, std::vector<BYTE>(100, 0));
    size = 100;
    DWORD type = 0;
    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), u"Big", nullptr, &type, out.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(out, data);
    // No buffer: the length is reported when it fits the size given.
    size = 500;
    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), u"Big", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), u"Big", nullptr, nullptr, out.data(), nullptr),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), u"Nothing", nullptr, nullptr, out.data(), &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    // A name too long for the sealed record's 260-byte name buffer is refused, nothing written.
    const std::u16string longName(260, u'n');
    EXPECT_EQ(BTRegSetEncValue(sub_.get(), longName.c_str(), 0, REG_BINARY, data.data(), 4),
              static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(raw(sub_.get(), longName).empty());
    const std::u16string longestName(259, u'n');
    EXPECT_EQ(BTRegSetEncValue(sub_.get(), longestName.c_str(), 0, REG_BINARY, data.data(), 4), ERROR_SUCCESS);
    size = 4;
    EXPECT_EQ(BTRegQueryEncValue(sub_.get(), longestName.c_str(), nullptr, nullptr, out.data(), &size), ERROR_SUCCESS);
    // Writing to a closed handle reports the registry's error.
    EXPECT_EQ(BTRegSetEncValue(nullptr, u"X", 0, REG_BINARY, data.data(), 4), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(ProtectedValueTest, ContainersAreManagedAndRecreatedWhenMissing) {
    EXPECT_FALSE(BtIsUserKeyContainerExist());
    EXPECT_FALSE(BtDeleteUserKeyContainers());
    EXPECT_EQ(BtInitializeUserKeyContainer(), ERROR_SUCCESS);
    EXPECT_NE(BtInitializeUserKeyContainer(), ERROR_SUCCESS);  // already there
    EXPECT_TRUE(BtIsUserKeyContainerExist());
    EXPECT_EQ(BtInitializeMachineKeyContainer(), ERROR_SUCCESS);
    EXPECT_TRUE(BtDeleteMachineKeyContainer());
    EXPECT_FALSE(BtIsMachineKeyContainerExist());

    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Pin", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    EXPECT_TRUE(BtIsMachineKeyContainerExist());  // sealing made it
    // A new container has a new key: values sealed under the old one no longer open.
    EXPECT_TRUE(BtDeleteMachineKeyContainer());
    EXPECT_EQ(BtInitializeMachineKeyContainer(), ERROR_SUCCESS);
    std::vector<BYTE> out;
    EXPECT_EQ(query(sub_.get(), u"Pin", &out), static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE));
    ASSERT_EQ(BTRegSetEncValue(sub_.get(), u"Pin", 0, REG_BINARY, secret_.data(), 4), ERROR_SUCCESS);
    EXPECT_EQ(query(sub_.get(), u"Pin", &out), ERROR_SUCCESS);
}

TEST_F(ProtectedValueTest, SealAndOpenBuffersDirectly) {
    std::vector<BYTE> plain = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    BYTE* buffer = plain.data();
    DWORD length = static_cast<DWORD>(plain.size());
    ASSERT_TRUE(encryptKeyValue(true, &buffer, &length));
    ASSERT_NE(buffer, plain.data());
    EXPECT_EQ(length, 12u + 76u + 16u);
    BYTE* opened = buffer;
    DWORD openedLength = length;
    ASSERT_TRUE(decryptKeyValue(true, &opened, &openedLength));
    EXPECT_EQ(std::vector<BYTE>(opened, opened + openedLength), plain);
    BYTE* wrongScope = buffer;
    DWORD wrongLength = length;
    EXPECT_FALSE(decryptKeyValue(false, &wrongScope, &wrongLength));
    EXPECT_EQ(wrongScope, buffer);
    std::free(opened);
    std::free(buffer);
}

TEST_F(ProtectedValueTest, SecurityIdOfTheFirstServiceWithTheUuid) {
    auto service = [](const char16_t* name, DWORD uuid, std::optional<DWORD> security) {
        RegKey key;
        ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, std::u16string(kServicesPath) + u"\\" + name, KEY_ALL_ACCESS,
                                 key.put(), nullptr),
                  ERROR_SUCCESS);
        reg_set_value(key.get(), u"UUID", REG_DWORD, reinterpret_cast<const BYTE*>(&uuid), 4);
        if (security) reg_set_value(key.get(), u"SecurityId", REG_DWORD, reinterpret_cast<const BYTE*>(&*security), 4);
    };
    service(u"0001", 0x1101, 7);
    service(u"0002", 0x1103, 9);
    service(u"0003", 0x1103, 11);
    service(u"0004", 0x1105, std::nullopt);
    DWORD id = 1234;
    EXPECT_TRUE(SecurityIdFromUUID(0x1103, &id));
    EXPECT_EQ(id, 9u);
    EXPECT_TRUE(SecurityIdFromUUID(0x1105, &id));
    EXPECT_EQ(id, 0u);
    id = 1234;
    EXPECT_FALSE(SecurityIdFromUUID(0x1106, &id));
    EXPECT_EQ(id, 1234u);
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

// The store's failure lines reach the trace log with their exact texts.
TEST_F(ProtectedValueTest, FailuresAreTracedToTheLogFile) {
    const auto log = dir_.path() / "trace.log";
    {
        RegKey debug;
        ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Debug", KEY_ALL_ACCESS, debug.put(),
                                 nullptr),
                  ERROR_SUCCESS);
        const DWORD on = 1;
        reg_set_value(debug.get(), u"app_trace_level", REG_DWORD, reinterpret_cast<const BYTE*>(&on), 4);
        const std::u16string file = to_utf16(log.string());
        reg_set_value(debug.get(), u"LogFileName", REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                      static_cast<DWORD>((file.size() + 1) * 2));
    }
    qel::trace::reset_facade_trace();
    const BYTE data[4] = {1, 2, 3, 4};
    HKEY closed = nullptr;
    ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Closed", KEY_ALL_ACCESS, &closed, nullptr),
              ERROR_SUCCESS);
    reg_close_key(closed);
    EXPECT_EQ(BTRegSetEncValue(closed, u"Pin", 0, REG_BINARY, data, 4), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(BtDeleteUserKeyContainers());
    qel::trace::reset_facade_trace();
    const std::string text = read_file(log);
    EXPECT_NE(text.find("BTRegSetEncValue: RegSetValueEx  failed. lpValueName=Pin dwEncodedBufferLen=112 err=6"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("BtDeleteUserKeyContainers: CryptAcquireContext failed.Error=-2146893802(0x80090016)"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace qel::test
