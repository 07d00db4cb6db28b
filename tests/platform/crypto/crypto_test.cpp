// The CryptoAPI stand-in: RC2 against RFC 2268, the final-block padding, SIMPLEBLOB layout and
// its checks, SHA-1 and derived keys, and key containers kept in files beside the registry.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/crypto/crypto.h"
#include "platform/crypto/rc2.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace {

using namespace qel::platform;
using qel::test::ScopedEnv;
using qel::test::TempDir;

std::vector<BYTE> hex(std::string_view text) {
    std::vector<BYTE> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        if (text[i] == ' ') { --i; continue; }
        out.push_back(static_cast<BYTE>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

struct Rc2Vector {
    const char* key;
    unsigned effective_bits;
    const char* plain;
    const char* cipher;
};

// RFC 2268 section 5.
const Rc2Vector kRfcVectors[] = {
    {"0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
    {"ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
    {"3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
    {"88", 64, "0000000000000000", "61a8a244adacccf0"},
    {"88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
    {"88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
    {"88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
    {"88bca90e90875a7f0f79c384627bafb216f80a6f85920584c42fceb0be255daf1e", 129, "0000000000000000",
     "5b78d3a43dfff1f1"},
};

TEST(Rc2, MatchesRfc2268VectorsBothWays) {
    for (const auto& v : kRfcVectors) {
        const auto key = hex(v.key);
        const Rc2 rc2(key, v.effective_bits);
        const auto plain = hex(v.plain);
        const auto cipher = hex(v.cipher);
        std::array<BYTE, 8> out{};
        rc2.encrypt_block(plain.data(), out.data());
        EXPECT_EQ(std::vector<BYTE>(out.begin(), out.end()), cipher) << v.key << " / " << v.effective_bits;
        rc2.decrypt_block(cipher.data(), out.data());
        EXPECT_EQ(std::vector<BYTE>(out.begin(), out.end()), plain) << v.key << " / " << v.effective_bits;
    }
}

class CryptoTest : public ::testing::Test {
protected:
    CryptoTest() : env_("QEL_REGISTRY_DIR", dir_.path().string()) { reg_reset_for_tests(); }
    ~CryptoTest() override { reg_reset_for_tests(); }

    CryptContext verify(std::u16string_view provider = MS_DEF_PROV) {
        CryptContext c;
        EXPECT_EQ(crypt_acquire_context(u"", provider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, &c), ERROR_SUCCESS);
        return c;
    }
    CryptContext container(DWORD flags, std::u16string_view name = u"Test Container") {
        CryptContext c;
        EXPECT_EQ(crypt_acquire_context(name, MS_DEF_PROV, PROV_RSA_FULL, flags, &c), ERROR_SUCCESS);
        return c;
    }

    TempDir dir_;
    ScopedEnv env_;
};

TEST_F(CryptoTest, ProviderDefaultsAreThoseOfTheTwoProviders) {
    CryptKey base;
    ASSERT_EQ(verify().generate_key(CALG_RC2, CRYPT_EXPORTABLE, &base), ERROR_SUCCESS);
    EXPECT_EQ(base.bits(), 40u);
    CryptKey enhanced;
    ASSERT_EQ(verify(MS_ENHANCED_PROV).generate_key(CALG_RC2, 0, &enhanced), ERROR_SUCCESS);
    EXPECT_EQ(enhanced.bits(), 128u);
    CryptKey too_long;
    EXPECT_EQ(verify().generate_key(CALG_RC2, 128u << 16, &too_long), NTE_BAD_FLAGS);
    EXPECT_EQ(verify().generate_key(CALG_RC2, 56u << 16, &too_long), ERROR_SUCCESS);
    CryptContext unknown;
    EXPECT_EQ(crypt_acquire_context(u"", u"Other Provider", PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, &unknown),
              NTE_KEYSET_NOT_DEF);
    EXPECT_EQ(crypt_acquire_context(u"", MS_DEF_PROV, 24, CRYPT_VERIFYCONTEXT, &unknown), NTE_PROV_TYPE_NOT_DEF);
}

// A 40-bit key from a hash: the schedule runs over the 5 key bytes and 11 zero salt bytes with an
// effective length of 40 bits, so it enciphers as Rc2 of those 16 bytes does.
TEST_F(CryptoTest, DerivedFortyBitKeyCarriesElevenZeroSaltBytes) {
    CryptContext c = verify();
    CryptHash hash;
    ASSERT_EQ(c.create_hash(CALG_SHA1, &hash), ERROR_SUCCESS);
    const std::string abc = "abc";
    ASSERT_EQ(hash.hash_data(std::span(reinterpret_cast<const BYTE*>(abc.data()), abc.size())), ERROR_SUCCESS);
    CryptKey key;
    ASSERT_EQ(c.derive_key(CALG_RC2, hash, 0, &key), ERROR_SUCCESS);
    std::vector<BYTE> value;
    ASSERT_EQ(hash.value(&value), ERROR_SUCCESS);
    EXPECT_EQ(value, hex("a9993e364706816aba3e25717850c26c9cd0d89d"));  // SHA-1 of "abc"
    EXPECT_EQ(hash.hash_data(std::span<const BYTE>()), NTE_BAD_HASH_STATE);

    std::vector<BYTE> salted(value.begin(), value.begin() + 5);
    salted.resize(16, 0);
    const Rc2 expected(salted, 40);
    std::array<BYTE, 8> block{};
    std::array<BYTE, 8> want{};
    expected.encrypt_block(block.data(), want.data());

    std::array<BYTE, 16> data{};
    DWORD len = 8;
    ASSERT_EQ(key.encrypt(false, data.data(), &len, 16), ERROR_SUCCESS);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), data.begin()));
}

TEST_F(CryptoTest, EnhancedDerivedKeyIsRc2With128EffectiveBits) {
    CryptContext c = verify(MS_ENHANCED_PROV);
    CryptHash hash;
    ASSERT_EQ(c.create_hash(CALG_SHA1, &hash), ERROR_SUCCESS);
    CryptKey key;
    ASSERT_EQ(c.derive_key(CALG_RC2, hash, 0, &key), ERROR_SUCCESS);
    std::vector<BYTE> value;
    ASSERT_EQ(hash.value(&value), ERROR_SUCCESS);
    EXPECT_EQ(value, hex("da39a3ee5e6b4b0d3255bfef95601890afd80709"));  // SHA-1 of nothing
    const Rc2 expected(std::span<const BYTE>(value.data(), 16), 128);
    std::array<BYTE, 8> want{};
    const std::array<BYTE, 8> zero{};
    expected.encrypt_block(zero.data(), want.data());
    std::array<BYTE, 8> data{};
    DWORD len = 8;
    ASSERT_EQ(key.encrypt(false, data.data(), &len, 8), ERROR_SUCCESS);
    EXPECT_EQ(data, want);
}

TEST_F(CryptoTest, FinalBlockPadsAndChecksEveryPadByte) {
    CryptKey key;
    ASSERT_EQ(verify().generate_key(CALG_RC2, 0, &key), ERROR_SUCCESS);
    for (DWORD n : {0u, 1u, 7u, 8u, 9u, 16u}) {
        std::vector<BYTE> data(32, 0x5A);
        DWORD len = n;
        ASSERT_EQ(key.encrypt(true, nullptr, &len, 0), ERROR_SUCCESS);
        EXPECT_EQ(len, (n / 8 + 1) * 8) << n;  // a whole block of padding when aligned
        len = n;
        ASSERT_EQ(key.encrypt(true, data.data(), &len, 32), ERROR_SUCCESS);
        ASSERT_EQ(key.decrypt(true, data.data(), &len), ERROR_SUCCESS);
        EXPECT_EQ(len, n);
        EXPECT_TRUE(std::all_of(data.begin(), data.begin() + n, [](BYTE b) { return b == 0x5A; }));
    }
    // Buffer too small: the length needed, nothing changed.
    std::vector<BYTE> data(8, 1);
    DWORD len = 8;
    EXPECT_EQ(key.encrypt(true, data.data(), &len, 8), ERROR_MORE_DATA);
    EXPECT_EQ(len, 16u);
    EXPECT_EQ(data, std::vector<BYTE>(8, 1));
    // Non-final encryption takes whole blocks only.
    len = 5;
    EXPECT_EQ(key.encrypt(false, data.data(), &len, 8), NTE_BAD_LEN);

}

TEST_F(CryptoTest, DecryptRefusesBadPaddingAndPartialBlocks) {
    // Encipher chosen last blocks without padding, then open them as final blocks.
    CryptContext c = verify();
    CryptHash hash;
    ASSERT_EQ(c.create_hash(CALG_SHA1, &hash), ERROR_SUCCESS);
    CryptKey key;
    ASSERT_EQ(c.derive_key(CALG_RC2, hash, 0, &key), ERROR_SUCCESS);
    for (const char* last : {"0102030405060703", "0000000000000000", "0909090909090909", "0000000000000302"}) {
        std::vector<BYTE> block = hex(last);
        DWORD n = 8;
        ASSERT_EQ(key.encrypt(false, block.data(), &n, 8), ERROR_SUCCESS);
        // A final call restarts the chain, so the decryption below starts from the zero IV too.
        DWORD m = 0;
        std::vector<BYTE> scratch(8);
        ASSERT_EQ(key.encrypt(true, scratch.data(), &m, 8), ERROR_SUCCESS);
        n = 8;
        EXPECT_EQ(key.decrypt(true, block.data(), &n), NTE_BAD_DATA) << last;
    }
    std::vector<BYTE> partial(12, 0);
    DWORD n = 12;
    EXPECT_EQ(key.decrypt(true, partial.data(), &n), NTE_BAD_DATA);
    n = 0;
    EXPECT_EQ(key.decrypt(true, partial.data(), &n), NTE_BAD_DATA);
}

TEST_F(CryptoTest, SimpleBlobHasThePlatformLayoutAndImportsBack) {
    CryptContext c = container(CRYPT_NEWKEYSET);
    CryptKey exchange;
    EXPECT_EQ(c.get_user_key(AT_KEYEXCHANGE, &exchange), NTE_NO_KEY);
    ASSERT_EQ(c.generate_key(AT_KEYEXCHANGE, 0, &exchange), ERROR_SUCCESS);
    EXPECT_EQ(exchange.bits(), 512u);
    CryptKey session;
    ASSERT_EQ(c.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session), ERROR_SUCCESS);
    std::vector<BYTE> blob;
    ASSERT_EQ(session.export_key(exchange, SIMPLEBLOB, &blob), ERROR_SUCCESS);
    ASSERT_EQ(blob.size(), 12u + 64u);
    EXPECT_EQ(std::vector<BYTE>(blob.begin(), blob.begin() + 12), hex("010200000266000000a40000"));

    CryptKey imported;
    ASSERT_EQ(c.import_key(blob, exchange, 0, &imported), ERROR_SUCCESS);
    EXPECT_EQ(imported.bits(), 40u);
    std::vector<BYTE> data = {'s', 'e', 'c', 'r', 'e', 't'};
    data.resize(16);
    DWORD len = 6;
    ASSERT_EQ(session.encrypt(true, data.data(), &len, 16), ERROR_SUCCESS);
    ASSERT_EQ(imported.decrypt(true, data.data(), &len), ERROR_SUCCESS);
    EXPECT_EQ(std::string(data.begin(), data.begin() + len), "secret");

    // Not exportable; wrong blob type.
    CryptKey fixed;
    ASSERT_EQ(c.generate_key(CALG_RC2, 0, &fixed), ERROR_SUCCESS);
    std::vector<BYTE> other;
    EXPECT_EQ(fixed.export_key(exchange, SIMPLEBLOB, &other), NTE_BAD_KEY_STATE);
    EXPECT_EQ(session.export_key(exchange, 6, &other), NTE_BAD_TYPE);
    EXPECT_EQ(session.export_key(fixed, SIMPLEBLOB, &other), NTE_BAD_PUBLIC_KEY);
}

TEST_F(CryptoTest, ImportChecksHeaderUnwrappingKeyAndPadding) {
    CryptContext c = container(CRYPT_NEWKEYSET);
    CryptKey exchange;
    ASSERT_EQ(c.generate_exchange_key_if_absent(&exchange), ERROR_SUCCESS);
    CryptKey session;
    ASSERT_EQ(c.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session), ERROR_SUCCESS);
    std::vector<BYTE> blob;
    ASSERT_EQ(session.export_key(exchange, SIMPLEBLOB, &blob), ERROR_SUCCESS);

    CryptKey out;
    auto with = [&](std::size_t index, BYTE value) {
        std::vector<BYTE> b = blob;
        b[index] = value;
        return c.import_key(b, exchange, 0, &out);
    };
    EXPECT_EQ(with(1, 3), NTE_BAD_DATA);  // version
    EXPECT_EQ(with(2, 1), NTE_BAD_DATA);  // reserved
    EXPECT_EQ(with(0, 6), NTE_BAD_TYPE);
    EXPECT_EQ(c.import_key(blob, session, 0, &out), NTE_BAD_PUBLIC_KEY);
    EXPECT_EQ(c.import_key(std::span(blob.data(), blob.size() - 1), exchange, 0, &out), NTE_BAD_DATA);
    EXPECT_EQ(c.import_key(std::span(blob.data(), 5), exchange, 0, &out), NTE_BAD_DATA);
    // A changed wrapped byte unwraps to a block whose padding fails (or, rarely, a key of another
    // length); it is never taken as the original key.
    std::vector<BYTE> tampered = blob;
    tampered[40] ^= 0x01;
    if (c.import_key(tampered, exchange, 0, &out) == ERROR_SUCCESS) {
        std::vector<BYTE> data(16, 0);
        DWORD len = 3;
        ASSERT_EQ(session.encrypt(true, data.data(), &len, 16), ERROR_SUCCESS);
        EXPECT_NE(out.decrypt(true, data.data(), &len), ERROR_SUCCESS);
    }
}

TEST_F(CryptoTest, ContainersLiveInOwnerOnlyFilesPerScope) {
    CryptContext none;
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, 0, &none), NTE_BAD_KEYSET);
    CryptContext user = container(CRYPT_NEWKEYSET);
    CryptContext again;
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, CRYPT_NEWKEYSET, &again), NTE_EXISTS);
    // The machine scope is separate.
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET, &none),
              NTE_BAD_KEYSET);
    CryptContext machine = container(CRYPT_NEWKEYSET | CRYPT_MACHINE_KEYSET);
    EXPECT_EQ(machine.set_param(PP_KEYSET_SEC_DESCR, nullptr, DACL_SECURITY_INFORMATION), ERROR_SUCCESS);
    CryptKey user_key;
    CryptKey machine_key;
    ASSERT_EQ(user.generate_key(AT_KEYEXCHANGE, 0, &user_key), ERROR_SUCCESS);
    EXPECT_EQ(machine.get_user_key(AT_KEYEXCHANGE, &machine_key), NTE_NO_KEY);

    for (const char* folder : {"user-keys", "machine-keys"}) {
        const auto dir = dir_.path() / folder;
        ASSERT_TRUE(std::filesystem::is_directory(dir)) << folder;
        struct stat st {};
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".key") continue;
            ++files;
            ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u) << entry.path();
        }
        EXPECT_EQ(files, 1) << folder;
    }

    // The key persists: a later context (another process would do the same) finds the same key.
    CryptContext reopened = container(0);
    CryptKey found;
    ASSERT_EQ(reopened.get_user_key(AT_KEYEXCHANGE, &found), ERROR_SUCCESS);
    CryptKey session;
    ASSERT_EQ(reopened.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session), ERROR_SUCCESS);
    std::vector<BYTE> blob;
    ASSERT_EQ(session.export_key(found, SIMPLEBLOB, &blob), ERROR_SUCCESS);
    CryptKey imported;
    EXPECT_EQ(user.import_key(blob, user_key, 0, &imported), ERROR_SUCCESS);

    CryptContext deleted;
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, CRYPT_DELETEKEYSET, &deleted),
              ERROR_SUCCESS);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, CRYPT_DELETEKEYSET, &deleted),
              NTE_BAD_KEYSET);
    EXPECT_EQ(user.get_user_key(AT_KEYEXCHANGE, &found), NTE_BAD_KEYSET);
}

TEST_F(CryptoTest, CorruptContainerFileIsABadKeyset) {
    container(CRYPT_NEWKEYSET);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "user-keys")) {
        if (entry.path().extension() == ".key") {
            std::filesystem::resize_file(entry.path(), 3);
        }
    }
    CryptContext c;
    EXPECT_EQ(crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, 0, &c), NTE_BAD_KEYSET);
}

TEST_F(CryptoTest, FirstKeyGeneratedOnceWhenThreadsRace) {
    container(CRYPT_NEWKEYSET);
    constexpr int kThreads = 4;
    std::vector<std::vector<BYTE>> blobs(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            CryptContext c;
            if (crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, 0, &c) != ERROR_SUCCESS) return;
            CryptKey exchange;
            CryptKey session;
            if (c.generate_exchange_key_if_absent(&exchange) != ERROR_SUCCESS) return;
            if (c.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session) != ERROR_SUCCESS) return;
            session.export_key(exchange, SIMPLEBLOB, &blobs[static_cast<std::size_t>(i)]);
        });
    }
    for (auto& t : threads) t.join();
    // Every blob opens with the key the container holds now.
    CryptContext c = container(0);
    CryptKey exchange;
    ASSERT_EQ(c.get_user_key(AT_KEYEXCHANGE, &exchange), ERROR_SUCCESS);
    for (const auto& blob : blobs) {
        ASSERT_FALSE(blob.empty());
        CryptKey imported;
        EXPECT_EQ(c.import_key(blob, exchange, 0, &imported), ERROR_SUCCESS);
    }
}

}  // namespace

namespace {

// Two processes sealing with a new container at once agree on one key-exchange key.
TEST_F(CryptoTest, FirstKeyGeneratedOnceWhenProcessesRace) {
    container(CRYPT_NEWKEYSET);
    const auto blob_file = [&](int i) { return dir_.path() / ("blob" + std::to_string(i)); };
    auto seal = [](const std::filesystem::path& out) {
        CryptContext c;
        CryptKey exchange;
        CryptKey session;
        std::vector<BYTE> blob;
        if (crypt_acquire_context(u"Test Container", MS_DEF_PROV, PROV_RSA_FULL, 0, &c) != ERROR_SUCCESS ||
            c.generate_exchange_key_if_absent(&exchange) != ERROR_SUCCESS ||
            c.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session) != ERROR_SUCCESS ||
            session.export_key(exchange, SIMPLEBLOB, &blob) != ERROR_SUCCESS) {
            return false;
        }
        std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(blob.data()),
                                                   static_cast<std::streamsize>(blob.size()));
        return true;
    };
    std::vector<pid_t> children;
    for (int i = 0; i < 3; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::_exit(seal(blob_file(i)) ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CryptContext c = container(0);
    CryptKey exchange;
    ASSERT_EQ(c.get_user_key(AT_KEYEXCHANGE, &exchange), ERROR_SUCCESS);
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = qel::test::read_file(blob_file(i));
        const std::vector<BYTE> blob(bytes.begin(), bytes.end());
        CryptKey imported;
        EXPECT_EQ(c.import_key(blob, exchange, 0, &imported), ERROR_SUCCESS) << i;
    }
}

}  // namespace

namespace {

// Opens a SIMPLEBLOB by hand with the container's stored key pair: the wrapped block, read as a
// little-endian number, is 00 02 <non-zero random> 00 followed by the key's bytes last first.
TEST_F(CryptoTest, SimpleBlobWrapsTheKeyAsTheStandardBlockInLittleEndian) {
    CryptContext c = container(CRYPT_NEWKEYSET);
    CryptKey exchange;
    ASSERT_EQ(c.generate_exchange_key_if_absent(&exchange), ERROR_SUCCESS);
    CryptHash hash;
    ASSERT_EQ(c.create_hash(CALG_SHA1, &hash), ERROR_SUCCESS);
    CryptKey session;
    ASSERT_EQ(c.derive_key(CALG_RC2, hash, CRYPT_EXPORTABLE, &session), ERROR_SUCCESS);
    std::vector<BYTE> value;
    ASSERT_EQ(hash.value(&value), ERROR_SUCCESS);
    std::vector<BYTE> blob;
    ASSERT_EQ(session.export_key(exchange, SIMPLEBLOB, &blob), ERROR_SUCCESS);

    std::string file;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "user-keys")) {
        if (entry.path().extension() == ".key") file = qel::test::read_file(entry.path());
    }
    ASSERT_GT(file.size(), 12u);
    const auto* der = reinterpret_cast<const unsigned char*>(file.data() + 12);
    EVP_PKEY* pkey = d2i_AutoPrivateKey(nullptr, &der, static_cast<long>(file.size() - 12));
    ASSERT_NE(pkey, nullptr);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pkey, nullptr);
    ASSERT_EQ(EVP_PKEY_decrypt_init(ctx), 1);
    ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING), 1);
    const std::vector<BYTE> wrapped(blob.rbegin(), blob.rend() - 12);
    std::vector<BYTE> block(64);
    std::size_t len = block.size();
    ASSERT_EQ(EVP_PKEY_decrypt(ctx, block.data(), &len, wrapped.data(), wrapped.size()), 1);
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    block.resize(len);
    block.insert(block.begin(), 64 - len, 0);  // leading zero bytes of the number

    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 2);
    EXPECT_TRUE(std::none_of(block.begin() + 2, block.begin() + 58, [](BYTE b) { return b == 0; }));
    EXPECT_EQ(block[58], 0);
    const std::vector<BYTE> key_last_first(value.rend() - 5, value.rend());
    EXPECT_EQ(std::vector<BYTE>(block.begin() + 59, block.end()), key_last_first);
}

}  // namespace
